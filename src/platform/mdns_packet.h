// Multicast DNS reverse lookups: the query for an address's PTR record, sent to the mDNS group
// from an ordinary port, and the answer a responder sends straight back to that port.
#pragma once

#include "platform/ipv4_address.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform::mdns {

constexpr Ipv4Address group{{224, 0, 0, 251}};
constexpr std::uint16_t port = 5353;

// A query with the given id for the PTR record of "W.Z.Y.X.in-addr.arpa" (address X.Y.Z.W),
// class IN with the unicast-response bit set.
std::vector<std::uint8_t> encode_reverse_query(std::uint16_t id, const Ipv4Address& address);

struct ReverseAnswer {
    std::uint16_t id = 0;
    Ipv4Address address; // the address the answer names, from its in-addr.arpa owner name
    std::string name;    // the host's name without the ".local" every mDNS name ends in

    friend bool operator==(const ReverseAnswer&, const ReverseAnswer&) = default;
};

// The first answer record of a response that is a PTR record (class IN, cache-flush bit
// ignored) of an IPv4 address's reverse name, pointing to a name fit to be shown
// (platform/host_name.h) whose labels hold no dot. Nothing for anything else.
std::optional<ReverseAnswer> decode_reverse_answer(std::span<const std::uint8_t> message);

} // namespace zelvoro::platform::mdns
