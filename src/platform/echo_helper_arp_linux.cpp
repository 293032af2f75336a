// ARP presence requests through the echo helper, for a process that may not open a packet
// socket: the helper's answer read line by line as it streams in, every wait bounded.
#include "platform/echo_helper_linux.h"
#include "platform/linux/helper_process_linux.h"

#include <array>
#include <cerrno>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

using Outcome = ArpThroughHelper::Outcome;

ArpThroughHelper failed(std::string why) {
    return {Outcome::failed, std::move(why)};
}

// Why a helper that gave no end line gave none, from its exit status.
std::string why_no_end(std::optional<int> status) {
    if (!status) {
        return "it ended without its end line, killed or late";
    }
    switch (*status) {
    case echo_helper::exit_refused:
        return "it refused the request";
    case echo_helper::exit_not_permitted:
        return "it may not open a packet socket (it needs cap_net_raw)";
    case echo_helper::exit_not_on_link:
        return "the range is on no link of this machine";
    default:
        return "it ended without its end line (exit " + std::to_string(*status) + ")";
    }
}

} // namespace

ArpThroughHelper arp_through_helper(const std::filesystem::path& helper,
                                    const echo_helper::Range& range,
                                    std::chrono::milliseconds window,
                                    std::chrono::milliseconds margin, int stop,
                                    const std::function<void(const Neighbour&)>& proven) {
    if (window.count() < 0 || window > echo_helper::max_arp_window) {
        return failed("no window the helper would take");
    }
    const auto deadline = HelperClock::now() + window + margin;
    const std::array<std::string_view, 1> arguments{echo_helper::arp_argument};
    auto run = start_helper(helper, arguments, echo_helper::request_line(range, window));
    if (!run) {
        return failed("it cannot be started");
    }
    echo_helper::ArpAnswerReader reader(range);
    std::array<char, 4096> chunk{};
    for (;;) {
        const HelperWait wait = wait_readable(run->output.get(), deadline, stop);
        if (wait == HelperWait::stopped) {
            return {Outcome::stopped, {}};
        }
        if (wait == HelperWait::late) {
            return failed("no end of its answer within " +
                          std::to_string((window + margin).count()) + " ms");
        }
        const ssize_t size = ::read(run->output.get(), chunk.data(), chunk.size());
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size <= 0) {
            break;
        }
        for (const Neighbour& proof :
             reader.feed(std::string_view(chunk.data(), static_cast<std::size_t>(size)))) {
            proven(proof);
        }
        if (reader.state() == echo_helper::ArpAnswerReader::State::malformed) {
            return failed("its answer is malformed: " + reader.fault());
        }
    }
    const auto status = run->child.exit_status(deadline);
    if (reader.state() != echo_helper::ArpAnswerReader::State::ended) {
        return failed(why_no_end(status));
    }
    if (status != echo_helper::exit_done) {
        return failed("it did not exit as done after its end line");
    }
    return {Outcome::ended, {}};
}

} // namespace zelvoro::platform
