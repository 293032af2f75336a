#include "support/loopback_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace zelvoro::test_support {

namespace {

sockaddr_in loopback_address(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int bound_socket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback_address(0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    }
    return fd;
}

} // namespace

LoopbackSocket LoopbackSocket::listening() {
    LoopbackSocket socket(bound_socket());
    if (::listen(static_cast<int>(socket.handle_), SOMAXCONN) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    return socket;
}

LoopbackSocket LoopbackSocket::bound() {
    return LoopbackSocket(bound_socket());
}

std::optional<LoopbackSocket> LoopbackSocket::connect(std::uint16_t port) {
    LoopbackSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback_address(port);
    if (::connect(static_cast<int>(socket.handle_), reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) != 0) {
        return std::nullopt;
    }
    return socket;
}

LoopbackSocket::LoopbackSocket(LoopbackSocket&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)) {}

LoopbackSocket::~LoopbackSocket() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

std::uint16_t LoopbackSocket::port() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

std::optional<LoopbackSocket> LoopbackSocket::accept() const {
    const int fd = ::accept4(static_cast<int>(handle_), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    return LoopbackSocket(fd);
}

bool LoopbackSocket::send_all(std::string_view bytes) const {
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a client that hung up gives EPIPE, not a signal that ends the test.
        const ssize_t sent =
            ::send(static_cast<int>(handle_), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string LoopbackSocket::receive(std::size_t limit) const {
    std::string bytes(limit, '\0');
    ssize_t received = 0;
    do {
        received = ::recv(static_cast<int>(handle_), bytes.data(), limit, 0);
    } while (received < 0 && errno == EINTR);
    bytes.resize(received > 0 ? static_cast<std::size_t>(received) : 0);
    return bytes;
}

} // namespace zelvoro::test_support
