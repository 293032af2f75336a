#include "sweep/sweep_plan.h"

#include <utility>

namespace zelvoro::sweep {

std::vector<SweepTarget> plan_sweep(std::string_view prefix, int start_octet, int end_octet) {
    std::vector<SweepTarget> targets;
    for (int counter = start_octet; counter <= end_octet; ++counter) {
        std::string text(prefix);
        text += std::to_string(counter);
        auto address = platform::parse_dotted_quad(text);
        targets.push_back(SweepTarget{std::move(text), address});
    }
    return targets;
}

std::vector<platform::Ipv4Address> target_addresses(std::span<const SweepTarget> targets) {
    std::vector<platform::Ipv4Address> addresses;
    for (const SweepTarget& target : targets) {
        if (target.address) {
            addresses.push_back(*target.address);
        }
    }
    return addresses;
}

SweepOutcome run_sweep(platform::EchoService& echo, std::span<const SweepTarget> targets,
                       std::chrono::milliseconds timeout) {
    const auto result = echo.echo_all(target_addresses(targets), timeout);
    SweepOutcome outcome;
    if (!result.permitted) {
        outcome.permitted = false;
        return outcome;
    }
    std::size_t request = 0;
    for (const SweepTarget& target : targets) {
        if (!target.address) {
            continue;
        }
        SweepVerdict verdict{target.text, *target.address, std::nullopt};
        const bool answered =
            request < result.status.size() && result.status[request] == platform::echo_answered;
        if (answered && request < result.round_trip.size()) {
            verdict.round_trip = result.round_trip[request];
        }
        (answered ? outcome.answering : outcome.silent).push_back(std::move(verdict));
        ++request;
    }
    return outcome;
}

} // namespace zelvoro::sweep
