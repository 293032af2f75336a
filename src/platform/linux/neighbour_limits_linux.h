// What the kernel tells about the neighbour entries that echo requests make (see
// platform/neighbour_pacing.h): the machine's limit on them, and which addresses get one and for
// how long it holds its place.
#pragma once

#include "platform/ipv4_address.h"
#include "platform/linux/netlink_route_linux.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace zelvoro::platform {

// gc_thresh3 where this process can read it (only the initial network namespace can), the
// kernel's default of 1024 otherwise.
std::size_t neighbour_table_limit();

// The routes of this process's network namespace, asked once per /24: the addresses of one /24
// are taken to share a route (this machine's own addresses and broadcast addresses aside, which
// answer only for themselves).
class OnLinkRoutes {
public:
    // How long the neighbour entry that a request to `address` makes holds its place: until the
    // device gives up resolving an address that does not answer, and at least the 5 seconds for
    // which the kernel spares an entry after its last update. Nothing when the kernel routes the
    // address through a gateway, to this machine itself, or nowhere: no entry of its own is made.
    // Where the routes cannot be read, every address counts as on the link.
    std::optional<std::chrono::nanoseconds> holding_time(const Ipv4Address& address);

private:
    struct Route {
        std::optional<std::chrono::nanoseconds> holding_time;
        bool for_its_24; // whether the rest of the address's /24 may be taken to share it
    };
    Route ask(const Ipv4Address& address);

    std::optional<netlink::RouteSocket> socket_;
    std::optional<std::uint32_t> block_; // the /24 asked last, and its answer
    std::optional<std::chrono::nanoseconds> block_holding_time_;
};

} // namespace zelvoro::platform
