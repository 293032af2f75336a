#include "platform/neighbour_dump.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <sys/socket.h>

namespace zelvoro::platform::netlink {

namespace {

using Bytes = std::span<const std::uint8_t>;

// The states whose link-layer address came from the device's own answer.
constexpr std::uint16_t resolved_states = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE;

template <typename T> std::optional<T> read_as(Bytes bytes) {
    if (bytes.size() < sizeof(T)) {
        return std::nullopt;
    }
    T value{};
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

template <std::size_t size> std::optional<std::array<std::uint8_t, size>> exactly(Bytes bytes) {
    if (bytes.size() != size) {
        return std::nullopt;
    }
    std::array<std::uint8_t, size> value{};
    std::copy(bytes.begin(), bytes.end(), value.begin());
    return value;
}

struct EntryAttributes {
    std::optional<std::array<std::uint8_t, 4>> destination;
    std::optional<MacAddress> mac;
    std::optional<std::uint32_t> confirmed_ticks;
};

void read_attribute(std::uint16_t type, Bytes payload, EntryAttributes& entry) {
    switch (type) {
    case NDA_DST:
        entry.destination = exactly<4>(payload);
        break;
    case NDA_LLADDR:
        entry.mac = exactly<6>(payload);
        break;
    case NDA_CACHEINFO:
        if (const auto info = read_as<nda_cacheinfo>(payload)) {
            entry.confirmed_ticks = info->ndm_confirmed;
        }
        break;
    default:
        break;
    }
}

// The attributes after the ndmsg; reading stops at one that overruns the message.
EntryAttributes read_attributes(Bytes bytes) {
    EntryAttributes entry;
    while (const auto header = read_as<rtattr>(bytes)) {
        if (header->rta_len < RTA_LENGTH(0) || header->rta_len > bytes.size()) {
            break;
        }
        read_attribute(header->rta_type,
                       bytes.subspan(RTA_LENGTH(0), header->rta_len - RTA_LENGTH(0)), entry);
        bytes = bytes.subspan(std::min<std::size_t>(RTA_ALIGN(header->rta_len), bytes.size()));
    }
    return entry;
}

std::optional<NeighbourSighting> sighting_of(Bytes message, std::chrono::microseconds tick) {
    const auto entry = read_as<ndmsg>(message);
    if (!entry || entry->ndm_family != AF_INET || (entry->ndm_state & resolved_states) == 0) {
        return std::nullopt;
    }
    const auto attributes = read_attributes(message.subspan(NLMSG_ALIGN(sizeof(ndmsg))));
    if (!attributes.destination || !attributes.mac || !attributes.confirmed_ticks) {
        return std::nullopt;
    }
    return NeighbourSighting{Ipv4Address{*attributes.destination}, *attributes.mac,
                             least_confirmed_age(*attributes.confirmed_ticks, tick)};
}

} // namespace

std::chrono::milliseconds least_confirmed_age(std::uint32_t ticks, std::chrono::microseconds tick) {
    const std::int64_t whole_ticks_passed = std::max<std::int64_t>(std::int64_t{ticks} - 1, 0);
    return std::chrono::floor<std::chrono::milliseconds>(whole_ticks_passed * tick);
}

std::vector<std::uint8_t> neighbour_dump_request(std::uint32_t sequence) {
    nlmsghdr header{};
    header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    header.nlmsg_type = RTM_GETNEIGH;
    header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    header.nlmsg_seq = sequence;
    ndmsg body{};
    body.ndm_family = AF_INET;
    std::vector<std::uint8_t> request(header.nlmsg_len);
    std::memcpy(request.data(), &header, sizeof header);
    std::memcpy(request.data() + NLMSG_HDRLEN, &body, sizeof body);
    return request;
}

DumpProgress read_neighbour_dump(std::span<const std::uint8_t> datagram, std::uint32_t sequence,
                                 std::chrono::microseconds tick,
                                 std::vector<NeighbourSighting>& sightings) {
    while (const auto header = read_as<nlmsghdr>(datagram)) {
        if (header->nlmsg_len < NLMSG_HDRLEN || header->nlmsg_len > datagram.size()) {
            return DumpProgress::failed;
        }
        if (header->nlmsg_seq == sequence) {
            if (header->nlmsg_type == NLMSG_DONE) {
                return DumpProgress::done;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                return DumpProgress::failed;
            }
            const Bytes message = datagram.subspan(NLMSG_HDRLEN, header->nlmsg_len - NLMSG_HDRLEN);
            if (header->nlmsg_type == RTM_NEWNEIGH) {
                if (const auto sighting = sighting_of(message, tick)) {
                    sightings.push_back(*sighting);
                }
            }
        }
        datagram = datagram.subspan(
            std::min<std::size_t>(NLMSG_ALIGN(header->nlmsg_len), datagram.size()));
    }
    return DumpProgress::more;
}

} // namespace zelvoro::platform::netlink
