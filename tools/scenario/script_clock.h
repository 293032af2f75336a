// The script's own clock: it stands still until `settle` lets it run, and the scripted services
// that answer late (neighbours, names) share it, so that their answers come in the order of
// their times.
#pragma once

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

namespace zelvoro::scenario {

class ScriptClock {
public:
    std::chrono::milliseconds now() const { return now_; }
    // Never back.
    void advance_to(std::chrono::milliseconds time) { now_ = std::max(now_, time); }

private:
    std::chrono::milliseconds now_{0};
};

// The earliest time at which one of `owing` (watches or lookups with answers still to hand over)
// is due, if any is.
template <class Owing>
std::optional<std::chrono::milliseconds> earliest_due(const std::vector<Owing*>& owing) {
    std::optional<std::chrono::milliseconds> earliest;
    for (const Owing* one : owing) {
        earliest = std::min(earliest.value_or(one->next_due()), one->next_due());
    }
    return earliest;
}

// Moves `clock` on to the earliest of `owing` and lets it hand over its next answer; false when
// nothing is owed.
template <class Owing>
bool hand_over_earliest(ScriptClock& clock, const std::vector<Owing*>& owing) {
    const auto next = std::min_element(owing.begin(), owing.end(), [](auto* a, auto* b) {
        return a->next_due() < b->next_due();
    });
    if (next == owing.end()) {
        return false;
    }
    clock.advance_to((*next)->next_due());
    (*next)->hand_over_next();
    return true;
}

} // namespace zelvoro::scenario
