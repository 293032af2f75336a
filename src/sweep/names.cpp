#include "sweep/names.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>

namespace zelvoro::sweep {

namespace {

using platform::Ipv4Address;
using platform::LocalAddress;

bool on_subnet_of(const Ipv4Address& address, const LocalAddress& local) {
    if (local.address.octets[0] == 127 || local.mask == Ipv4Address{}) {
        return false;
    }
    for (std::size_t i = 0; i < address.octets.size(); ++i) {
        if ((address.octets[i] & local.mask.octets[i]) !=
            (local.address.octets[i] & local.mask.octets[i])) {
            return false;
        }
    }
    return true;
}

std::optional<Ipv4Address> link_through(const Ipv4Address& address,
                                        std::span<const LocalAddress> local) {
    const auto found = std::find_if(local.begin(), local.end(), [&](const LocalAddress& entry) {
        return on_subnet_of(address, entry);
    });
    return found != local.end() ? std::optional(found->address) : std::nullopt;
}

} // namespace

std::vector<Ipv4Address> addresses_to_name(const SweepOutcome& outcome, const SweepMacs& macs) {
    std::vector<Ipv4Address> addresses;
    for (const SweepVerdict& verdict : outcome.answering) {
        addresses.push_back(verdict.address);
    }
    for (std::size_t index = 0; index < outcome.silent.size() && index < macs.silent.size();
         ++index) {
        if (macs.silent[index]) {
            addresses.push_back(outcome.silent[index].address);
        }
    }
    return addresses;
}

platform::NameQueries plan_name_queries(std::span<const Ipv4Address> addresses,
                                        std::span<const LocalAddress> local) {
    platform::NameQueries queries;
    for (const Ipv4Address& address : addresses) {
        queries.reverse_dns.push_back(address);
        if (const auto via = link_through(address, local)) {
            queries.link_local.push_back({address, *via});
        }
    }
    return queries;
}

NamesByAddress look_up_names(platform::NameService& service, platform::NameQueries queries,
                             std::chrono::milliseconds limit) {
    std::mutex mutex;
    NamesByAddress found;
    const auto lookup =
        service.look_up(std::move(queries), limit, [&](const platform::FoundName& name) {
            const std::lock_guard lock(mutex);
            found[name.address].push_back(name);
        });
    lookup->wait(); // no name arrives after this
    return found;
}

std::string names_text(std::span<const platform::FoundName> names) {
    std::string text;
    for (const auto source :
         {platform::NameSource::dns, platform::NameSource::mdns, platform::NameSource::netbios}) {
        for (const platform::FoundName& found : names) {
            if (found.source == source) {
                text += (text.empty() ? "" : ", ") + found.name + " (";
                text += platform::source_text(source);
                text += ')';
            }
        }
    }
    return text;
}

std::string names_note(std::span<const platform::FoundName> names) {
    const std::string text = names_text(names);
    return text.empty() ? text : "主机名: " + text;
}

std::string answer_time_note(std::chrono::nanoseconds round_trip) {
    constexpr std::int64_t tenth_of_a_millisecond = 100'000; // in nanoseconds
    const std::int64_t tenths =
        (std::max<std::int64_t>(round_trip.count(), 0) + tenth_of_a_millisecond / 2) /
        tenth_of_a_millisecond;
    if (tenths == 0) {
        return "响应时间 <0.1 ms";
    }
    return "响应时间 " + std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10) + " ms";
}

} // namespace zelvoro::sweep
