// The part of the name service every system shares: the threads, the time limit, cancelling,
// and what is made of the replies. What the system itself does (its resolver, its UDP sockets)
// comes through NameSystem, which tests replace.
#pragma once

#include "platform/names.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform {

struct Datagram {
    Ipv4Address from;
    std::uint16_t port = 0;
    std::vector<std::uint8_t> bytes;
};

// An unbound UDP socket, used by one thread.
class DatagramSocket {
public:
    virtual ~DatagramSocket() = default;
    // False when the datagram could not be sent. A multicast datagram leaves through the
    // interface that holds the local address `via`.
    virtual bool send(const Ipv4Address& to, std::uint16_t port,
                      std::span<const std::uint8_t> bytes, const Ipv4Address& via) = 0;
    // The next datagram that arrives within `wait`; nothing when none does.
    virtual std::optional<Datagram> receive(std::chrono::milliseconds wait) = 0;
};

// Called from several threads at once.
class NameSystem {
public:
    virtual ~NameSystem() = default;
    // The system resolver's name for the address, taking as long as the resolver takes;
    // nothing when it has none.
    virtual std::optional<std::string> reverse_name(const Ipv4Address& address) = 0;
    // Nothing when no socket can be opened.
    virtual std::unique_ptr<DatagramSocket> open_socket() = 0;
};

// The name service over `system`: each lookup's threads hold it as long as they run.
std::unique_ptr<NameService> name_service_over(std::shared_ptr<NameSystem> system);

} // namespace zelvoro::platform
