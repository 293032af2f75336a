// zelvoro-echo-helper: the one program that holds a capability, CAP_NET_RAW, which the package
// grants to its file. The desktop program and zelvoro-sweep run it where their user's group may
// not open ping sockets. It opens its ICMP socket, gives up every capability for good, then
// reads one request from standard input, echoes its addresses with the sweep engine and writes
// one line per address to standard output (platform/echo_helper_protocol.h). It takes no
// arguments, reads nothing of its environment, loads nothing, reads and writes no file.
//
// Exit 0: answered; 1: the answer could not be written; 2: refused (the request, arguments, or
// standard streams that are not open), with one line on stderr; 3: no echo socket could be
// opened, or a capability would not go.
#include "drop_capabilities_linux.h"
#include "platform/echo_helper_protocol.h"
#include "platform/echo_socket_linux.h"
#include "platform/linux/file_descriptor_linux.h"
#include "sweep/sweep_range.h"

#include <cerrno>
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
    std::chrono::milliseconds timeout{};
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

// Checked as zelvoro-sweep checks its arguments, a range of one address allowed.
std::optional<Request> parse_request(std::string_view line) {
    const auto words = protocol::request_words(line);
    if (words.size() != 3) {
        say("a request is START_ADDRESS END_OCTET TIMEOUT_MS");
        return std::nullopt;
    }
    const auto checked = sweep::check_sweep_range(words[0], words[1], sweep::EndOctet::from_start);
    if (!checked.range) {
        say(checked.refusal);
        return std::nullopt;
    }
    const auto timeout = protocol::parse_timeout(words[2]);
    if (!timeout) {
        say("the timeout is not a number of milliseconds from 1 to " +
            std::to_string(protocol::max_timeout.count()) + ": \"" + std::string(words[2]) + "\"");
        return std::nullopt;
    }
    return Request{{checked.range->start, checked.range->end_octet}, *timeout};
}

int serve(platform::EchoService& echo) {
    const auto line = read_request_line();
    const auto request = line ? parse_request(*line) : std::nullopt;
    if (!request) {
        return protocol::exit_refused;
    }
    std::vector<platform::Ipv4Address> addresses;
    for (std::size_t index = 0; index < request->range.size(); ++index) {
        addresses.push_back(request->range.address(index));
    }
    const auto result = echo.echo_all(addresses, request->timeout);
    if (!result.permitted) {
        say("no permission to send ICMP echo requests");
        return protocol::exit_not_permitted;
    }
    const bool written =
        platform::write_all(STDOUT_FILENO, protocol::answer_text(request->range, result));
    return written ? protocol::exit_done : exit_unwritten;
}

} // namespace

int main(int argc, char**) {
    if (!standard_streams_open()) {
        return protocol::exit_refused;
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
