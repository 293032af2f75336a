// Which devices hold the addresses of a sweep, even those that ignore echo requests: the
// link-layer address each one answered with, proven while the sweep runs and for a bounded
// window after it.
#pragma once

#include "platform/diagnostics.h"
#include "platform/ipv4_address.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::platform {

using MacAddress = std::array<std::uint8_t, 6>;

// "xx:xx:xx:xx:xx:xx", lower case.
std::string mac_text(const MacAddress& mac);

// A device proven to hold `address`, with its link-layer address.
struct Neighbour {
    Ipv4Address address;
    MacAddress mac;

    friend bool operator==(const Neighbour&, const Neighbour&) = default;
};

// Where a watch hands what it finds. Either may be called on any thread the watch runs, and from
// inside sweep_ended; neither once the watch is gone.
struct PresenceSink {
    std::function<void(const Neighbour&)> proven; // a device of the range, as soon as it is proven
    std::function<void()> ended;                  // once, after the sweep ended: nothing follows
};

// How long proofs are still taken; nothing: as long as the way of proving needs.
struct LateWindows {
    // Where this process sends ARP requests of its own: from their first round (500 ms).
    std::optional<std::chrono::milliseconds> own_requests;
    // Where it watches the system's neighbour table: from the sweep's end (Linux: as long as the
    // kernel takes to probe again an entry it already held, from its settings; Windows: until
    // every resolution it asked for has ended).
    std::optional<std::chrono::milliseconds> system_table;
};

// One sweep's watch, begun before the sweep's first echo request.
class PresenceWatch {
public:
    // Ends the watch: once the destructor has returned, the sink is never called again.
    virtual ~PresenceWatch() = default;
    // Every echo request has been answered or has timed out; `silent` are the addresses that did
    // not answer. Returns the devices proven by now; the rest go to the sink as they are proven,
    // until the window ends.
    virtual std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address> silent) = 0;
};

class NeighbourService {
public:
    virtual ~NeighbourService() = default;
    // Begins watching `range` (a sweep's addresses). A range the system cannot watch (reached
    // through a router, no neighbour table to read) gets a watch that proves nothing.
    virtual std::unique_ptr<PresenceWatch> watch(std::span<const Ipv4Address> range,
                                                 const LateWindows& windows, PresenceSink sink) = 0;
};

// Linux: ARP requests of its own where the process may open a packet socket, else the kernel's
// neighbour table and its notifications; Windows: GetIpNetTable2 and ResolveIpNetEntry2. Why a
// watch could not begin or a table could not be read goes to `diagnostics`, from whichever thread
// the watch runs.
std::unique_ptr<NeighbourService> make_system_neighbour_service(Diagnostics& diagnostics);

} // namespace zelvoro::platform
