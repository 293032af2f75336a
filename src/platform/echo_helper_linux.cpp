// Echo sweeps through the echo helper (platform/linux/helper_process_linux.h runs it).
#include "platform/echo_helper_linux.h"

#include "platform/echo_helper_protocol.h"
#include "platform/linux/helper_process_linux.h"

#include <array>
#include <cerrno>
#include <string>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

// A whole /24 answers in about 12 KiB; more is no answer of the helper's.
constexpr std::size_t max_answer_bytes = 64 * 1024;

// Reads to the end of the pipe; nothing when the deadline passes first or it holds too much.
std::optional<std::string> read_answer(int fd, HelperClock::time_point deadline) {
    std::string answer;
    std::array<char, 4096> chunk{};
    for (;;) {
        if (wait_readable(fd, deadline) != HelperWait::readable) {
            return std::nullopt;
        }
        const ssize_t size = ::read(fd, chunk.data(), chunk.size());
        if (size == 0) {
            return answer;
        }
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        answer.append(chunk.data(), static_cast<std::size_t>(size));
        if (answer.size() > max_answer_bytes) {
            return std::nullopt;
        }
    }
}

std::optional<EchoSweepResult> run_helper(const std::filesystem::path& helper,
                                          const echo_helper::Range& range,
                                          std::chrono::milliseconds timeout,
                                          std::chrono::milliseconds margin) {
    const auto deadline = HelperClock::now() + timeout + margin;
    auto run = start_helper(helper, {}, echo_helper::request_line(range, timeout));
    if (!run) {
        return std::nullopt;
    }
    const auto text = read_answer(run->output.get(), deadline);
    if (!text || run->child.exit_status(deadline) != echo_helper::exit_done) {
        return std::nullopt;
    }
    return echo_helper::parse_answer(*text, range);
}

} // namespace

std::optional<std::filesystem::path> echo_helper_beside_this_program() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return (program.parent_path() / echo_helper::relative_path).lexically_normal();
}

EchoSweepResult echo_through_helper(const std::filesystem::path& helper,
                                    std::span<const Ipv4Address> addresses,
                                    std::chrono::milliseconds timeout,
                                    std::chrono::milliseconds margin) {
    EchoSweepResult result;
    if (timeout.count() <= 0 || timeout > echo_helper::max_timeout) {
        return echo_not_permitted(addresses.size()); // no request the helper would take
    }
    bool measured = false; // a run without an answer tells no round trips either way
    for (const echo_helper::Range& range : echo_helper::ranges_of(addresses)) {
        auto part = run_helper(helper, range, timeout, margin);
        if (!part) {
            return echo_not_permitted(addresses.size());
        }
        measured = measured || !part->round_trip.empty();
        part->round_trip.resize(part->status.size());
        result.status.insert(result.status.end(), part->status.begin(), part->status.end());
        result.round_trip.insert(result.round_trip.end(), part->round_trip.begin(),
                                 part->round_trip.end());
    }
    if (!measured) {
        result.round_trip.clear();
    }
    return result;
}

EchoSweepResult echo_through_helper(std::span<const Ipv4Address> addresses,
                                    std::chrono::milliseconds timeout) {
    const auto helper = echo_helper_beside_this_program();
    if (!helper) {
        return echo_not_permitted(addresses.size());
    }
    return echo_through_helper(*helper, addresses, timeout, echo_helper_margin);
}

} // namespace zelvoro::platform
