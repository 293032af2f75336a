#include "platform/echo_helper_protocol.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

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

// Plain decimal digits, "0" or without a leading zero, at most `longest` of them.
std::optional<std::uint64_t> parse_plain_number(std::string_view text, std::size_t longest) {
    if (text.empty() || text.size() > longest || (text.size() > 1 && text.front() == '0') ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "xx:xx:xx:xx:xx:xx" in lower case, as mac_text writes it.
std::optional<MacAddress> parse_mac(std::string_view text) {
    MacAddress mac{};
    if (text.size() != mac.size() * 3 - 1) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < mac.size(); ++index) {
        const int high = hex_digit(text[index * 3]);
        const int low = hex_digit(text[index * 3 + 1]);
        if (high < 0 || low < 0 || (index + 1 < mac.size() && text[index * 3 + 2] != ':')) {
            return std::nullopt;
        }
        mac[index] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

bool in_range(const Range& range, const Ipv4Address& address) {
    return same_segment(range.start, address) && address.octets[3] >= range.start.octets[3] &&
           address.octets[3] <= range.end_octet;
}

// Digits enough for any time an answer can take, in microseconds.
constexpr std::size_t longest_time_digits = 12;

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
    const auto value = parse_plain_number(text, 9);
    if (!value || *value == 0 || *value > static_cast<std::uint64_t>(max_timeout.count())) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(*value);
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

std::optional<std::chrono::milliseconds> parse_arp_window(std::string_view text) {
    const auto value = parse_plain_number(text, 9);
    if (!value || *value > static_cast<std::uint64_t>(max_arp_window.count())) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(*value);
}

std::string arp_proof_line(const Neighbour& proof, std::chrono::microseconds since_first_round) {
    return to_dotted_quad(proof.address) + ' ' + mac_text(proof.mac) + ' ' +
           std::to_string(std::max<std::int64_t>(since_first_round.count(), 0)) + '\n';
}

std::vector<Neighbour> ArpAnswerReader::feed(std::string_view bytes) {
    std::vector<Neighbour> proven;
    while (state_ != State::malformed && !bytes.empty()) {
        if (state_ == State::ended) {
            refuse("bytes after the end line");
            break;
        }
        const auto end = bytes.find('\n');
        partial_.append(bytes.substr(0, end));
        if (partial_.size() >= max_arp_line_bytes) {
            refuse("a line longer than " + std::to_string(max_arp_line_bytes - 1) + " bytes");
            break;
        }
        if (end == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(end + 1);
        const std::string line = std::exchange(partial_, {});
        if (const auto proof = take_line(line)) {
            proven.push_back(*proof);
        }
    }
    return proven;
}

std::optional<Neighbour> ArpAnswerReader::take_line(std::string_view line) {
    if (line == arp_end_line.substr(0, arp_end_line.size() - 1)) {
        state_ = State::ended;
        return std::nullopt;
    }
    const auto words = split(line);
    const auto address = words.size() == 3 ? parse_dotted_quad(words[0]) : std::nullopt;
    const auto mac = words.size() == 3 ? parse_mac(words[1]) : std::nullopt;
    if (!address || !mac || !parse_plain_number(words[2], longest_time_digits)) {
        refuse("not a line of an ARP answer");
        return std::nullopt;
    }
    if (!in_range(range_, *address) ||
        std::find(named_.begin(), named_.end(), *address) != named_.end()) {
        refuse("an address outside the range or named twice: " + to_dotted_quad(*address));
        return std::nullopt;
    }
    named_.push_back(*address);
    return Neighbour{*address, *mac};
}

void ArpAnswerReader::refuse(std::string fault) {
    state_ = State::malformed;
    fault_ = std::move(fault);
    partial_.clear();
}

} // namespace zelvoro::platform::echo_helper
