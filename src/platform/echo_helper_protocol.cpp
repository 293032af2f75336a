#include "platform/echo_helper_protocol.h"

#include <charconv>
#include <cstdint>

namespace zelvoro::platform::echo_helper {

namespace {

constexpr std::string_view answered_word = "answered";
constexpr std::string_view silent_word = "silent";

bool same_segment(const Ipv4Address& a, const Ipv4Address& b) {
    return a.octets[0] == b.octets[0] && a.octets[1] == b.octets[1] && a.octets[2] == b.octets[2];
}

// The words of a line split at every space.
std::vector<std::string_view> split(std::string_view line) {
    std::vector<std::string_view> words;
    for (;;) {
        const auto space = line.find(' ');
        words.push_back(line.substr(0, space));
        if (space == std::string_view::npos) {
            return words;
        }
        line.remove_prefix(space + 1);
    }
}

std::optional<std::chrono::nanoseconds> parse_nanoseconds(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        value > static_cast<std::uint64_t>(std::chrono::nanoseconds::max().count())) {
        return std::nullopt;
    }
    return std::chrono::nanoseconds(static_cast<std::int64_t>(value));
}

struct Verdict {
    bool answered = false;
    std::optional<std::chrono::nanoseconds> round_trip;
};

std::optional<Verdict> parse_verdict(std::string_view line, const Ipv4Address& expected) {
    const auto words = split(line);
    if (words.size() < 2 || parse_dotted_quad(words[0]) != expected) {
        return std::nullopt;
    }
    if (words[1] == silent_word && words.size() == 2) {
        return Verdict{false, std::nullopt};
    }
    if (words[1] != answered_word || words.size() > 3) {
        return std::nullopt;
    }
    if (words.size() == 2) {
        return Verdict{true, std::nullopt};
    }
    const auto round_trip = parse_nanoseconds(words[2]);
    if (!round_trip) {
        return std::nullopt;
    }
    return Verdict{true, round_trip};
}

} // namespace

Ipv4Address Range::address(std::size_t index) const {
    Ipv4Address result = start;
    result.octets[3] = static_cast<std::uint8_t>(start.octets[3] + index);
    return result;
}

std::vector<Range> ranges_of(std::span<const Ipv4Address> addresses) {
    std::vector<Range> ranges;
    for (const Ipv4Address& address : addresses) {
        if (!ranges.empty()) {
            Range& last = ranges.back();
            if (same_segment(last.start, address) && last.end_octet != 255 &&
                address.octets[3] == last.end_octet + 1) {
                last.end_octet = address.octets[3];
                continue;
            }
        }
        ranges.push_back(Range{address, address.octets[3]});
    }
    return ranges;
}

std::string request_line(const Range& range, std::chrono::milliseconds timeout) {
    return to_dotted_quad(range.start) + ' ' + std::to_string(range.end_octet) + ' ' +
           std::to_string(timeout.count()) + '\n';
}

std::vector<std::string_view> request_words(std::string_view line) {
    return split(line);
}

std::optional<std::chrono::milliseconds> parse_timeout(std::string_view text) {
    // Plain decimal digits without a leading zero, short enough for from_chars not to overflow.
    if (text.empty() || text.size() > 9 || text.front() == '0' ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value > max_timeout.count()) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(value);
}

std::string answer_text(const Range& range, const EchoSweepResult& result) {
    std::string text;
    for (std::size_t index = 0; index < range.size(); ++index) {
        text += to_dotted_quad(range.address(index));
        const bool answered = index < result.status.size() && result.status[index] == echo_answered;
        if (!answered) {
            text += ' ';
            text += silent_word;
        } else {
            text += ' ';
            text += answered_word;
            if (index < result.round_trip.size()) {
                text += ' ' + std::to_string(result.round_trip[index].count());
            }
        }
        text += '\n';
    }
    return text;
}

std::optional<EchoSweepResult> parse_answer(std::string_view text, const Range& range) {
    EchoSweepResult result;
    std::size_t timed = 0;
    std::size_t answered = 0;
    for (std::size_t index = 0; index < range.size(); ++index) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const auto verdict = parse_verdict(text.substr(0, end), range.address(index));
        if (!verdict) {
            return std::nullopt;
        }
        text.remove_prefix(end + 1);
        result.status.push_back(verdict->answered ? echo_answered : echo_timed_out);
        result.round_trip.push_back(verdict->round_trip.value_or(std::chrono::nanoseconds(0)));
        answered += verdict->answered ? 1 : 0;
        timed += verdict->round_trip ? 1 : 0;
    }
    if (!text.empty() || (timed != 0 && timed != answered)) {
        return std::nullopt;
    }
    if (timed == 0) {
        result.round_trip.clear(); // the engine measured none
    }
    return result;
}

} // namespace zelvoro::platform::echo_helper
