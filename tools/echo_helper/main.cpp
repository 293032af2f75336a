// zelvoro-echo-helper: the one program that holds a capability, CAP_NET_RAW, which the package
// grants to its file. The desktop program and zelvoro-sweep run it where their user's group may
// not open ping sockets. It opens its ICMP socket, gives up every capability for good, then
// reads one request from standard input, echoes its addresses with the sweep engine and writes
// one line per address to standard output (platform/echo_helper_protocol.h). Started with the
// one argument "--arp", it opens a packet socket instead, gives up every capability the same
// way, reads an ARP presence request, asks the kernel which link the range is on, and sends the
// ARP requests there, writing one line per device as its reply arrives and an end line. It reads
// nothing of its environment, loads nothing, reads and writes no file.
//
// Exit 0: answered; 1: the answer could not be written; 2: refused (the request, arguments, or
// standard streams that are not open), with one line on stderr; 3: no echo or packet socket
// could be opened, or a capability would not go; 4: an ARP request for a range on no link of
// this machine.
#include "drop_capabilities_linux.h"
#include "platform/echo_helper_protocol.h"
#include "platform/echo_socket_linux.h"
#include "platform/linux/arp_prober_linux.h"
#include "platform/linux/errno_text_linux.h"
#include "platform/linux/file_descriptor_linux.h"
#include "platform/linux/range_link_linux.h"
#include "platform/platform_error.h"
#include "sweep/sweep_range.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace zelvoro;
namespace protocol = platform::echo_helper;

constexpr int exit_unwritten = 1;

struct Request {
    protocol::Range range;
    std::chrono::milliseconds timeout{}; // of an echo request; an ARP request's window
};

void say(const std::string& line) {
    platform::write_all(STDERR_FILENO, "zelvoro-echo-helper: " + line + '\n');
}

// A socket opened while one of these is closed would take its number, and the answer would go
// to the network instead.
bool standard_streams_open() {
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) < 0) {
            return false;
        }
    }
    return true;
}

// The first line of standard input without its newline; what follows it is not read.
std::optional<std::string> read_request_line() {
    std::string line;
    char byte = 0;
    while (line.size() < protocol::max_request_bytes) {
        const ssize_t size = ::read(STDIN_FILENO, &byte, 1);
        if (size < 0 && errno == EINTR) {
            continue;
        }
        if (size <= 0) {
            say("the request ends before its newline");
            return std::nullopt;
        }
        if (byte == '\n') {
            return line;
        }
        line += byte;
    }
    say("the request is longer than " + std::to_string(protocol::max_request_bytes - 1) + " bytes");
    return std::nullopt;
}

// How the last word of a request is read: the echo request's timeout, or the ARP request's
// window.
struct LastWord {
    std::optional<std::chrono::milliseconds> (*parse)(std::string_view);
    std::string_view name;
    std::string_view request_form;
    std::chrono::milliseconds least;
    std::chrono::milliseconds most;
};

constexpr LastWord echo_timeout{protocol::parse_timeout, "timeout",
                                "START_ADDRESS END_OCTET TIMEOUT_MS", std::chrono::milliseconds(1),
                                protocol::max_timeout};
constexpr LastWord arp_window{protocol::parse_arp_window, "window",
                              "START_ADDRESS END_OCTET WINDOW_MS", std::chrono::milliseconds(0),
                              protocol::max_arp_window};

// Checked as zelvoro-sweep checks its arguments, a range of one address allowed.
std::optional<Request> parse_request(std::string_view line, const LastWord& last_word) {
    const auto words = protocol::request_words(line);
    if (words.size() != 3) {
        say("a request is " + std::string(last_word.request_form));
        return std::nullopt;
    }
    const auto checked = sweep::check_sweep_range(words[0], words[1], sweep::EndOctet::from_start);
    if (!checked.range) {
        say(checked.refusal);
        return std::nullopt;
    }
    const auto last = last_word.parse(words[2]);
    if (!last) {
        say("the " + std::string(last_word.name) + " is not a number of milliseconds from " +
            std::to_string(last_word.least.count()) + " to " +
            std::to_string(last_word.most.count()) + ": \"" + std::string(words[2]) + "\"");
        return std::nullopt;
    }
    return Request{{checked.range->start, checked.range->end_octet}, *last};
}

std::optional<Request> read_request(const LastWord& last_word) {
    const auto line = read_request_line();
    return line ? parse_request(*line, last_word) : std::nullopt;
}

std::vector<platform::Ipv4Address> addresses_of(const protocol::Range& range) {
    std::vector<platform::Ipv4Address> addresses;
    for (std::size_t index = 0; index < range.size(); ++index) {
        addresses.push_back(range.address(index));
    }
    return addresses;
}

// The ARP requests on the link the kernel names for the range, each reply written as it comes.
int serve_arp(int packet_socket) {
    const auto request = read_request(arp_window);
    if (!request) {
        return protocol::exit_refused;
    }
    const auto addresses = addresses_of(request->range);
    std::optional<platform::netlink::RangeLink> link;
    try {
        platform::netlink::RouteSocket routes;
        link = platform::netlink::range_link(routes, addresses);
    } catch (const platform::PlatformError& error) {
        say(std::string("cannot ask the kernel for the range's link: ") + error.what());
        return protocol::exit_not_on_link;
    }
    const auto plan =
        link ? platform::arp_probe_plan(*link, addresses, request->timeout) : std::nullopt;
    if (!plan) {
        say("the range is on no Ethernet link of this machine with an address on its subnet");
        return protocol::exit_not_on_link;
    }
    if (!platform::bind_arp_socket(packet_socket, plan->interface_index)) {
        say("cannot bind the packet socket: " + platform::errno_text(errno));
        return protocol::exit_not_permitted;
    }
    const auto began = std::chrono::steady_clock::now();
    bool written = true;
    platform::probe_with_arp(packet_socket, *plan, -1, [&](const platform::Neighbour& proof) {
        const auto since = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - began);
        written =
            written && platform::write_all(STDOUT_FILENO, protocol::arp_proof_line(proof, since));
    });
    written = written && platform::write_all(STDOUT_FILENO, protocol::arp_end_line);
    return written ? protocol::exit_done : exit_unwritten;
}

int serve(platform::EchoService& echo) {
    const auto request = read_request(echo_timeout);
    if (!request) {
        return protocol::exit_refused;
    }
    const auto result = echo.echo_all(addresses_of(request->range), request->timeout);
    if (!result.permitted) {
        say("no permission to send ICMP echo requests");
        return protocol::exit_not_permitted;
    }
    const bool written =
        platform::write_all(STDOUT_FILENO, protocol::answer_text(request->range, result));
    return written ? protocol::exit_done : exit_unwritten;
}

} // namespace

// An ARP presence request: the packet socket and nothing else, opened unbound so that it
// receives nothing until the request names its link.
int serve_arp_request() {
    const auto packet = platform::open_packet_socket();
    const int open_error = errno;
    if (!echo_helper::drop_capabilities()) {
        say("cannot give up its capabilities");
        return protocol::exit_not_permitted;
    }
    if (!packet.is_open()) {
        say("no permission to open a packet socket (the package gives this program "
            "cap_net_raw): " +
            platform::errno_text(open_error));
        return protocol::exit_not_permitted;
    }
    return serve_arp(packet.get());
}

int main(int argc, char** argv) {
    if (!standard_streams_open()) {
        return protocol::exit_refused;
    }
    if (argc == 2 && std::string_view(argv[1]) == protocol::arp_argument) {
        return serve_arp_request();
    }
    // The socket while the capability is held; nothing else is done with it.
    const auto echo = platform::open_echo_socket();
    if (!echo_helper::drop_capabilities()) {
        say("cannot give up its capabilities");
        return protocol::exit_not_permitted;
    }
    if (argc > 1) {
        say("takes no arguments, only a request on standard input");
        return protocol::exit_refused;
    }
    if (!echo) {
        say("no permission to send ICMP echo requests (the package gives this program "
            "cap_net_raw)");
        return protocol::exit_not_permitted;
    }
    return serve(*echo);
}
