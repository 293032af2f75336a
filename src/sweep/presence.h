// Which addresses of a sweep a device is known to use: the link-layer addresses the neighbour
// table confirmed during the sweep, paired with the items of both lists, and the texts shown for
// them. Shared by the main window and zelvoro-sweep.
//
// A silent address with a MAC is present: something answered the ARP request the kernel sent to
// deliver the echo request, and only ignored the echo itself (a firewall, a printer, a phone).
// An address reached through a router gets no MAC: its requests went to the router's link-layer
// address, so the table holds nothing for the address itself. A device that answers neither
// echo nor ARP stays unmarked, and so does one whose MAC the kernel already held before the
// sweep (from earlier traffic or an earlier sweep): it is sent to without a new ARP request, and
// nothing confirms it during the sweep.
#pragma once

#include "platform/neighbours.h"
#include "sweep/sweep_plan.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::sweep {

// One entry per item of a list, in list order: the MAC confirmed for it during the sweep.
using ListMacs = std::vector<std::optional<platform::MacAddress>>;

struct SweepMacs {
    ListMacs answering; // one per SweepOutcome::answering item
    ListMacs silent;    // one per SweepOutcome::silent item; a MAC marks the address present
};

// The addresses of both lists' items, answering first, to ask the neighbour table about.
std::vector<platform::Ipv4Address> listed_addresses(const SweepOutcome& outcome);

// Pairs the neighbours confirmed during the sweep with the list items (every item that is none
// of theirs gets nothing).
SweepMacs pair_macs(const SweepOutcome& outcome, std::span<const platform::Neighbour> confirmed);

// Reads the neighbour table once, right after a sweep that began `since_sweep_began` ago (its
// first request included; rounded up to whole milliseconds): only confirmations from that time
// on count.
SweepMacs read_sweep_macs(platform::NeighbourTable& table, const SweepOutcome& outcome,
                          std::chrono::nanoseconds since_sweep_began);

// The tooltip of an answering item with a MAC: "MAC xx:xx:xx:xx:xx:xx", followed by ", " and
// the vendor when `vendor` is not empty.
std::string answering_tooltip(const platform::MacAddress& mac, std::string_view vendor);

// The tooltip of a silent item with a MAC:
// "该地址不回应PING,但有设备应答ARP(MAC xx:xx:xx:xx:xx:xx),可能已被占用", the vendor added after
// the MAC as in answering_tooltip.
std::string silent_present_tooltip(const platform::MacAddress& mac, std::string_view vendor);

// The tooltip of a silent item answered for by a device that answers ARP for several silent
// addresses (a router answering for others), no warning: "该地址不回应PING;同一设备(MAC
// xx:xx:xx:xx:xx:xx)为多个地址应答ARP,可能是路由器代答,不能据此判断已被占用", the vendor added
// after the MAC as in answering_tooltip.
std::string shared_device_tooltip(const platform::MacAddress& mac, std::string_view vendor);

} // namespace zelvoro::sweep
