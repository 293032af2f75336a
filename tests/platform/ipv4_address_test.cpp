#include "platform/ipv4_address.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {
namespace {

struct Accepted {
    std::string_view text;
    Ipv4Address address;
};

TEST(platform_dotted_quad, AcceptsFourPlainDecimalOctets) {
    const std::vector<Accepted> cases = {
        {"0.0.0.0", {{0, 0, 0, 0}}},
        {"192.0.2.5", {{192, 0, 2, 5}}},
        {"198.51.100.9", {{198, 51, 100, 9}}},
        {"255.255.255.254", {{255, 255, 255, 254}}},
        {"255.255.254.255", {{255, 255, 254, 255}}},
        {"1.22.133.249", {{1, 22, 133, 249}}},
    };
    for (const auto& [text, address] : cases) {
        SCOPED_TRACE(text);
        const auto parsed = parse_dotted_quad(text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, address);
    }
}

TEST(platform_dotted_quad, RefusesEverythingElse) {
    const std::vector<std::string_view> cases = {
        "",
        "1.2.3",
        "1.2.3.4.5",
        "1.2.3.4.",
        ".1.2.3",
        "1..2.3",
        "1.2..3.4",
        "01.2.3.4",                       // leading zero (octal to some parsers)
        "1.2.3.00",                       // zero with a leading zero
        "1.2.3.0377",                     // octal form
        "1.2.3.256",                      // octet out of range
        "1.2.3.1000",                     // four digits
        "1.2.3.999",                      //
        " 1.2.3.4",                       // blanks
        "1.2.3.4 ",                       //
        "1.2 .3.4",                       //
        "1.2.3.+4",                       // signs
        "1.2.3.-4",                       //
        "0x1.2.3.4",                      // hex
        "1.2.3.4a",                       // trailing text
        "1,2,3,4",                        // other separators
        "16909060",                       // one number for the whole address
        "1.2.3.",                         // missing last octet
        "255.255.255.255",                // cannot be told from a failed conversion
        std::string_view("1.2.3.4\0", 8), // embedded NUL
        "\xef\xbc\x91.2.3.4",             // full-width digit one
    };
    for (const auto text : cases) {
        SCOPED_TRACE(std::string(text));
        EXPECT_FALSE(parse_dotted_quad(text).has_value());
    }
}

TEST(platform_dotted_quad, FormatsWithoutLeadingZeros) {
    const std::vector<Accepted> cases = {
        {"0.0.0.0", {{0, 0, 0, 0}}},
        {"198.51.100.9", {{198, 51, 100, 9}}},
        {"255.255.255.255", {{255, 255, 255, 255}}},
        {"1.20.3.40", {{1, 20, 3, 40}}},
    };
    for (const auto& [text, address] : cases) {
        EXPECT_EQ(to_dotted_quad(address), text);
    }
}

TEST(platform_dotted_quad, EveryOctetValueSurvivesTheRoundTrip) {
    for (int value = 0; value <= 255; ++value) {
        const auto octet = static_cast<std::uint8_t>(value);
        const Ipv4Address address{{octet, 0, octet, static_cast<std::uint8_t>(255 - value)}};
        SCOPED_TRACE(value);
        EXPECT_EQ(parse_dotted_quad(to_dotted_quad(address)), address);
    }
}

} // namespace
} // namespace zelvoro::platform
