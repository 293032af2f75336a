// The verdicts of a sweep of 192.0.2.0/24 (TEST-NET-1), one per end octet, for tests that build
// a sweep's lists by hand.
#pragma once

#include "sweep/sweep_plan.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zelvoro::test_support {

inline std::vector<sweep::SweepVerdict>
test_net_verdicts(std::initializer_list<std::uint8_t> ends) {
    std::vector<sweep::SweepVerdict> verdicts;
    for (const std::uint8_t end : ends) {
        verdicts.push_back({"192.0.2." + std::to_string(end), {{192, 0, 2, end}}, std::nullopt});
    }
    return verdicts;
}

} // namespace zelvoro::test_support
