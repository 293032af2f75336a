// Numeric texts of the octet fields: recognition, comparison with an octet bound and the
// normal form, all computed exactly from the decimal text (never through floating point).
//
// A text is numeric when, apart from leading and trailing blanks (space, tab), it is an
// optional sign, decimal digits with at most one decimal point among them (at least one
// digit), then optionally an exponent: E or e, an optional sign, digits. Nothing else is
// numeric ("1,000", "&H10", full-width digits, "1e", ".", "+").
//
// The normal form is the absolute value of the largest integer not above the value, written
// in decimal digits without sign or leading zeros: "-0.5" -> "1", "255.99999999999999999" ->
// "255", "-1e-400" -> "1". It is exact for every value whose integer part has at most
// max_normal_digits digits, values of 10^15 and above included ("1e20" -> "1" and twenty
// zeros); a value with a longer integer part (reachable only through a large exponent or a
// text of thousands of digits) saturates to max_normal_digits nines, which is itself a
// normal form and far above any octet.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::ui {

constexpr std::size_t max_normal_digits = 4096;

class OctetNumber {
public:
    // Nothing when the text is not numeric.
    static std::optional<OctetNumber> parse(std::string_view text);

    // Compares the exact value with a whole number: true when the value is above it.
    bool above(unsigned bound) const;
    // True when the value is exactly the whole number `whole`.
    bool equals(unsigned whole) const;
    std::string normal_form() const;

private:
    OctetNumber() = default;
    // The integer part of the absolute value, without leading zeros ("" for zero).
    std::string integer_digits_;
    bool negative_ = false;
    bool has_fraction_ = false; // a nonzero digit after the decimal point
};

bool is_numeric(std::string_view text);

// The normal form of a numeric text; nothing for a text that is not numeric.
std::optional<std::string> normal_form(std::string_view text);

} // namespace zelvoro::ui
