// ARP requests of this process's own on one link, and the devices their replies prove. The
// prober works on a packet socket opened beforehand, so that a process holding CAP_NET_RAW can
// open it and hand it on; it needs no privilege of its own.
#pragma once

#include "platform/linux/file_descriptor_linux.h"
#include "platform/linux/range_link_linux.h"
#include "platform/neighbours.h"

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace zelvoro::platform {

// AF_PACKET, SOCK_DGRAM, non-blocking, bound to no protocol yet: it receives nothing until
// bind_arp_socket, which needs no privilege. Not open without CAP_NET_RAW (errno tells why).
FileDescriptor open_packet_socket();

// Binds a packet socket to ETH_P_ARP on the interface; false when it cannot (errno tells why).
bool bind_arp_socket(int socket, int interface_index);

// Both: a packet socket for ARP on the interface, or none.
FileDescriptor open_arp_socket(int interface_index);

struct ArpProbePlan {
    int interface_index = 0;
    MacAddress own_mac{};
    Ipv4Address own_address{}; // the sender: this machine's address on the targets' subnet
    std::vector<Ipv4Address> targets;
    // The second request to a target that has not answered goes out this long after the first.
    std::chrono::milliseconds second_round{250};
    // Replies are taken until this long after the first round.
    std::chrono::milliseconds window{500};
};

// The requests to the addresses of `range` on `link`, but for this machine's own address there,
// replies taken for `window`; nothing when the link has no Ethernet address or no address of
// this machine on the range's subnet.
std::optional<ArpProbePlan> arp_probe_plan(const netlink::RangeLink& link,
                                           std::span<const Ipv4Address> range,
                                           std::chrono::milliseconds window);

// Sends a request to every target at once, a second one after `second_round` to those that
// have not answered, and hands each target's first reply to `proven` as it arrives, on the
// calling thread; returns when the window ends or as soon as `stop` (a descriptor) is readable.
// A reply counts when it came in on the plan's interface and answers for a target.
void probe_with_arp(int socket, const ArpProbePlan& plan, int stop,
                    const std::function<void(const Neighbour&)>& proven);

} // namespace zelvoro::platform
