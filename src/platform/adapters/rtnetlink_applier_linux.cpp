// Addresses and default routes of one device, set directly through rtnetlink.
#include "platform/adapters/device_applier_linux.h"
#include "platform/linux/netlink_route_linux.h"

#include <algorithm>
#include <cerrno>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace zelvoro::platform {

namespace {

struct AssignedAddress {
    Ipv4Address local;
    Ipv4Address peer; // IFA_ADDRESS: the local address again, unless point-to-point
    unsigned char prefix_length = 0;
};

// A default route of the main table as the kernel lists it, with what identifies it when it
// is deleted again.
struct DefaultRoute {
    unsigned char tos = 0;
    unsigned char protocol = 0;
    unsigned char flags = 0;
    std::uint32_t priority = 0;
    std::optional<Ipv4Address> gateway;
};

Ipv4Address broadcast_of(const InterfaceAddress& address) {
    Ipv4Address broadcast = address.address;
    for (int bit = address.prefix_length; bit < 32; ++bit) {
        broadcast.octets[bit / 8] |= static_cast<std::uint8_t>(0x80u >> (bit % 8));
    }
    return broadcast;
}

netlink::Request new_address_request(int link_index, const InterfaceAddress& address) {
    const ifaddrmsg header{AF_INET, static_cast<unsigned char>(address.prefix_length),
                           IFA_F_PERMANENT, RT_SCOPE_UNIVERSE, static_cast<unsigned>(link_index)};
    netlink::Request request(RTM_NEWADDR, NLM_F_CREATE | NLM_F_REPLACE, header);
    request.add_address(IFA_LOCAL, address.address);
    request.add_address(IFA_ADDRESS, address.address);
    if (address.prefix_length <= longest_prefix_with_broadcast) {
        request.add_address(IFA_BROADCAST, broadcast_of(address));
    }
    return request;
}

netlink::Request delete_address_request(int link_index, const AssignedAddress& address) {
    const ifaddrmsg header{AF_INET, address.prefix_length, 0, 0, static_cast<unsigned>(link_index)};
    netlink::Request request(RTM_DELADDR, 0, header);
    request.add_address(IFA_LOCAL, address.local);
    request.add_address(IFA_ADDRESS, address.peer);
    return request;
}

netlink::Request new_route_request(int link_index, const DefaultGateway& gateway) {
    const rtmsg header{AF_INET,           0,           0, 0, RT_TABLE_MAIN, RTPROT_STATIC,
                       RT_SCOPE_UNIVERSE, RTN_UNICAST, 0};
    // Appended after the routes with the same metric, so that another device's default route
    // through the same gateway stays beside this one.
    netlink::Request request(RTM_NEWROUTE, NLM_F_CREATE | NLM_F_APPEND, header);
    request.add_address(RTA_GATEWAY, gateway.gateway);
    request.add_u32(RTA_OIF, static_cast<std::uint32_t>(link_index));
    request.add_u32(RTA_PRIORITY, gateway.metric);
    return request;
}

netlink::Request delete_route_request(int link_index, const DefaultRoute& route) {
    // RT_SCOPE_NOWHERE matches a route of any scope.
    const rtmsg header{
        AF_INET,          0,           0,          route.tos, RT_TABLE_MAIN, route.protocol,
        RT_SCOPE_NOWHERE, RTN_UNICAST, route.flags};
    netlink::Request request(RTM_DELROUTE, 0, header);
    request.add_u32(RTA_TABLE, RT_TABLE_MAIN);
    request.add_u32(RTA_OIF, static_cast<std::uint32_t>(link_index));
    request.add_u32(RTA_PRIORITY, route.priority);
    if (route.gateway) {
        request.add_address(RTA_GATEWAY, *route.gateway);
    }
    return request;
}

std::vector<AssignedAddress> assigned_addresses(netlink::RouteSocket& socket, int link_index) {
    const ifaddrmsg query{AF_INET, 0, 0, 0, 0};
    std::vector<AssignedAddress> found;
    for (const auto& reply : socket.dump(netlink::Request(RTM_GETADDR, 0, query))) {
        const auto header = reply.header<ifaddrmsg>();
        if (reply.type() != RTM_NEWADDR || !header || header->ifa_family != AF_INET ||
            header->ifa_index != static_cast<unsigned>(link_index)) {
            continue;
        }
        const auto attributes = reply.attributes(sizeof(ifaddrmsg));
        // IFA_LOCAL is missing only where it would equal IFA_ADDRESS.
        const auto peer = attributes.address(IFA_ADDRESS);
        const auto local = attributes.address(IFA_LOCAL);
        if (peer) {
            found.push_back({local.value_or(*peer), *peer, header->ifa_prefixlen});
        }
    }
    return found;
}

std::vector<DefaultRoute> default_routes(netlink::RouteSocket& socket, int link_index) {
    const rtmsg query{AF_INET, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<DefaultRoute> found;
    for (const auto& reply : socket.dump(netlink::Request(RTM_GETROUTE, 0, query))) {
        const auto header = reply.header<rtmsg>();
        if (reply.type() != RTM_NEWROUTE || !header || header->rtm_family != AF_INET ||
            header->rtm_dst_len != 0 || header->rtm_type != RTN_UNICAST) {
            continue;
        }
        const auto attributes = reply.attributes(sizeof(rtmsg));
        if (attributes.u32(RTA_TABLE).value_or(header->rtm_table) != RT_TABLE_MAIN ||
            attributes.u32(RTA_OIF) != static_cast<std::uint32_t>(link_index)) {
            continue; // also multipath routes, which name their devices per next hop
        }
        found.push_back({header->rtm_tos, header->rtm_protocol,
                         static_cast<unsigned char>(header->rtm_flags & RTNH_F_ONLINK),
                         attributes.u32(RTA_PRIORITY).value_or(0),
                         attributes.address(RTA_GATEWAY)});
    }
    return found;
}

bool is_requested(const AssignedAddress& old, const std::vector<InterfaceAddress>& addresses) {
    return old.local == old.peer &&
           std::any_of(addresses.begin(), addresses.end(), [&](const InterfaceAddress& address) {
               return address.address == old.local && address.prefix_length == old.prefix_length;
           });
}

bool is_requested(const DefaultRoute& old, const std::vector<DefaultGateway>& gateways) {
    return old.protocol == RTPROT_STATIC && old.tos == 0 && old.flags == 0 && old.gateway &&
           std::any_of(gateways.begin(), gateways.end(), [&](const DefaultGateway& gateway) {
               return gateway.gateway == *old.gateway && gateway.metric == old.priority;
           });
}

// A route the kernel refuses for its gateway: one outside every subnet of the device
// (ENETUNREACH) or one of this machine's own addresses (EINVAL).
int route_result_of_errno(int error) {
    if (error == ENETUNREACH || error == EINVAL) {
        return adapter_result::invalid_gateway;
    }
    return adapter_result_of_errno(error);
}

class RtnetlinkApplier final : public DeviceApplier {
public:
    RtnetlinkApplier(int link_index, std::shared_ptr<DnsServerSetter> dns)
        : link_index_(link_index), dns_(std::move(dns)) {}

    // The old addresses go first: a new address beside an old one of the same subnet would
    // become its secondary and be deleted with it.
    int replace_addresses(const std::vector<InterfaceAddress>& addresses) override {
        netlink::RouteSocket socket;
        for (const AssignedAddress& old : assigned_addresses(socket, link_index_)) {
            if (is_requested(old, addresses)) {
                continue;
            }
            const int error = socket.change(delete_address_request(link_index_, old));
            if (error != 0 && error != EADDRNOTAVAIL) {
                return adapter_result_of_errno(error);
            }
        }
        for (const InterfaceAddress& address : addresses) {
            if (const int error = socket.change(new_address_request(link_index_, address))) {
                return adapter_result_of_errno(error);
            }
        }
        return adapter_result::success;
    }

    // The new routes go first, so that a gateway the kernel refuses leaves the device's default
    // routes as they are. After new addresses none of which the device had before (a new
    // address on another subnet, say) there are none left: replace_addresses deleted the old
    // addresses first, and the kernel dropped every route of the device with the last of them.
    // A refused gateway then leaves the device without a default route.
    int replace_default_routes(const std::vector<DefaultGateway>& gateways) override {
        netlink::RouteSocket socket;
        for (const DefaultGateway& gateway : gateways) {
            const int error = socket.change(new_route_request(link_index_, gateway));
            if (error != 0 && error != EEXIST) {
                return route_result_of_errno(error);
            }
        }
        for (const DefaultRoute& old : default_routes(socket, link_index_)) {
            if (is_requested(old, gateways)) {
                continue;
            }
            const int error = socket.change(delete_route_request(link_index_, old));
            if (error != 0 && error != ESRCH) {
                return adapter_result_of_errno(error);
            }
        }
        return adapter_result::success;
    }

    int replace_dns_servers(const std::vector<Ipv4Address>& servers) override {
        return dns_->replace(link_index_, servers);
    }

private:
    int link_index_;
    std::shared_ptr<DnsServerSetter> dns_;
};

} // namespace

int adapter_result_of_errno(int error) {
    if (error == 0) {
        return adapter_result::success;
    }
    return error == EPERM || error == EACCES ? adapter_result::access_denied
                                             : adapter_result::other_failure;
}

std::unique_ptr<DeviceApplier> make_rtnetlink_applier(int link_index,
                                                      std::shared_ptr<DnsServerSetter> dns) {
    return std::make_unique<RtnetlinkApplier>(link_index, std::move(dns));
}

} // namespace zelvoro::platform
