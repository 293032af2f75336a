// Runs on Linux (glibc's converter plus the user-defined areas) and on Windows (the system's
// table): both must give the same text for the same bytes.
#include "platform/code_page_936.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::string_view_literals;

struct Conversion {
    std::string_view name;
    std::string_view bytes; // code page 936
    std::string_view text;  // UTF-8
};

TEST(platform_code_page_936, DecodesBytes) {
    const std::vector<Conversion> cases = {
        {"nothing", "", ""},
        {"ASCII and line ends", "IP: 192.0.2.1\r\n", "IP: 192.0.2.1\r\n"},
        {"a null byte is a character", "a\0b"sv, "a\0b"sv},
        {"the start marker", "\xC4\xFA\xB5\xC4IP\xB5\xD8\xD6\xB7\xCA\xC7\xA3\xBA[",
         "您的IP地址是：["},
        {"pairs of the GBK extension", "\x81\x40\xFE\x4F", "丂\xEF\xA8\xA9"},
        {"ideographic space", "\xA1\xA1", "\xE3\x80\x80"},
        {"0x80 alone is the euro sign", "\x80", "€"},
        {"0xFF is no character", "a\xFFz", "a\xEF\xBF\xBDz"},
        {"a lead byte at the very end", "\xD6\xD0\xCE", "中\xEF\xBF\xBD"},
        {"a lead byte before an ASCII byte keeps the ASCII byte", "\x81<p>", "\xEF\xBF\xBD<p>"},
        {"a lead byte before 0x7F", "\x81\x7F", "\xEF\xBF\xBD\x7F"},
        {"a lead byte before 0xFF", "\x81\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"a bad byte between two characters", "\xD6\xD0\xFF\xCE\xC4", "中\xEF\xBF\xBD文"},
        // The user-defined areas and the pairs the system table gives private characters.
        {"first user-defined pair", "\xAA\xA1", "\xEE\x80\x80"},                    // U+E000
        {"last of the second area", "\xFE\xFE", "\xEE\x93\x85"},                    // U+E4C5
        {"first of the third area", "\xA1\x40", "\xEE\x93\x86"},                    // U+E4C6
        {"third area across 0x7F", "\xA1\x7E\xA1\x80", "\xEE\x94\x84\xEE\x94\x85"}, // U+E504 E505
        {"last of the third area", "\xA7\xA0", "\xEE\x9D\xA5"},                     // U+E765
        {"first scattered pair", "\xA2\xAB", "\xEE\x9D\xA6"},                       // U+E766
        {"scattered pair after 0x7F", "\xFE\x80", "\xEE\xA1\x84"},                  // U+E844
        {"last scattered pair", "\xFE\xA0", "\xEE\xA1\xA4"},                        // U+E864
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8_from_cp936(c.bytes), c.text);
    }
}

TEST(platform_code_page_936, EncodesText) {
    const std::vector<Conversion> cases = {
        {"nothing", "", ""},
        {"ASCII", "<br/>", "<br/>"},
        {"Chinese", "\xD6\xD0\xCE\xC4", "中文"},
        {"the euro sign", "\x80", "€"},
        {"a private character", "\xFE\x80", "\xEE\xA1\x84"},
        {"the private character written as 0xFF", "\xFF", "\xEF\xA3\xB5"},
        {"a Hangul syllable is not in the code page", "a?b", "a한b"},
        {"nor is a character outside the Basic Multilingual Plane", "a?b", "a😀b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cp936_from_utf8(c.text), c.bytes);
    }
}

// Every pair of a lead byte (0x81-0xFE) and a trail byte (0x40-0xFE but 0x7F) is a character
// of its own, and encodes back to the same pair.
TEST(platform_code_page_936, EveryPairIsADistinctCharacter) {
    std::set<std::string> seen;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::string text = utf8_from_cp936(pair);
            ASSERT_NE(text, "\xEF\xBF\xBD") << std::hex << lead << ' ' << trail;
            ASSERT_TRUE(seen.insert(text).second) << std::hex << lead << ' ' << trail;
            ASSERT_EQ(cp936_from_utf8(text), pair) << std::hex << lead << ' ' << trail;
        }
    }
    EXPECT_EQ(seen.size(), 126U * 190U);
}

} // namespace
} // namespace zelvoro::platform
