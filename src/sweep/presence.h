// The MACs a sweep's items were marked with, and the texts shown for them. Shared by the main
// window and zelvoro-sweep; the marks themselves come from the presence stage
// (presence_stage.h).
//
// A silent address with a MAC is present: something answered ARP for it, and only ignored the
// echo request (a firewall, a printer, a phone). An address reached through a router gets no
// MAC: ARP reaches only the router. A device that answers neither echo nor ARP stays unmarked.
#pragma once

#include "platform/neighbours.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::sweep {

// One entry per item of a list, in list order: the MAC it was marked with.
using ListMacs = std::vector<std::optional<platform::MacAddress>>;

struct SweepMacs {
    ListMacs answering; // one per SweepOutcome::answering item
    ListMacs silent;    // one per SweepOutcome::silent item; a MAC marks the address present
};

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
