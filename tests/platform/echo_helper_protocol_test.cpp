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

} // namespace
} // namespace zelvoro::platform::echo_helper
