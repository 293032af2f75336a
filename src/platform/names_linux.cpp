// The name service on Linux: reverse lookups through getnameinfo (the resolver glibc is set up
// with: /etc/hosts, DNS), mDNS and NetBIOS queries from an ordinary UDP socket.
#include "platform/linux/file_descriptor_linux.h"
#include "platform/name_lookup.h"

#include <arpa/inet.h>
#include <array>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace zelvoro::platform {

namespace {

// The largest datagram an mDNS responder may send.
constexpr std::size_t largest_reply = 9000;
// Multicast DNS queries are sent with the largest time to live, as responders expect; the group
// is link-local, and no router forwards it.
constexpr int multicast_hops = 255;

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
    explicit UdpSocket(FileDescriptor fd) : fd_(std::move(fd)) {}

    bool send(const Ipv4Address& to, std::uint16_t port, std::span<const std::uint8_t> bytes,
              const Ipv4Address& via) override {
        if (is_multicast(to)) {
            in_addr interface_address{};
            std::memcpy(&interface_address, via.octets.data(), via.octets.size());
            if (::setsockopt(fd_.get(), IPPROTO_IP, IP_MULTICAST_IF, &interface_address,
                             sizeof interface_address) != 0) {
                return false;
            }
        }
        const sockaddr_in target = socket_address(to, port);
        const auto sent = ::sendto(fd_.get(), bytes.data(), bytes.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&target), sizeof target);
        return sent == static_cast<ssize_t>(bytes.size());
    }

    std::optional<Datagram> receive(std::chrono::milliseconds wait) override {
        pollfd ready{fd_.get(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(wait.count())) <= 0) {
            return std::nullopt;
        }
        Datagram datagram;
        datagram.bytes.resize(largest_reply);
        sockaddr_in source{};
        socklen_t source_length = sizeof source;
        const auto received =
            ::recvfrom(fd_.get(), datagram.bytes.data(), datagram.bytes.size(), MSG_DONTWAIT,
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
    FileDescriptor fd_;
};

class LinuxNameSystem final : public NameSystem {
public:
    std::optional<std::string> reverse_name(const Ipv4Address& address) override {
        const sockaddr_in asked = socket_address(address, 0);
        std::array<char, NI_MAXHOST> host{};
        if (::getnameinfo(reinterpret_cast<const sockaddr*>(&asked), sizeof asked, host.data(),
                          host.size(), nullptr, 0, NI_NAMEREQD) != 0) {
            return std::nullopt;
        }
        return std::string(host.data());
    }

    std::unique_ptr<DatagramSocket> open_socket() override {
        FileDescriptor fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!fd.is_open() || ::setsockopt(fd.get(), IPPROTO_IP, IP_MULTICAST_TTL, &multicast_hops,
                                          sizeof multicast_hops) != 0) {
            return nullptr;
        }
        return std::make_unique<UdpSocket>(std::move(fd));
    }
};

} // namespace

std::unique_ptr<NameService> make_system_name_service() {
    return name_service_over(std::make_shared<LinuxNameSystem>());
}

} // namespace zelvoro::platform
