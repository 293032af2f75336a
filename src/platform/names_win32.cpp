// The name service on Windows: reverse lookups through GetNameInfoW (the system resolver: the
// hosts file, DNS), mDNS and NetBIOS queries from an ordinary Winsock UDP socket.
// clang-format off
#include <winsock2.h> // before windows.h, which wide_text_win32.h includes
#include <ws2tcpip.h>
// clang-format on

#include "platform/name_lookup.h"
#include "platform/win32/wide_text_win32.h"

#include <array>
#include <cstring>

namespace zelvoro::platform {

namespace {

// The largest datagram an mDNS responder may send.
constexpr std::size_t largest_reply = 9000;
// Multicast DNS queries are sent with the largest time to live, as responders expect; the group
// is link-local, and no router forwards it.
constexpr DWORD multicast_hops = 255;

// Winsock for as long as the name service and the threads of its lookups run.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (started_) {
            WSACleanup();
        }
    }

    bool started() const { return started_; }

private:
    bool started_ = false;
};

sockaddr_in socket_address(const Ipv4Address& address, std::uint16_t port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    std::memcpy(&result.sin_addr, address.octets.data(), address.octets.size());
    return result;
}

bool is_multicast(const Ipv4Address& address) {
    return address.octets[0] >= 224 && address.octets[0] <= 239;
}

class UdpSocket final : public DatagramSocket {
public:
    explicit UdpSocket(SOCKET socket) : socket_(socket) {}
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    ~UdpSocket() override { closesocket(socket_); }

    bool send(const Ipv4Address& to, std::uint16_t port, std::span<const std::uint8_t> bytes,
              const Ipv4Address& via) override {
        if (is_multicast(to)) {
            in_addr interface_address{};
            std::memcpy(&interface_address, via.octets.data(), via.octets.size());
            if (setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF,
                           reinterpret_cast<const char*>(&interface_address),
                           sizeof interface_address) != 0) {
                return false;
            }
        }
        const sockaddr_in target = socket_address(to, port);
        const int sent = sendto(socket_, reinterpret_cast<const char*>(bytes.data()),
                                static_cast<int>(bytes.size()), 0,
                                reinterpret_cast<const sockaddr*>(&target), sizeof target);
        return sent == static_cast<int>(bytes.size());
    }

    std::optional<Datagram> receive(std::chrono::milliseconds wait) override {
        WSAPOLLFD ready{};
        ready.fd = socket_;
        ready.events = POLLRDNORM;
        if (WSAPoll(&ready, 1, static_cast<INT>(wait.count())) <= 0) {
            return std::nullopt;
        }
        Datagram datagram;
        datagram.bytes.resize(largest_reply);
        sockaddr_in source{};
        int source_length = sizeof source;
        const int received = recvfrom(socket_, reinterpret_cast<char*>(datagram.bytes.data()),
                                      static_cast<int>(datagram.bytes.size()), 0,
                                      reinterpret_cast<sockaddr*>(&source), &source_length);
        if (received < 0 || source.sin_family != AF_INET) {
            return std::nullopt;
        }
        datagram.bytes.resize(static_cast<std::size_t>(received));
        std::memcpy(datagram.from.octets.data(), &source.sin_addr, datagram.from.octets.size());
        datagram.port = ntohs(source.sin_port);
        return datagram;
    }

private:
    SOCKET socket_;
};

class WindowsNameSystem final : public NameSystem {
public:
    std::optional<std::string> reverse_name(const Ipv4Address& address) override {
        if (!winsock_.started()) {
            return std::nullopt;
        }
        const sockaddr_in asked = socket_address(address, 0);
        std::array<wchar_t, NI_MAXHOST> host{};
        if (GetNameInfoW(reinterpret_cast<const sockaddr*>(&asked), sizeof asked, host.data(),
                         static_cast<DWORD>(host.size()), nullptr, 0, NI_NAMEREQD) != 0) {
            return std::nullopt;
        }
        return narrow(host.data());
    }

    std::unique_ptr<DatagramSocket> open_socket() override {
        if (!winsock_.started()) {
            return nullptr;
        }
        const SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (socket == INVALID_SOCKET) {
            return nullptr;
        }
        auto owned = std::make_unique<UdpSocket>(socket);
        if (setsockopt(socket, IPPROTO_IP, IP_MULTICAST_TTL,
                       reinterpret_cast<const char*>(&multicast_hops),
                       sizeof multicast_hops) != 0) {
            return nullptr;
        }
        return owned;
    }

private:
    WinsockSession winsock_;
};

} // namespace

std::unique_ptr<NameService> make_system_name_service() {
    return name_service_over(std::make_shared<WindowsNameSystem>());
}

} // namespace zelvoro::platform
