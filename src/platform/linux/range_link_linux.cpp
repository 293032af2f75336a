#include "platform/linux/range_link_linux.h"

#include <algorithm>
#include <cstdint>
#include <linux/if_addr.h>
#include <linux/if_arp.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace zelvoro::platform::netlink {

namespace {

// A subnet must have room for more than its own address and one other.
constexpr int longest_shared_prefix = 30;

// How the kernel would send to `address`: through which interface, and whether directly;
// nothing for one of this machine's own addresses or one it cannot reach.
struct Route {
    int interface_index = 0;
    bool direct = false;
};

std::optional<Route> route_to(RouteSocket& socket, const Ipv4Address& address) {
    rtmsg query{};
    query.rtm_family = AF_INET;
    query.rtm_dst_len = 32;
    Request request(RTM_GETROUTE, 0, query);
    request.add_address(RTA_DST, address);
    const Answer answer = socket.ask(request);
    for (const Reply& reply : answer.replies) {
        const auto header = reply.header<rtmsg>();
        const auto attributes = reply.attributes(sizeof(rtmsg));
        const auto interface = attributes.u32(RTA_OIF);
        if (reply.type() != RTM_NEWROUTE || !header || header->rtm_type != RTN_UNICAST ||
            !interface) {
            continue;
        }
        return Route{static_cast<int>(*interface), !attributes.find(RTA_GATEWAY)};
    }
    return std::nullopt;
}

// The route to the first address of `addresses` that is not this machine's own.
template <typename Addresses>
std::optional<Route> first_route(RouteSocket& socket, const Addresses& addresses) {
    for (const Ipv4Address& address : addresses) {
        if (const auto route = route_to(socket, address)) {
            return route;
        }
    }
    return std::nullopt;
}

std::uint32_t as_number(const Ipv4Address& address) {
    std::uint32_t number = 0;
    for (const std::uint8_t octet : address.octets) {
        number = (number << 8) | octet;
    }
    return number;
}

bool same_subnet(const Ipv4Address& a, const Ipv4Address& b, int prefix_length) {
    const std::uint32_t mask = prefix_length == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix_length);
    return (as_number(a) & mask) == (as_number(b) & mask);
}

std::optional<Ipv4Address> own_address_for(RouteSocket& socket, int interface_index,
                                           const Ipv4Address& low, const Ipv4Address& high) {
    const ifaddrmsg query{AF_INET, 0, 0, 0, 0};
    for (const Reply& reply : socket.dump(Request(RTM_GETADDR, 0, query))) {
        const auto header = reply.header<ifaddrmsg>();
        if (reply.type() != RTM_NEWADDR || !header || header->ifa_family != AF_INET ||
            static_cast<int>(header->ifa_index) != interface_index ||
            header->ifa_prefixlen > longest_shared_prefix) {
            continue;
        }
        const auto attributes = reply.attributes(sizeof(ifaddrmsg));
        // IFA_LOCAL is missing only where it would equal IFA_ADDRESS.
        const auto local = attributes.address(IFA_LOCAL).value_or(
            attributes.address(IFA_ADDRESS).value_or(Ipv4Address{}));
        if (same_subnet(local, low, header->ifa_prefixlen) &&
            same_subnet(local, high, header->ifa_prefixlen)) {
            return local;
        }
    }
    return std::nullopt;
}

void read_link(RouteSocket& socket, RangeLink& link) {
    ifinfomsg query{};
    query.ifi_family = AF_UNSPEC;
    query.ifi_index = link.interface_index;
    for (const Reply& reply : socket.ask(Request(RTM_GETLINK, 0, query)).replies) {
        const auto header = reply.header<ifinfomsg>();
        if (reply.type() != RTM_NEWLINK || !header || header->ifi_index != link.interface_index) {
            continue;
        }
        const auto attributes = reply.attributes(sizeof(ifinfomsg));
        link.interface_name = attributes.text(IFLA_IFNAME).value_or("");
        const auto address = attributes.find(IFLA_ADDRESS);
        if (header->ifi_type == ARPHRD_ETHER && address && address->size() == 6) {
            MacAddress mac{};
            std::transform(address->begin(), address->end(), mac.begin(),
                           [](std::byte byte) { return std::to_integer<std::uint8_t>(byte); });
            link.own_mac = mac;
        }
    }
}

} // namespace

std::optional<RangeLink> range_link(RouteSocket& socket, std::span<const Ipv4Address> range) {
    if (range.empty()) {
        return std::nullopt;
    }
    const auto [low, high] = std::minmax_element(range.begin(), range.end());
    std::vector<Ipv4Address> ascending(range.begin(), range.end());
    std::sort(ascending.begin(), ascending.end());
    const auto from_low = first_route(socket, ascending);
    const auto from_high =
        first_route(socket, std::vector<Ipv4Address>(ascending.rbegin(), ascending.rend()));
    if (!from_low || !from_high || !from_low->direct || !from_high->direct ||
        from_low->interface_index != from_high->interface_index) {
        return std::nullopt;
    }
    RangeLink link;
    link.interface_index = from_low->interface_index;
    link.own_address = own_address_for(socket, link.interface_index, *low, *high);
    read_link(socket, link);
    return link;
}

} // namespace zelvoro::platform::netlink
