// The echo service of a scenario: a fake in which only chosen addresses answer (measuring round
// trips once any is given: the others answer at once), a fake in which no echo socket can be
// opened, or the real one; each request optionally traced.
#pragma once

#include "platform/echo.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace zelvoro::scenario {

class ScriptedEcho final : public platform::EchoService {
public:
    using Sink = std::function<void(const std::string& line)>;

    explicit ScriptedEcho(Sink sink) : sink_(std::move(sink)) {}

    void answer_only(std::set<platform::Ipv4Address> answering,
                     std::map<platform::Ipv4Address, std::chrono::nanoseconds> round_trips = {});
    void deny();
    void use_real();
    void set_trace(bool on) { trace_ = on; }

    platform::EchoSweepResult echo_all(std::span<const platform::Ipv4Address> addresses,
                                       std::chrono::milliseconds timeout) override;

private:
    enum class Mode { fake, denied, real };

    platform::EchoSweepResult fake_echo(std::span<const platform::Ipv4Address> addresses) const;

    Sink sink_;
    Mode mode_ = Mode::fake;
    std::set<platform::Ipv4Address> answering_;
    std::map<platform::Ipv4Address, std::chrono::nanoseconds> round_trips_;
    std::unique_ptr<platform::EchoService> real_;
    bool trace_ = false;
};

} // namespace zelvoro::scenario
