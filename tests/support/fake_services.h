// Stand-ins for the shell and the echo service: nothing is started, nothing goes on the network.
#pragma once

#include "platform/echo.h"
#include "platform/shell.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::fakes {

class FakeShell final : public platform::ShellOpen {
public:
    void open(std::string_view target) override { opened.emplace_back(target); }

    std::vector<std::string> opened;
};

// Answers the addresses `answers` picks; the others time out.
class FakeEcho final : public platform::EchoService {
public:
    platform::EchoSweepResult echo_all(std::span<const platform::Ipv4Address> addresses,
                                       std::chrono::milliseconds /*timeout*/) override {
        platform::EchoSweepResult result;
        for (const platform::Ipv4Address& address : addresses) {
            const bool answered = answers && answers(address);
            result.status.push_back(answered ? platform::echo_answered : platform::echo_timed_out);
        }
        return result;
    }

    std::function<bool(const platform::Ipv4Address&)> answers;
};

} // namespace zelvoro::fakes
