#include "ui/octet_number.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace zelvoro::ui {
namespace {

struct NormalFormCase {
    std::string text;
    std::optional<std::string> normal; // nothing: not numeric
};

class NormalFormTest : public testing::TestWithParam<NormalFormCase> {};

TEST_P(NormalFormTest, MatchesExpectedNormalForm) {
    const NormalFormCase& c = GetParam();
    EXPECT_EQ(normal_form(c.text), c.normal) << "text: \"" << c.text << "\"";
    EXPECT_EQ(is_numeric(c.text), c.normal.has_value()) << "text: \"" << c.text << "\"";
}

const std::string many_nines(max_normal_digits, '9');

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalFormTest,
    testing::Values(
        // the documented examples
        NormalFormCase{"05", "5"}, NormalFormCase{"-7", "7"}, NormalFormCase{"3.9", "3"},
        NormalFormCase{"-0.5", "1"}, NormalFormCase{"12.", "12"}, NormalFormCase{"1e2", "100"},
        NormalFormCase{"0.4", "0"}, NormalFormCase{"00", "0"}, NormalFormCase{"0", "0"},
        // floor toward minus infinity, then the absolute value
        NormalFormCase{"-5", "5"}, NormalFormCase{"-5.0", "5"}, NormalFormCase{"-5.000001", "6"},
        NormalFormCase{"-0", "0"}, NormalFormCase{"-0.0", "0"}, NormalFormCase{"-.5", "1"},
        NormalFormCase{"-1e-400", "1"}, NormalFormCase{"1e-400", "0"},
        NormalFormCase{"-999.5", "1000"},
        // exact decimal arithmetic, no binary rounding
        NormalFormCase{"255.99999999999999999", "255"},
        NormalFormCase{"255.000000000000000001", "255"},
        NormalFormCase{"0.99999999999999999999", "0"}, NormalFormCase{"2.55e2", "255"},
        NormalFormCase{"25.6E1", "256"}, NormalFormCase{"2560e-1", "256"},
        NormalFormCase{"1E+2", "100"}, NormalFormCase{"+12", "12"}, NormalFormCase{".5", "0"},
        NormalFormCase{"5.", "5"}, NormalFormCase{"0.000e99999999999999999999", "0"},
        // blanks (space and tab) around the number only
        NormalFormCase{" 7", "7"}, NormalFormCase{"7\t", "7"}, NormalFormCase{" \t12 ", "12"},
        // values of 10^15 and above stay exact
        NormalFormCase{"1e15", "1000000000000000"}, NormalFormCase{"1e20", "100000000000000000000"},
        NormalFormCase{"12345678901234567890123", "12345678901234567890123"},
        NormalFormCase{"9007199254740993", "9007199254740993"},
        // absurd magnitudes saturate instead of growing without bound
        NormalFormCase{"1e99999999999999999999", many_nines}, NormalFormCase{"-1e5000", many_nines},
        // not numeric
        NormalFormCase{"", std::nullopt}, NormalFormCase{" ", std::nullopt},
        NormalFormCase{"\t", std::nullopt}, NormalFormCase{".", std::nullopt},
        NormalFormCase{"+", std::nullopt}, NormalFormCase{"-", std::nullopt},
        NormalFormCase{"abc", std::nullopt}, NormalFormCase{"1.2.3", std::nullopt},
        NormalFormCase{"1e", std::nullopt}, NormalFormCase{"1e+", std::nullopt},
        NormalFormCase{"e5", std::nullopt}, NormalFormCase{".e1", std::nullopt},
        NormalFormCase{"1,000", std::nullopt}, NormalFormCase{"&H10", std::nullopt},
        NormalFormCase{"0x10", std::nullopt}, NormalFormCase{"1 2", std::nullopt},
        NormalFormCase{"- 1", std::nullopt}, NormalFormCase{"1-", std::nullopt},
        NormalFormCase{"(1)", std::nullopt}, NormalFormCase{"$1", std::nullopt},
        NormalFormCase{"１２", std::nullopt}, NormalFormCase{"1\n", std::nullopt},
        NormalFormCase{"\xA0"
                       "1",
                       std::nullopt},
        NormalFormCase{"++1", std::nullopt}, NormalFormCase{"1e2.5", std::nullopt},
        NormalFormCase{"1d2", std::nullopt}, NormalFormCase{std::string("1\0", 2), std::nullopt}));

struct BoundCase {
    std::string text;
    bool above_255;
    bool equals_1;
};

class BoundTest : public testing::TestWithParam<BoundCase> {};

TEST_P(BoundTest, ComparesExactValue) {
    const BoundCase& c = GetParam();
    const auto number = OctetNumber::parse(c.text);
    ASSERT_TRUE(number.has_value()) << c.text;
    EXPECT_EQ(number->above(255), c.above_255) << c.text;
    EXPECT_EQ(number->equals(1), c.equals_1) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, BoundTest,
    testing::Values(BoundCase{"255", false, false}, BoundCase{"256", true, false},
                    BoundCase{"255.0000000000000000001", true, false},
                    BoundCase{"255.9", true, false}, BoundCase{"0", false, false},
                    BoundCase{"-300", false, false}, BoundCase{"1", false, true},
                    BoundCase{"1.0", false, true}, BoundCase{"01", false, true},
                    BoundCase{"0.1e1", false, true}, BoundCase{"-1", false, false},
                    BoundCase{"1.5", false, false}, BoundCase{"1e3", true, false},
                    BoundCase{"1e99999999999", true, false}));

TEST(NormalFormTest, LongTextsStayLinearAndExact) {
    const std::string digits(200000, '7');
    EXPECT_EQ(normal_form("0000" + digits + ".123"), std::string(max_normal_digits, '9'));
    const std::string zeros(200000, '0');
    EXPECT_EQ(normal_form(zeros + "42"), "42");
    EXPECT_EQ(normal_form("0." + zeros + "1"), "0");
    EXPECT_EQ(normal_form("-0." + zeros + "1"), "1");
    EXPECT_FALSE(is_numeric(std::string(100000, '.')));
}

} // namespace
} // namespace zelvoro::ui
