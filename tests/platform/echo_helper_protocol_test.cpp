// What a program and the echo helper say to each other: the requests that cover a list of
// addresses, and the answers read back, which must be exactly what the request asked for.
#include "platform/echo_helper_protocol.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform::echo_helper {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using namespace std::string_view_literals;

Ipv4Address address(std::uint8_t c, std::uint8_t d) {
    return {{192, 0, c, d}};
}

struct RangesCase {
    std::string name;
    std::vector<Ipv4Address> addresses;
    std::vector<Range> ranges;
};

TEST(echo_helper_protocol, OneRequestPerRunOfConsecutiveAddressesInOneSegment) {
    const std::vector<RangesCase> cases = {
        {"nothing", {}, {}},
        {"a segment", {address(2, 1), address(2, 2), address(2, 3)}, {{address(2, 1), 3}}},
        {"one address", {address(2, 9)}, {{address(2, 9), 9}}},
        {"across a segment's end",
         {address(2, 254), address(2, 255), address(3, 0), address(3, 1)},
         {{address(2, 254), 255}, {address(3, 0), 1}}},
        {"a gap, a repeat, a step back",
         {address(2, 1), address(2, 3), address(2, 3), address(2, 2)},
         {{address(2, 1), 1}, {address(2, 3), 3}, {address(2, 3), 3}, {address(2, 2), 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ranges_of(c.addresses), c.ranges);
    }
    EXPECT_EQ(request_line({address(2, 1), 254}, milliseconds(5)), "192.0.2.1 254 5\n");
}

TEST(echo_helper_protocol, TimeoutIsAPlainNumberOfMillisecondsUpToOneSecond) {
    EXPECT_EQ(parse_timeout("5"), milliseconds(5));
    EXPECT_EQ(parse_timeout("1000"), milliseconds(1000));
    for (const char* refused : {"", "0", "05", "+5", "-5", "5.0", "1001", "99999999999", " 5"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(parse_timeout(refused), std::nullopt);
    }
}

TEST(echo_helper_protocol, AnswerReadBackGivesTheVerdictsAndRoundTrips) {
    const Range range{address(2, 7), 9};
    const EchoSweepResult timed{true,
                                {echo_answered, echo_timed_out, echo_answered},
                                {nanoseconds(1234), {}, nanoseconds(9)}};
    const std::string timed_text =
        "192.0.2.7 answered 1234\n192.0.2.8 silent\n192.0.2.9 answered 9\n";
    EXPECT_EQ(answer_text(range, timed), timed_text);
    const auto back = parse_answer(timed_text, range);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->status, timed.status);
    EXPECT_EQ(back->round_trip, timed.round_trip);

    const EchoSweepResult untimed{true, {echo_timed_out, echo_answered, echo_timed_out}, {}};
    const auto untimed_back = parse_answer(answer_text(range, untimed), range);
    ASSERT_TRUE(untimed_back);
    EXPECT_EQ(untimed_back->status, untimed.status);
    EXPECT_TRUE(untimed_back->round_trip.empty());
}

TEST(echo_helper_protocol, AnswerThatIsNotExactlyTheRequestedLinesIsRefused) {
    const Range range{address(2, 1), 2};
    const std::vector<std::string> refused = {
        "",
        "192.0.2.1 answered\n",                                        // a line short
        "192.0.2.1 answered\n192.0.2.2 silent",                        // no last newline
        "192.0.2.1 answered\n192.0.2.2 silent\n192.0.2.3 silent\n",    // a line over
        "192.0.2.2 answered\n192.0.2.1 silent\n",                      // out of order
        "192.0.2.1 answered\n192.0.2.2 quiet\n",                       // no such verdict
        "192.0.2.1 answered\r\n192.0.2.2 silent\r\n",                  // CR LF
        "192.0.2.1 answered 5\n192.0.2.2 answered\n",                  // round trips on some
        "192.0.2.1 silent 5\n192.0.2.2 silent\n",                      // a silent round trip
        "192.0.2.1 answered -5\n192.0.2.2 silent\n",                   // negative
        "192.0.2.1 answered 99999999999999999999\n192.0.2.2 silent\n", // beyond the type
        "192.0.2.1 answered 5 6\n192.0.2.2 silent\n",
    };
    for (const auto& text : refused) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parse_answer(text, range), std::nullopt);
    }
}

TEST(echo_helper_protocol, ArpWindowIsAPlainNumberOfMillisecondsUpToTenMinutes) {
    EXPECT_EQ(parse_arp_window("0"), milliseconds(0));
    EXPECT_EQ(parse_arp_window("500"), milliseconds(500));
    EXPECT_EQ(parse_arp_window("600000"), milliseconds(600'000));
    for (const char* refused : {"", "00", "0500", "+5", "-1", "5.0", "600001", "1e3", " 5"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(parse_arp_window(refused), std::nullopt);
    }
}

using State = ArpAnswerReader::State;

const Range arp_range{address(2, 1), 20};
const Neighbour first{address(2, 7), {0x02, 0x5a, 0x00, 0x00, 0x00, 0x0a}};
const Neighbour second{address(2, 20), {0xde, 0xad, 0xbe, 0xef, 0x00, 0xff}};

TEST(echo_helper_protocol, ArpAnswerStreamsItsDevicesWhateverPiecesItArrivesIn) {
    const std::string text = arp_proof_line(first, std::chrono::microseconds(15'400)) +
                             arp_proof_line(second, std::chrono::microseconds(0)) +
                             std::string(arp_end_line);
    EXPECT_EQ(text, "192.0.2.7 02:5a:00:00:00:0a 15400\n192.0.2.20 de:ad:be:ef:00:ff 0\nend\n");
    ArpAnswerReader whole(arp_range);
    EXPECT_EQ(whole.feed(text), (std::vector<Neighbour>{first, second}));
    EXPECT_EQ(whole.state(), State::ended);

    ArpAnswerReader bytewise(arp_range);
    std::vector<Neighbour> proven;
    for (std::size_t index = 0; index < text.size(); ++index) {
        for (const Neighbour& proof : bytewise.feed(std::string_view(text).substr(index, 1))) {
            proven.push_back(proof);
        }
        EXPECT_EQ(bytewise.state() == State::ended, index + 1 == text.size());
    }
    EXPECT_EQ(proven, (std::vector<Neighbour>{first, second}));

    ArpAnswerReader nothing(arp_range);
    EXPECT_TRUE(nothing.feed("end\n").empty());
    EXPECT_EQ(nothing.state(), State::ended);
}

TEST(echo_helper_protocol, HostileArpAnswerProvesNothingFromItsFaultOn) {
    const std::string good = "192.0.2.7 02:5a:00:00:00:0a 15\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"outside the range", "192.0.2.21 02:5a:00:00:00:0a 15\n"},
        {"another segment", "192.0.3.7 02:5a:00:00:00:0a 15\n"},
        {"below the start", "192.0.2.0 02:5a:00:00:00:0a 15\n"},
        {"named twice", good},
        {"upper-case MAC", "192.0.2.8 02:5A:00:00:00:0a 15\n"},
        {"short MAC", "192.0.2.8 02:5a:00:00:00 15\n"},
        {"MAC with dashes", "192.0.2.8 02-5a-00-00-00-0a 15\n"},
        {"no time", "192.0.2.8 02:5a:00:00:00:0a\n"},
        {"negative time", "192.0.2.8 02:5a:00:00:00:0a -1\n"},
        {"time too long", "192.0.2.8 02:5a:00:00:00:0a 1234567890123\n"},
        {"a word over", "192.0.2.8 02:5a:00:00:00:0a 15 x\n"},
        {"two spaces", "192.0.2.8  02:5a:00:00:00:0a 15\n"},
        {"CR LF", "192.0.2.8 02:5a:00:00:00:0a 15\r\n"},
        {"an empty line", "\n"},
        {"end in capitals", "END\n"},
        {"a line without end", std::string(80, '1')},
        {"NUL inside", std::string("192.0.2.8\0 02:5a:00:00:00:0a 15\n"sv)},
        {"bytes after the end", "end\n192.0.2.8 02:5a:00:00:00:0a 15\n"},
        {"a second end", "end\nend\n"},
    };
    for (const auto& [name, hostile] : cases) {
        SCOPED_TRACE(name);
        ArpAnswerReader reader(arp_range);
        EXPECT_EQ(reader.feed(good), std::vector<Neighbour>{first});
        EXPECT_TRUE(reader.feed(hostile + "192.0.2.9 02:5a:00:00:00:0b 16\nend\n").empty());
        EXPECT_EQ(reader.state(), State::malformed);
        EXPECT_FALSE(reader.fault().empty());
        EXPECT_TRUE(reader.feed("end\n").empty());
        EXPECT_EQ(reader.state(), State::malformed);
    }
}

} // namespace
} // namespace zelvoro::platform::echo_helper
