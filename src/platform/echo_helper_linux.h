// Echo sweeps through the echo helper, zelvoro-echo-helper: the one program that holds
// CAP_NET_RAW, for a user whose group may not open ping sockets. The desktop program itself
// holds no capability (see echo_helper_protocol.h for what is said over the pipes).
#pragma once

#include "platform/echo.h"
#include "platform/echo_helper_protocol.h"
#include "platform/neighbours.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace zelvoro::platform {

// The helper beside the running program (echo_helper::relative_path); nothing when the running
// program's file cannot be told.
std::optional<std::filesystem::path> echo_helper_beside_this_program();

// One run of the helper at `helper` per range of the addresses (echo_helper::ranges_of), one
// after the other, each started with nothing of this process but its standard error and
// ZELVORO_LOG, and killed when it has not ended `margin` after its requests' timeout. Not
// permitted, and nothing kept of the runs before, when the helper is missing, refuses, dies, is
// late, or answers with anything but the lines its request asks for.
EchoSweepResult echo_through_helper(const std::filesystem::path& helper,
                                    std::span<const Ipv4Address> addresses,
                                    std::chrono::milliseconds timeout,
                                    std::chrono::milliseconds margin);

// Room for the helper's start, its sending and a busy machine.
constexpr std::chrono::milliseconds echo_helper_margin{3000};

// Through the helper beside this program, with that margin.
EchoSweepResult echo_through_helper(std::span<const Ipv4Address> addresses,
                                    std::chrono::milliseconds timeout);

// How an ARP presence request through the helper came out.
struct ArpThroughHelper {
    enum class Outcome {
        ended,   // the helper's end line came and it exited as done
        stopped, // `stop` became readable first; the helper was killed
        failed,  // anything else; the helper, where it still ran, was killed
    };
    Outcome outcome = Outcome::failed;
    std::string failure; // why it failed, in one line
};

// Runs the helper at `helper` with an ARP presence request for `range` (replies taken for
// `window`), and hands each device of its answer to `proven` as its line arrives, on the calling
// thread. Returns once the answer has ended, `stop` (a descriptor) is readable, or `margin` after
// the window has passed. A line that is not exactly what the request asks for proves nothing and
// ends the run as failed; what was proven before it stays proven.
ArpThroughHelper arp_through_helper(const std::filesystem::path& helper,
                                    const echo_helper::Range& range,
                                    std::chrono::milliseconds window,
                                    std::chrono::milliseconds margin, int stop,
                                    const std::function<void(const Neighbour&)>& proven);

} // namespace zelvoro::platform
