// zelvoro-sweep START_ADDRESS END_OCTET: one echo request to every address from START_ADDRESS
// up to END_OCTET in the last octet; zelvoro-sweep ADDRESS/LENGTH (a /16 to a /30): one to every
// host address of that network. Prints the answering addresses, a line "--", then the silent
// ones. Exit 2: arguments refused; exit 3: no permission to send ICMP echo requests.
// "--help" prints the usage on standard output and exits 0.
//
// "--sequential" before the arguments sends one request at a time instead and waits for each
// before the next: the benchmark's reference for the one-by-one design.
//
// "--mac" adds a tab and the link-layer address to every address, in either list, whose
// neighbour entry was confirmed during the sweep (see scanner/presence.h), and the time the
// neighbour table took to read to stderr. It takes the START_ADDRESS END_OCTET form only.
//
// With ZELVORO_SWEEP_TIMING set in the environment, a line on stderr tells how long the steps of
// the sweep took.
#include "platform/echo.h"
#include "platform/ipv4_address.h"
#include "platform/neighbours.h"
#include "sweep/presence.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_range.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zelvoro;

constexpr int exit_refused = 2;
constexpr int exit_not_permitted = 3;

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

struct Arguments {
    sweep::SweepRange range;
    platform::Ipv4Address start; // the START_ADDRESS END_OCTET form, which --mac takes
    int end_octet = 0;
    bool sequential = false;
    bool macs = false;
};

// Hands one address at a time to the system engine, each sent only after the previous one was
// answered or timed out.
class SequentialEcho final : public platform::EchoService {
public:
    explicit SequentialEcho(platform::EchoService& engine) : engine_(engine) {}

    platform::EchoSweepResult echo_all(std::span<const platform::Ipv4Address> addresses,
                                       std::chrono::milliseconds timeout) override {
        platform::EchoSweepResult result;
        for (const auto& address : addresses) {
            const auto one = engine_.echo_all(std::span(&address, 1), timeout);
            if (!one.permitted) {
                return one;
            }
            result.status.push_back(one.status.at(0));
        }
        return result;
    }

private:
    platform::EchoService& engine_;
};

std::optional<Arguments> refuse(const std::string& reason) {
    // stdio, not iostreams: their start-up alone would cost a sweep more than half a millisecond.
    std::fprintf(stderr, "zelvoro-sweep: %s\n", reason.c_str());
    return std::nullopt;
}

std::optional<Arguments> parse_network_form(std::string_view word, const Arguments& flags) {
    const auto parsed = sweep::parse_network_range(word);
    if (!parsed.range) {
        const std::string part(parsed.faulty_part);
        return refuse(parsed.fault == sweep::RangeParse::Fault::address
                          ? "not an IPv4 address: \"" + part + "\""
                          : "prefix length is not from 16 to 30: \"" + part + "\"");
    }
    if (flags.macs) {
        return refuse("--mac takes START_ADDRESS END_OCTET only");
    }
    return Arguments{*parsed.range, {}, 0, flags.sequential, false};
}

std::optional<Arguments> parse_arguments(std::vector<std::string_view> words) {
    Arguments flags;
    while (!words.empty() && (words.front() == "--sequential" || words.front() == "--mac")) {
        (words.front() == "--mac" ? flags.macs : flags.sequential) = true;
        words.erase(words.begin());
    }
    if (words.size() == 1 && words[0].find('/') != std::string_view::npos) {
        return parse_network_form(words[0], flags);
    }
    if (words.size() != 2) {
        return refuse("usage: zelvoro-sweep [--sequential] [--mac] START_ADDRESS END_OCTET, or "
                      "[--sequential] ADDRESS/LENGTH");
    }
    const auto start = platform::parse_dotted_quad(words[0]);
    if (!start) {
        return refuse("not an IPv4 address: \"" + std::string(words[0]) + "\"");
    }
    const auto end_octet = platform::parse_plain_decimal(words[1]);
    if (!end_octet) {
        return refuse("end octet is not a decimal number: \"" + std::string(words[1]) + "\"");
    }
    if (*end_octet > 255) {
        return refuse("end octet above 255: " + std::string(words[1]));
    }
    if (*end_octet <= start->octets[3]) {
        return refuse("end octet " + std::string(words[1]) + " is not above the start octet " +
                      std::to_string(start->octets[3]));
    }
    const auto end = static_cast<std::uint8_t>(*end_octet);
    return Arguments{sweep::octet_range(*start, end), *start, end, flags.sequential, flags.macs};
}

std::string prefix_of(const platform::Ipv4Address& start) {
    const std::string text = platform::to_dotted_quad(start);
    return text.substr(0, text.rfind('.') + 1);
}

// One line per item; "\tMAC" after an item that has one.
void add_list(std::string& text, const std::vector<std::string>& items,
              const sweep::ListMacs& macs) {
    for (std::size_t index = 0; index < items.size(); ++index) {
        text += items[index];
        if (index < macs.size() && macs[index]) {
            text += '\t' + platform::mac_text(*macs[index]);
        }
        text += '\n';
    }
}

void print_lists(const sweep::SweepOutcome& outcome, const sweep::SweepMacs& macs) {
    std::string text;
    add_list(text, outcome.answering, macs.answering);
    text += "--\n";
    add_list(text, outcome.silent, macs.silent);
    std::fwrite(text.data(), 1, text.size(), stdout);
}

sweep::SweepMacs read_macs(const sweep::SweepOutcome& outcome,
                             std::chrono::steady_clock::time_point sweep_began) {
    const auto table = platform::make_system_neighbour_table();
    const auto began = std::chrono::steady_clock::now();
    auto macs = sweep::read_sweep_macs(*table, outcome, began - sweep_began);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - began;
    std::fprintf(stderr, "read the neighbour table in %.3f ms\n", took.count());
    return macs;
}

int not_permitted() {
    std::fputs("zelvoro-sweep: no permission to send ICMP echo requests (needs root, "
               "cap_net_raw, or a net.ipv4.ping_group_range that includes the group)\n",
               stderr);
    return exit_not_permitted;
}

// The --mac sweep: the lists as the main window makes them, with the MACs beside them.
int run_with_macs(const Arguments& arguments, platform::EchoService& echo) {
    const auto targets = sweep::plan_sweep(prefix_of(arguments.start), arguments.start.octets[3],
                                           arguments.end_octet);
    const auto began = Clock::now();
    const auto outcome = sweep::run_sweep(echo, targets);
    const Milliseconds took = Clock::now() - began;
    if (!outcome.permitted) {
        return not_permitted();
    }
    print_lists(outcome, read_macs(outcome, began));
    std::fprintf(stderr, "swept %ld addresses in %.1f ms\n",
                 static_cast<long>(arguments.range.count), took.count());
    return 0;
}

// Writes to stdout in pieces of a few KiB, so that a /16 never sits in memory as text, straight
// from a buffer on the stack: fresh heap pages cost more than the formatting.
class Output {
public:
    Output() { std::setvbuf(stdout, nullptr, _IONBF, 0); }
    ~Output() { flush(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void line(const platform::Ipv4Address& address) {
        if (buffer_.size() - used_ < longest_line) {
            flush();
        }
        for (std::size_t index = 0; index < address.octets.size(); ++index) {
            char* const at = buffer_.data() + used_;
            used_ = static_cast<std::size_t>(std::to_chars(at, at + 3, address.octets[index]).ptr -
                                             buffer_.data());
            buffer_[used_++] = index + 1 < address.octets.size() ? '.' : '\n';
        }
    }
    void separator() {
        if (buffer_.size() - used_ < longest_line) {
            flush();
        }
        for (const char c : {'-', '-', '\n'}) {
            buffer_[used_++] = c;
        }
    }
    void flush() {
        std::fwrite(buffer_.data(), 1, used_, stdout);
        used_ = 0;
    }

private:
    static constexpr std::size_t longest_line = sizeof "255.255.255.255\n";
    std::array<char, 4096> buffer_;
    std::size_t used_ = 0;
};

// The answering addresses in ascending order, "--", then the silent ones.
void print_verdicts(const sweep::RangeVerdicts& verdicts) {
    Output output;
    const sweep::SweepRange& range = verdicts.range();
    for (const bool answering : {true, false}) {
        for (std::uint32_t index = 0; index < range.count; ++index) {
            if (verdicts.answered(index) == answering) {
                output.line(range.address(index));
            }
        }
        if (answering) {
            output.separator();
        }
    }
}

void print_timing(const platform::EchoStreamReport& report, Milliseconds before_sweep,
                  Milliseconds printing) {
    std::fprintf(stderr,
                 "timing: set-up %.3f ms, sending %.3f ms, waiting %.3f ms, printing %.3f ms\n",
                 Milliseconds(before_sweep + report.setting_up).count(),
                 Milliseconds(report.sending).count(), Milliseconds(report.waiting).count(),
                 printing.count());
}

int run(const Arguments& arguments, Clock::time_point started) {
    const auto engine = platform::make_system_echo_service();
    SequentialEcho one_by_one(*engine);
    platform::EchoService& echo = arguments.sequential ? one_by_one : *engine;
    if (arguments.macs) {
        return run_with_macs(arguments, echo);
    }
    sweep::RangeVerdicts verdicts(arguments.range);
    const auto began = Clock::now();
    const auto report = echo.echo_stream(verdicts, sweep::sweep_echo_timeout);
    const auto swept = Clock::now();
    if (!report.permitted) {
        return not_permitted();
    }
    print_verdicts(verdicts);
    if (std::getenv("ZELVORO_SWEEP_TIMING") != nullptr) {
        print_timing(report, began - started, Clock::now() - swept);
    }
    std::fprintf(stderr, "swept %ld addresses in %.1f ms\n",
                 static_cast<long>(arguments.range.count), Milliseconds(swept - began).count());
    return 0;
}

constexpr std::string_view help_text =
    "usage: zelvoro-sweep [--sequential] [--mac] START_ADDRESS END_OCTET\n"
    "       zelvoro-sweep [--sequential] ADDRESS/LENGTH\n"
    "Sends one ICMP echo request to every address from START_ADDRESS up to END_OCTET in the\n"
    "last octet, or to every host address of the network ADDRESS/LENGTH (LENGTH 16 to 30), all\n"
    "at once, each answered within 5 ms or silent. Requests to a directly connected network are\n"
    "paced so that they take at most a quarter of the kernel's neighbour table. Prints the\n"
    "answering addresses, a line \"--\", then the silent ones.\n"
    "  --sequential  one request at a time, each after the last one was answered or timed out\n"
    "  --mac         a tab and the MAC after every address whose link-layer address was\n"
    "                confirmed during the sweep (a silent one with a MAC is in use all the same);\n"
    "                START_ADDRESS END_OCTET only\n"
    "Exit status: 0 swept, 2 arguments refused, 3 no permission to send ICMP echo requests.\n"
    "ZELVORO_SWEEP_TIMING set in the environment adds a line on stderr with the time each step\n"
    "took.\n";

} // namespace

int main(int argc, char** argv) {
    const auto started = Clock::now();
    const std::vector<std::string_view> words(argv + 1, argv + argc);
    if (std::find(words.begin(), words.end(), "--help") != words.end()) {
        std::fwrite(help_text.data(), 1, help_text.size(), stdout);
        return 0;
    }
    const auto arguments = parse_arguments(words);
    if (!arguments) {
        return exit_refused;
    }
    return run(*arguments, started);
}
