// zelvoro-sweep START_ADDRESS END_OCTET: one echo request to every address from START_ADDRESS
// up to END_OCTET in the last octet; zelvoro-sweep ADDRESS/LENGTH (a /16 to a /30): one to every
// host address of that network, requests to a directly connected network paced so that they
// take at most a quarter of the kernel's neighbour table. Prints the answering addresses, a line
// "--", then the silent ones, in address order. Exit 2: arguments refused; exit 3: no permission
// to send ICMP echo requests (without a socket of its own, the echo helper sweeps at most a
// /24). "--help" prints the usage on standard output and exits 0.
//
// "--sequential" before the arguments sends one request at a time instead and waits for each
// before the next: the benchmark's reference for the one-by-one design.
//
// "--mac" adds a tab and the link-layer address to every address, in either list, whose device
// the presence stage proved (see sweep/presence_stage.h); the lists are printed once the stage
// has ended. "--wait MS" sets how long it takes late answers: MS after the first ARP requests,
// its own where it may send them or else the echo helper's (default 500), MS after the sweep
// where it watches the system's neighbour table (default 1000; an entry the kernel already held
// is confirmed only about 6500 ms after the sweep). Each mark and the stage's end are timed on stderr.
//
// "--names" adds a tab and the host names, each with its source, to every answering address
// that has any (with --mac, to every silent one with a MAC too; after the MAC), and the time the
// name lookup took to stderr (see sweep/names.h).
//
// --mac and --names take a range of at most one /24 (START_ADDRESS END_OCTET, or ADDRESS/LENGTH
// with LENGTH 24 or more): a larger one is swept without them, one bit per address, and its
// lists are never held as text.
//
// With ZELVORO_SWEEP_TIMING set in the environment, a line on stderr tells how long the steps of
// a sweep without --mac and --names took.
#include "platform/address_table.h"
#include "platform/echo.h"
#include "platform/ipv4_address.h"
#include "platform/names.h"
#include "platform/neighbours.h"
#include "sweep/names.h"
#include "sweep/presence.h"
#include "sweep/presence_stage.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_range.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zelvoro;

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int exit_refused = 2;
constexpr int exit_not_permitted = 3;
constexpr std::chrono::milliseconds own_requests_wait{500};
constexpr std::chrono::milliseconds system_table_wait{1000};
constexpr std::chrono::milliseconds longest_wait{600'000};
constexpr std::string_view usage =
    "usage: zelvoro-sweep [--sequential] [--mac [--wait MS]] [--names] START_ADDRESS END_OCTET "
    "or ADDRESS/LENGTH";

struct Arguments {
    sweep::AddressRun range;
    std::optional<sweep::SweepRange> segment; // where the range lies within one /24
    bool sequential = false;
    bool macs = false;
    std::optional<std::chrono::milliseconds> wait;
    bool names = false;
};

// What the presence stage's threads hand to the main thread, run there in order.
class TaskQueue {
public:
    void post(std::function<void()> task) {
        {
            const std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        arrived_.notify_one();
    }

    // Runs the tasks as they come until `done` holds.
    void run_until(const std::function<bool()>& done) {
        while (!done()) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                arrived_.wait(lock, [this] { return !tasks_.empty(); });
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> tasks_;
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
            if (!one.round_trip.empty()) {
                result.round_trip.push_back(one.round_trip.front());
            }
        }
        return result;
    }

private:
    platform::EchoService& engine_;
};

// The length of the well-formed UTF-8 character at the start of `text` when it is no control
// character (C1 included); 0 otherwise.
std::size_t printable_utf8_length(std::string_view text) {
    const auto byte = [text](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char first = byte(0);
    const std::size_t length = first < 0xC2   ? 0
                               : first < 0xE0 ? 2
                               : first < 0xF0 ? 3
                               : first < 0xF5 ? 4
                                              : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    // The second byte's range leaves out C1 controls, overlong forms, surrogates and values
    // above U+10FFFF.
    const unsigned char lowest = first == 0xC2 || first == 0xE0 ? 0xA0
                                 : first == 0xF0                ? 0x90
                                                                : 0x80;
    const unsigned char highest = first == 0xED ? 0x9F : first == 0xF4 ? 0x8F : 0xBF;
    if (byte(1) < lowest || byte(1) > highest) {
        return 0;
    }
    for (std::size_t index = 2; index < length; ++index) {
        if ((byte(index) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// `text` with nothing in it that could drive a terminal: control characters as C escapes
// (\n, \r, \t by name, the others as \xHH), the backslash doubled, and bytes that are not
// well-formed UTF-8 as \xHH.
std::string escaped(std::string_view text) {
    static constexpr std::string_view hex = "0123456789abcdef";
    std::string out;
    while (!text.empty()) {
        const char c = text.front();
        const auto byte = static_cast<unsigned char>(c);
        const std::size_t utf8_length = byte >= 0x80 ? printable_utf8_length(text) : 0;
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte >= 0x20 && byte != 0x7F && byte < 0x80) {
            out += c;
        } else if (utf8_length > 0) {
            out += text.substr(0, utf8_length);
        } else {
            out.append("\\x").append(1, hex[byte >> 4U]).append(1, hex[byte & 0x0FU]);
        }
        text.remove_prefix(std::max<std::size_t>(utf8_length, 1));
    }
    return out;
}

std::optional<Arguments> refuse(const std::string& reason) {
    // stdio, not iostreams: their start-up alone would cost a sweep more than half a millisecond.
    std::fprintf(stderr, "zelvoro-sweep: %s\n", escaped(reason).c_str());
    return std::nullopt;
}

// Milliseconds, a plain decimal number up to ten minutes.
std::optional<std::chrono::milliseconds> parse_wait(std::string_view word) {
    long long value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || word.front() < '0' || word.front() > '9' || error != std::errc() ||
        end != word.data() + word.size() || (word.size() > 1 && word.front() == '0') ||
        value > longest_wait.count()) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(value);
}

std::optional<Arguments> parse_arguments(std::vector<std::string_view> words) {
    Arguments flags;
    while (!words.empty() && (words.front() == "--sequential" || words.front() == "--mac" ||
                              words.front() == "--wait" || words.front() == "--names")) {
        if (words.front() == "--wait") {
            const auto wait = words.size() > 1 ? parse_wait(words[1]) : std::nullopt;
            if (!wait) {
                return refuse("--wait takes milliseconds from 0 to 600000");
            }
            flags.wait = wait;
            words.erase(words.begin());
        } else {
            (words.front() == "--mac"     ? flags.macs
             : words.front() == "--names" ? flags.names
                                          : flags.sequential) = true;
        }
        words.erase(words.begin());
    }
    if (words.size() == 1 && words[0].find('/') != std::string_view::npos) {
        const auto checked = sweep::check_network_range(words[0]);
        if (!checked.range) {
            return refuse(checked.refusal);
        }
        flags.range = *checked.range;
        flags.segment = sweep::within_one_segment(*checked.range);
    } else if (words.size() == 2) {
        const auto checked = sweep::check_sweep_range(words[0], words[1]);
        if (!checked.range) {
            return refuse(checked.refusal);
        }
        flags.range = sweep::run_of(*checked.range);
        flags.segment = checked.range;
    } else {
        return refuse(std::string(usage));
    }
    if ((flags.macs || flags.names) && !flags.segment) {
        return refuse("--mac and --names take at most a /24");
    }
    return flags;
}

std::string prefix_of(const platform::Ipv4Address& start) {
    const std::string text = platform::to_dotted_quad(start);
    return text.substr(0, text.rfind('.') + 1);
}

// "\tNAME (SOURCE), ..." for an address with names; nothing for one without.
std::string names_column(const platform::Ipv4Address& address, const sweep::NamesByAddress& names) {
    const auto found = names.find(address);
    return found == names.end() ? std::string() : '\t' + sweep::names_text(found->second);
}

// One line per item; "\tMAC" after an item that has one, then its names.
void add_list(std::string& text, const std::vector<sweep::SweepVerdict>& items,
              const sweep::ListMacs& macs, const sweep::NamesByAddress& names) {
    for (std::size_t index = 0; index < items.size(); ++index) {
        text += items[index].text;
        if (index < macs.size() && macs[index]) {
            text += '\t' + platform::mac_text(*macs[index]);
        }
        text += names_column(items[index].address, names);
        text += '\n';
    }
}

void print_lists(const sweep::SweepOutcome& outcome, const sweep::SweepMacs& macs,
                 const sweep::NamesByAddress& names) {
    std::string text;
    add_list(text, outcome.answering, macs.answering, names);
    text += "--\n";
    add_list(text, outcome.silent, macs.silent, names);
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// The machine's own addresses and masks; none, with a note to stderr, when the table cannot be
// read (then only reverse DNS is asked).
std::vector<platform::LocalAddress> local_addresses() {
    auto read = platform::make_system_address_table()->read();
    if (auto* rows = std::get_if<std::vector<platform::LocalAddress>>(&read)) {
        return std::move(*rows);
    }
    if (const auto* failure = std::get_if<platform::AddressTableFailure>(&read)) {
        platform::StandardErrorDiagnostics("zelvoro-sweep")
            .failure("no mDNS or NetBIOS queries: " + failure->reason);
    }
    return {};
}

// The names of the answering addresses and of the silent ones with a MAC, and the time the
// lookup took to stderr.
sweep::NamesByAddress host_names(const sweep::SweepOutcome& outcome, const sweep::SweepMacs& macs) {
    const auto local = local_addresses();
    const auto began = std::chrono::steady_clock::now();
    auto names = sweep::look_up_names(
        *platform::make_system_name_service(),
        sweep::plan_name_queries(sweep::addresses_to_name(outcome, macs), local));
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - began;
    std::fprintf(stderr, "looked up names in %.1f ms\n", took.count());
    return names;
}

double milliseconds_since(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Where the stage's marks go: the MAC columns of both lists, each mark timed on stderr.
struct MacColumns {
    void mark(const sweep::ItemMark& mark) {
        auto& column = mark.silent ? macs.silent : macs.answering;
        const auto& items = mark.silent ? outcome->silent : outcome->answering;
        column.resize(items.size());
        column.at(mark.index) = mark.mac;
        std::fprintf(stderr, "marked %s after %.1f ms\n", items.at(mark.index).text.c_str(),
                     milliseconds_since(began));
    }

    Clock::time_point began;
    const sweep::SweepOutcome* outcome = nullptr;
    sweep::SweepMacs macs;
};

platform::LateWindows late_windows(const Arguments& arguments) {
    return {arguments.wait.value_or(own_requests_wait), arguments.wait.value_or(system_table_wait)};
}

int not_permitted(const Arguments& arguments) {
    std::fputs(arguments.range.count > 256
                   ? "zelvoro-sweep: no permission to send ICMP echo requests to more than a /24 "
                     "(needs a net.ipv4.ping_group_range that includes the group, or root; "
                     "zelvoro-echo-helper sweeps at most a /24)\n"
                   : "zelvoro-sweep: no permission to send ICMP echo requests (needs a "
                     "net.ipv4.ping_group_range that includes the group, zelvoro-echo-helper "
                     "with cap_net_raw, or root)\n",
               stderr);
    return exit_not_permitted;
}

// The sweep with --mac or --names: the lists as the main window makes them.
int run_listed(const Arguments& arguments, platform::EchoService& echo) {
    const sweep::SweepRange& segment = *arguments.segment;
    const auto targets =
        sweep::plan_sweep(prefix_of(segment.start), segment.start.octets[3], segment.end_octet);
    const auto requested = std::count_if(targets.begin(), targets.end(), [](const auto& target) {
        return target.address.has_value();
    });

    platform::StandardErrorDiagnostics diagnostics("zelvoro-sweep");
    const auto neighbours = platform::make_system_neighbour_service(diagnostics);
    TaskQueue tasks;
    sweep::SweepOutcome outcome;
    MacColumns columns{Clock::now(), &outcome, {}};
    std::optional<sweep::PresenceStage> stage;
    if (arguments.macs) {
        stage.emplace(
            *neighbours, targets, late_windows(arguments),
            sweep::PresenceOwner{
                .post = [&tasks](std::function<void()> task) { tasks.post(std::move(task)); },
                .mark = [&columns](const sweep::ItemMark& mark) { columns.mark(mark); },
                .ended = nullptr});
    }
    const auto began = Clock::now();
    outcome = sweep::run_sweep(echo, targets);
    const double took = milliseconds_since(began);
    if (!outcome.permitted) {
        return not_permitted(arguments);
    }
    if (stage) {
        stage->sweep_ended(outcome);
        tasks.run_until([&stage] { return stage->ended(); });
        std::fprintf(stderr, "presence final after %.1f ms\n", milliseconds_since(columns.began));
    }
    print_lists(outcome, columns.macs,
                arguments.names ? host_names(outcome, columns.macs) : sweep::NamesByAddress{});
    std::fprintf(stderr, "swept %ld addresses in %.1f ms\n", static_cast<long>(requested), took);
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
    const sweep::AddressRun& range = verdicts.range();
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
                 "timing: set-up %.3f ms, sending %.3f ms, waiting %.3f ms, printing %.3f ms, "
                 "undecided %ld\n",
                 Milliseconds(before_sweep + report.setting_up).count(),
                 Milliseconds(report.sending).count(), Milliseconds(report.waiting).count(),
                 printing.count(), static_cast<long>(report.undecided));
}

// The sweep without --mac and --names: one bit per address, streamed through the engine.
int run_streamed(const Arguments& arguments, platform::EchoService& echo,
                 Clock::time_point started) {
    sweep::RangeVerdicts verdicts(arguments.range);
    const auto began = Clock::now();
    const auto report = echo.echo_stream(verdicts, sweep::sweep_echo_timeout);
    const auto swept = Clock::now();
    if (!report.permitted) {
        return not_permitted(arguments);
    }
    print_verdicts(verdicts);
    if (report.undecided > 0) {
        std::fprintf(stderr,
                     "zelvoro-sweep: %ld answers came in while the system was switching receive "
                     "time stamps on and were read too late to tell whether they came within "
                     "5 ms; they are listed as silent\n",
                     static_cast<long>(report.undecided));
    }
    if (std::getenv("ZELVORO_SWEEP_TIMING") != nullptr) {
        print_timing(report, began - started, Clock::now() - swept);
    }
    std::fprintf(stderr, "swept %ld addresses in %.1f ms\n",
                 static_cast<long>(arguments.range.count), Milliseconds(swept - began).count());
    return 0;
}

int run(const Arguments& arguments, Clock::time_point started) {
    const auto engine = platform::make_system_echo_service();
    SequentialEcho one_by_one(*engine);
    platform::EchoService& echo = arguments.sequential ? one_by_one : *engine;
    if (arguments.macs || arguments.names) {
        return run_listed(arguments, echo);
    }
    return run_streamed(arguments, echo, started);
}

constexpr std::string_view help_text =
    "usage: zelvoro-sweep [--sequential] [--mac [--wait MS]] [--names] START_ADDRESS END_OCTET\n"
    "       zelvoro-sweep [--sequential] [--mac [--wait MS]] [--names] ADDRESS/LENGTH\n"
    "Sends one ICMP echo request to every address from START_ADDRESS up to END_OCTET in the\n"
    "last octet, or to every host address of the network ADDRESS/LENGTH (LENGTH 16 to 30), all\n"
    "at once, each answered within 5 ms or silent. Requests to a directly connected network are\n"
    "paced so that they take at most a quarter of the kernel's neighbour table. Prints the\n"
    "answering addresses, a line \"--\", then the silent ones.\n"
    "  --sequential  one request at a time, each after the last one was answered or timed out\n"
    "  --mac         a tab and the MAC after every address whose device answered ARP during\n"
    "                the sweep or shortly after (a silent one with a MAC is in use all the\n"
    "                same); the lists are printed once no more answers are taken\n"
    "  --wait MS     with --mac: how long answers are taken, MS after the first ARP requests\n"
    "                (default 500), sent by the tool itself where it holds CAP_NET_RAW, else\n"
    "                by the echo helper; where neither can send them, MS after the sweep from\n"
    "                the system's neighbour table (default 1000; a device the kernel already\n"
    "                knew is confirmed anew only after about 6500 ms then)\n"
    "  --names       a tab and the host names, each with its source, after every answering\n"
    "                address that has any (with --mac also after every silent one with a MAC,\n"
    "                after the MAC), e.g. \"printer-2f (mDNS), NAS01 (NetBIOS)\": reverse DNS\n"
    "                through the system resolver, and for addresses on this machine's own\n"
    "                subnets an mDNS reverse query and a NetBIOS node status request;\n"
    "                takes up to 2 s more\n"
    "--mac and --names take at most a /24. Without a ping socket or CAP_NET_RAW of its own, the\n"
    "sweep goes through zelvoro-echo-helper, which sweeps at most a /24.\n"
    "Exit status: 0 swept, 2 arguments refused, 3 no permission to send ICMP echo requests.\n"
    "ZELVORO_SWEEP_TIMING set in the environment adds a line on stderr with the time each step\n"
    "took (without --mac and --names).\n";

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
