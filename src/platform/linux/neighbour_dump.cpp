#include "platform/linux/neighbour_dump.h"

#include <algorithm>
#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <sys/socket.h>

namespace zelvoro::platform::netlink {

namespace {

// The states whose link-layer address came from the device's own answer.
constexpr std::uint16_t resolved_states = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE;

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

// The IPv4 entry of an RTM_NEWNEIGH message in one of `states`, with its address and MAC.
std::optional<Neighbour> entry_in(const Reply& reply, std::uint16_t states) {
    const auto entry = reply.header<ndmsg>();
    if (reply.type() != RTM_NEWNEIGH || !entry || entry->ndm_family != AF_INET ||
        (entry->ndm_state & states) == 0) {
        return std::nullopt;
    }
    const auto attributes = reply.attributes(sizeof(ndmsg));
    const auto destination = attributes.address(NDA_DST);
    const auto mac = mac_of(attributes);
    if (!destination || !mac) {
        return std::nullopt;
    }
    return Neighbour{*destination, *mac};
}

std::optional<NeighbourSighting> sighting_of(const Reply& reply, std::chrono::microseconds tick) {
    const auto neighbour = entry_in(reply, resolved_states);
    const auto cache = reply.attributes(sizeof(ndmsg)).plain<nda_cacheinfo>(NDA_CACHEINFO);
    if (!neighbour || !cache) {
        return std::nullopt;
    }
    return NeighbourSighting{neighbour->address, neighbour->mac,
                             least_confirmed_age(cache->ndm_confirmed, tick)};
}

} // namespace

Request neighbour_dump_request() {
    ndmsg header{};
    header.ndm_family = AF_INET;
    return Request(RTM_GETNEIGH, 0, header);
}

std::chrono::milliseconds least_confirmed_age(std::uint32_t ticks, std::chrono::microseconds tick) {
    const std::int64_t whole_ticks_passed = std::max<std::int64_t>(std::int64_t{ticks} - 1, 0);
    return std::chrono::floor<std::chrono::milliseconds>(whole_ticks_passed * tick);
}

std::vector<NeighbourSighting> neighbour_sightings(std::span<const Reply> replies,
                                                   std::chrono::microseconds tick) {
    std::vector<NeighbourSighting> sightings;
    for (const Reply& reply : replies) {
        if (const auto sighting = sighting_of(reply, tick)) {
            sightings.push_back(*sighting);
        }
    }
    return sightings;
}

std::optional<Neighbour> reachable_neighbour(const Reply& message) {
    return entry_in(message, NUD_REACHABLE);
}

} // namespace zelvoro::platform::netlink
