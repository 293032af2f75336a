#include "platform/linux/neighbour_limits_linux.h"

#include "platform/linux/file_descriptor_linux.h"
#include "platform/platform_error.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fcntl.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <string>

namespace zelvoro::platform {

namespace {

constexpr std::size_t default_table_limit = 1024;
// Forced collection passes over an entry updated within the last 5 seconds.
constexpr std::chrono::nanoseconds spared_after_update = std::chrono::seconds(5);
// The kernel's defaults: mcast_solicit 3, app_solicit 0, retrans_time_ms 1000.
constexpr long default_probes = 3;
constexpr long default_probe_interval_ms = 1000;

// A number a /proc/sys file holds; nothing when it cannot be read.
std::optional<long> read_setting(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::string text;
    if (!file.is_open() || !read_all(file.get(), text)) {
        return std::nullopt;
    }
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || value < 0) {
        return std::nullopt;
    }
    return value;
}

// How long `device` goes on probing an address that does not answer.
std::chrono::nanoseconds resolution_time(int device) {
    std::array<char, IF_NAMESIZE> name{};
    if (::if_indextoname(static_cast<unsigned>(device), name.data()) == nullptr) {
        return std::chrono::milliseconds(default_probes * default_probe_interval_ms);
    }
    const std::string settings = "/proc/sys/net/ipv4/neigh/" + std::string(name.data()) + "/";
    const long probes = read_setting(settings + "mcast_solicit").value_or(default_probes) +
                        read_setting(settings + "app_solicit").value_or(0);
    const long interval =
        read_setting(settings + "retrans_time_ms").value_or(default_probe_interval_ms);
    return std::chrono::milliseconds(probes * interval);
}

std::uint32_t block_of(const Ipv4Address& address) {
    return (std::uint32_t{address.octets[0]} << 16) | (std::uint32_t{address.octets[1]} << 8) |
           address.octets[2];
}

} // namespace

std::size_t neighbour_table_limit() {
    const auto limit = read_setting("/proc/sys/net/ipv4/neigh/default/gc_thresh3");
    return limit && *limit > 0 ? static_cast<std::size_t>(*limit) : default_table_limit;
}

std::optional<std::chrono::nanoseconds> OnLinkRoutes::holding_time(const Ipv4Address& address) {
    if (block_ == block_of(address)) {
        return block_holding_time_;
    }
    const auto route = ask(address);
    if (route.for_its_24) {
        block_ = block_of(address);
        block_holding_time_ = route.holding_time;
    }
    return route.holding_time;
}

OnLinkRoutes::Route OnLinkRoutes::ask(const Ipv4Address& address) {
    const auto on_link = [](int device) {
        return Route{std::max(spared_after_update, resolution_time(device)), true};
    };
    try {
        if (!socket_) {
            socket_.emplace();
        }
        rtmsg header{};
        header.rtm_family = AF_INET;
        header.rtm_dst_len = 32;
        netlink::Request request(RTM_GETROUTE, 0, header);
        request.add_address(RTA_DST, address);
        const auto route = socket_->get(request);
        if (!route) {
            return Route{std::nullopt, true}; // no route: nothing is sent
        }
        const auto found = route->header<rtmsg>();
        const auto attributes = route->attributes(sizeof(rtmsg));
        if (!found || found->rtm_type != RTN_UNICAST) {
            // This machine's own address, a broadcast address...: the rest of its /24 may well
            // be on the link all the same.
            return Route{std::nullopt, false};
        }
        if (attributes.find(RTA_GATEWAY)) {
            return Route{std::nullopt, true};
        }
        return on_link(static_cast<int>(attributes.u32(RTA_OIF).value_or(0)));
    } catch (const PlatformError&) {
        return on_link(0);
    }
}

} // namespace zelvoro::platform
