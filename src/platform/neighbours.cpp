#include "platform/neighbour_sightings.h"

#include <map>

namespace zelvoro::platform {

std::string mac_text(const MacAddress& mac) {
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : mac) {
        if (!text.empty()) {
            text += ':';
        }
        text += digits[byte >> 4];
        text += digits[byte & 0x0f];
    }
    return text;
}

std::vector<Neighbour> sightings_within(std::span<const Ipv4Address> addresses,
                                        std::span<const NeighbourSighting> sightings,
                                        std::chrono::milliseconds within) {
    std::map<Ipv4Address, const NeighbourSighting*> youngest;
    for (const NeighbourSighting& sighting : sightings) {
        const NeighbourSighting*& kept = youngest[sighting.address];
        if (kept == nullptr || sighting.age < kept->age) {
            kept = &sighting;
        }
    }
    std::vector<Neighbour> result;
    for (const Ipv4Address& address : addresses) {
        const auto found = youngest.find(address);
        if (found != youngest.end() && found->second->age < within) {
            result.push_back(Neighbour{address, found->second->mac});
        }
    }
    return result;
}

} // namespace zelvoro::platform
