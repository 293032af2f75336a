// The script's own clock: it stands still until `settle` lets it run, and the scripted services
// that answer late (neighbours, names) share it, so that their answers come in the order of
// their times.
#pragma once

#include <algorithm>
#include <chrono>

namespace zelvoro::scenario {

class ScriptClock {
public:
    std::chrono::milliseconds now() const { return now_; }
    // Never back.
    void advance_to(std::chrono::milliseconds time) { now_ = std::max(now_, time); }

private:
    std::chrono::milliseconds now_{0};
};

} // namespace zelvoro::scenario
