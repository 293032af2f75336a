#include "platform/adapters/rtnetlink_messages_linux.h"

#include <algorithm>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace zelvoro::platform::rtnetlink {

namespace {

Ipv4Address broadcast_of(const InterfaceAddress& address) {
    Ipv4Address broadcast = address.address;
    for (int bit = address.prefix_length; bit < 32; ++bit) {
        broadcast.octets[bit / 8] |= static_cast<std::uint8_t>(0x80u >> (bit % 8));
    }
    return broadcast;
}

std::optional<AssignedAddress> assigned_address(const netlink::Reply& reply, int link_index) {
    const auto header = reply.header<ifaddrmsg>();
    if (reply.type() != RTM_NEWADDR || !header || header->ifa_family != AF_INET ||
        header->ifa_index != static_cast<unsigned>(link_index)) {
        return std::nullopt;
    }
    const auto attributes = reply.attributes(sizeof(ifaddrmsg));
    // IFA_LOCAL is missing only where it would equal IFA_ADDRESS.
    const auto peer = attributes.address(IFA_ADDRESS);
    const auto local = attributes.address(IFA_LOCAL);
    if (!peer) {
        return std::nullopt;
    }
    return AssignedAddress{local.value_or(*peer), *peer, header->ifa_prefixlen};
}

std::optional<DefaultRoute> default_route(const netlink::Reply& reply, int link_index) {
    const auto header = reply.header<rtmsg>();
    if (reply.type() != RTM_NEWROUTE || !header || header->rtm_family != AF_INET ||
        header->rtm_dst_len != 0 || header->rtm_type != RTN_UNICAST) {
        return std::nullopt;
    }
    const auto attributes = reply.attributes(sizeof(rtmsg));
    if (attributes.u32(RTA_TABLE).value_or(header->rtm_table) != RT_TABLE_MAIN ||
        attributes.u32(RTA_OIF) != static_cast<std::uint32_t>(link_index)) {
        return std::nullopt; // also multipath routes, which name their devices per next hop
    }
    return DefaultRoute{header->rtm_tos, header->rtm_protocol,
                        static_cast<unsigned char>(header->rtm_flags & RTNH_F_ONLINK),
                        attributes.u32(RTA_PRIORITY).value_or(0), attributes.address(RTA_GATEWAY)};
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

} // namespace

netlink::Request address_dump_request() {
    const ifaddrmsg query{AF_INET, 0, 0, 0, 0};
    return netlink::Request(RTM_GETADDR, 0, query);
}

netlink::Request route_dump_request() {
    const rtmsg query{AF_INET, 0, 0, 0, 0, 0, 0, 0, 0};
    return netlink::Request(RTM_GETROUTE, 0, query);
}

std::vector<AssignedAddress> addresses_to_delete(std::span<const netlink::Reply> replies,
                                                 int link_index,
                                                 const std::vector<InterfaceAddress>& addresses) {
    std::vector<AssignedAddress> found;
    for (const netlink::Reply& reply : replies) {
        const auto old = assigned_address(reply, link_index);
        if (old && !is_requested(*old, addresses)) {
            found.push_back(*old);
        }
    }
    return found;
}

std::vector<DefaultRoute> routes_to_delete(std::span<const netlink::Reply> replies, int link_index,
                                           const std::vector<DefaultGateway>& gateways) {
    std::vector<DefaultRoute> found;
    for (const netlink::Reply& reply : replies) {
        const auto old = default_route(reply, link_index);
        if (old && !is_requested(*old, gateways)) {
            found.push_back(*old);
        }
    }
    return found;
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

std::string address_text(const InterfaceAddress& address) {
    return to_dotted_quad(address.address) + "/" + std::to_string(address.prefix_length);
}

std::string address_text(const AssignedAddress& address) {
    return to_dotted_quad(address.local) + "/" + std::to_string(address.prefix_length) +
           (address.peer == address.local ? "" : " peer " + to_dotted_quad(address.peer));
}

std::string route_text(const DefaultGateway& gateway) {
    return "via " + to_dotted_quad(gateway.gateway) + " metric " + std::to_string(gateway.metric);
}

std::string route_text(const DefaultRoute& route) {
    return (route.gateway ? "via " + to_dotted_quad(*route.gateway)
                          : std::string("without gateway")) +
           " metric " + std::to_string(route.priority);
}

} // namespace zelvoro::platform::rtnetlink
