#include "support/loopback_socket.h"

#include <stdexcept>
#include <utility>

// clang-format off
#include <winsock2.h>
#include <windows.h> // after winsock2.h
// clang-format on

namespace zelvoro::test_support {

namespace {

void start_winsock() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        throw std::runtime_error("WSAStartup failed");
    }
}

SOCKET native(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

std::intptr_t portable(SOCKET socket) {
    return socket == INVALID_SOCKET ? -1 : static_cast<std::intptr_t>(socket);
}

sockaddr_in loopback_address(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::intptr_t bound_socket() {
    start_winsock();
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = loopback_address(0);
    if (socket == INVALID_SOCKET ||
        ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    }
    return portable(socket);
}

} // namespace

LoopbackSocket LoopbackSocket::listening() {
    LoopbackSocket socket(bound_socket());
    if (::listen(native(socket.handle_), SOMAXCONN) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    return socket;
}

LoopbackSocket LoopbackSocket::bound() {
    return LoopbackSocket(bound_socket());
}

std::optional<LoopbackSocket> LoopbackSocket::connect(std::uint16_t port) {
    start_winsock();
    LoopbackSocket socket(portable(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    const sockaddr_in address = loopback_address(port);
    if (::connect(native(socket.handle_), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) != 0) {
        return std::nullopt;
    }
    return socket;
}

LoopbackSocket::LoopbackSocket(LoopbackSocket&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)) {}

LoopbackSocket::~LoopbackSocket() {
    if (handle_ != -1) {
        ::closesocket(native(handle_));
    }
}

std::uint16_t LoopbackSocket::port() const {
    sockaddr_in address{};
    int length = sizeof address;
    ::getsockname(native(handle_), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

std::optional<LoopbackSocket> LoopbackSocket::accept() const {
    const SOCKET socket = ::accept(native(handle_), nullptr, nullptr);
    if (socket == INVALID_SOCKET) {
        return std::nullopt;
    }
    return LoopbackSocket(portable(socket));
}

bool LoopbackSocket::send_all(std::string_view bytes) const {
    while (!bytes.empty()) {
        const int sent = ::send(native(handle_), bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string LoopbackSocket::receive(std::size_t limit) const {
    std::string bytes(limit, '\0');
    const int received = ::recv(native(handle_), bytes.data(), static_cast<int>(limit), 0);
    bytes.resize(received > 0 ? static_cast<std::size_t>(received) : 0);
    return bytes;
}

} // namespace zelvoro::test_support
