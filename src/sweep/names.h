// The host names of a sweep's addresses: which sources are asked about which address, the
// names gathered for the command line, and the texts of the notes that show them.
#pragma once

#include "platform/address_table.h"
#include "platform/names.h"
#include "sweep/presence.h"
#include "sweep/sweep_plan.h"

#include <chrono>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace zelvoro::sweep {

// The addresses whose names are looked up: every answering one, and every silent one with a
// MAC (a device holds it), in list order.
std::vector<platform::Ipv4Address> addresses_to_name(const SweepOutcome& outcome,
                                                     const SweepMacs& macs);

// The name queries for `addresses` (the answering ones, and the silent ones a device was seen
// to hold): reverse DNS for every one; mDNS and NetBIOS, which reach only the machine's own
// links, for those on the subnet of a local address (127.0.0.0/8 and a zero mask left out), sent
// through the first such address.
platform::NameQueries plan_name_queries(std::span<const platform::Ipv4Address> addresses,
                                        std::span<const platform::LocalAddress> local);

using NamesByAddress = std::map<platform::Ipv4Address, std::vector<platform::FoundName>>;

// Runs the lookup to its end (at most `limit`) and returns every name found.
NamesByAddress look_up_names(platform::NameService& service, platform::NameQueries queries,
                             std::chrono::milliseconds limit = platform::name_lookup_limit);

// "printer-2f (mDNS), NAS01 (NetBIOS)": each name with its source, DNS first, then mDNS, then
// NetBIOS (in the order given within a source); empty for none.
std::string names_text(std::span<const platform::FoundName> names);

// The note of an item with names: "主机名: " and names_text; empty for none.
std::string names_note(std::span<const platform::FoundName> names);

// The note of an answering item: "响应时间 0.4 ms", the round trip in tenths of a
// millisecond (rounded to the nearest), "<0.1 ms" below 0.05 ms.
std::string answer_time_note(std::chrono::nanoseconds round_trip);

} // namespace zelvoro::sweep
