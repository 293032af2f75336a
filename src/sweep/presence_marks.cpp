#include "sweep/presence_marks.h"

#include <algorithm>
#include <string>

namespace zelvoro::sweep {

PresenceMarks::PresenceMarks(const SweepOutcome& outcome) {
    for (std::size_t index = 0; index < outcome.answering.size(); ++index) {
        items_.emplace(outcome.answering[index].address, Item{false, index, std::nullopt});
    }
    for (std::size_t index = 0; index < outcome.silent.size(); ++index) {
        items_.emplace(outcome.silent[index].address, Item{true, index, std::nullopt});
    }
}

std::vector<ItemMark> PresenceMarks::prove(const platform::Neighbour& proof) {
    const auto found = items_.find(proof.address);
    if (found == items_.end() || found->second.mac) {
        return {};
    }
    Item& item = found->second;
    item.mac = proof.mac;
    if (!item.silent) {
        return {ItemMark{false, item.index, proof.mac, MarkKind::answering}};
    }
    auto& answered = silent_by_mac_[proof.mac];
    answered.push_back(proof.address);
    if (answered.size() <= most_silent_addresses_per_device) {
        return {ItemMark{true, item.index, proof.mac, MarkKind::present}};
    }
    if (answered.size() == most_silent_addresses_per_device + 1) {
        return shared_marks(proof.mac); // the earlier ones change too
    }
    return {ItemMark{true, item.index, proof.mac, MarkKind::shared}};
}

std::vector<ItemMark> PresenceMarks::shared_marks(const platform::MacAddress& mac) const {
    std::vector<ItemMark> marks;
    for (const platform::Ipv4Address& address : silent_by_mac_.at(mac)) {
        marks.push_back(ItemMark{true, items_.at(address).index, mac, MarkKind::shared});
    }
    std::sort(marks.begin(), marks.end(),
              [](const ItemMark& a, const ItemMark& b) { return a.index < b.index; });
    return marks;
}

} // namespace zelvoro::sweep
