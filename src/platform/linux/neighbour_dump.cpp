#include "platform/linux/neighbour_dump.h"

#include <algorithm>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <sys/socket.h>

namespace zelvoro::platform::netlink {

namespace {

std::optional<MacAddress> mac_of(const Attributes& attributes) {
    const auto value = attributes.find(NDA_LLADDR);
    if (!value || value->size() != MacAddress().size()) {
        return std::nullopt;
    }
    MacAddress mac{};
    std::transform(value->begin(), value->end(), mac.begin(),
                   [](std::byte byte) { return std::to_integer<std::uint8_t>(byte); });
    return mac;
}

} // namespace

Request neighbour_dump_request() {
    ndmsg header{};
    header.ndm_family = AF_INET;
    return Request(RTM_GETNEIGH, 0, header);
}

std::optional<Neighbour> reachable_neighbour(const Reply& message) {
    const auto entry = message.header<ndmsg>();
    if (message.type() != RTM_NEWNEIGH || !entry || entry->ndm_family != AF_INET ||
        (entry->ndm_state & NUD_REACHABLE) == 0) {
        return std::nullopt;
    }
    const auto attributes = message.attributes(sizeof(ndmsg));
    const auto destination = attributes.address(NDA_DST);
    const auto mac = mac_of(attributes);
    if (!destination || !mac) {
        return std::nullopt;
    }
    return Neighbour{*destination, *mac};
}

} // namespace zelvoro::platform::netlink
