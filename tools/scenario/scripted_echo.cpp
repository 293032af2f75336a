#include "scripted_echo.h"

namespace zelvoro::scenario {

void ScriptedEcho::answer_only(
    std::set<platform::Ipv4Address> answering,
    std::map<platform::Ipv4Address, std::chrono::nanoseconds> round_trips) {
    mode_ = Mode::fake;
    answering_ = std::move(answering);
    round_trips_ = std::move(round_trips);
}

void ScriptedEcho::deny() {
    mode_ = Mode::denied;
}

void ScriptedEcho::use_real() {
    mode_ = Mode::real;
    if (!real_) {
        real_ = platform::make_system_echo_service();
    }
}

platform::EchoSweepResult ScriptedEcho::echo_all(std::span<const platform::Ipv4Address> addresses,
                                                 std::chrono::milliseconds timeout) {
    platform::EchoSweepResult result;
    switch (mode_) {
    case Mode::denied:
        result.permitted = false;
        return result; // nothing was sent, so nothing is traced
    case Mode::real:
        result = real_->echo_all(addresses, timeout);
        break;
    case Mode::fake:
        result = fake_echo(addresses);
        break;
    }
    if (trace_ && result.permitted) {
        for (std::size_t i = 0; i < addresses.size() && i < result.status.size(); ++i) {
            sink_("echo " + platform::to_dotted_quad(addresses[i]) + " -> " +
                  (result.status[i] == platform::echo_answered ? "0" : "timeout"));
        }
    }
    return result;
}

platform::EchoSweepResult
ScriptedEcho::fake_echo(std::span<const platform::Ipv4Address> addresses) const {
    platform::EchoSweepResult result;
    for (const platform::Ipv4Address& address : addresses) {
        const bool answered = answering_.contains(address);
        result.status.push_back(answered ? platform::echo_answered : platform::echo_timed_out);
        if (!round_trips_.empty()) {
            const auto given = round_trips_.find(address);
            result.round_trip.push_back(answered && given != round_trips_.end()
                                            ? given->second
                                            : std::chrono::nanoseconds(0));
        }
    }
    return result;
}

} // namespace zelvoro::scenario
