#include "ui/octet_number.h"

#include <algorithm>
#include <cstdint>

namespace zelvoro::ui {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Exponents beyond this magnitude cannot change the outcome: any nonzero mantissa is then
// far above max_normal_digits digits, or far below one.
constexpr std::int64_t exponent_limit = 1'000'000'000;

// The decimal text split into its parts, before any arithmetic.
struct DecimalText {
    bool negative = false;
    std::string digits;     // every mantissa digit, point removed
    std::int64_t point = 0; // digits before the decimal point
    std::int64_t exponent = 0;
};

bool take_sign(std::string_view& text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        text.remove_prefix(1);
    }
    return negative;
}

std::optional<DecimalText> split_decimal(std::string_view text) {
    DecimalText parts;
    parts.negative = take_sign(text);
    bool seen_point = false;
    std::size_t pos = 0;
    for (; pos < text.size(); ++pos) {
        if (is_digit(text[pos])) {
            parts.digits.push_back(text[pos]);
        } else if (text[pos] == '.' && !seen_point) {
            seen_point = true;
            parts.point = static_cast<std::int64_t>(parts.digits.size());
        } else {
            break;
        }
    }
    if (parts.digits.empty()) {
        return std::nullopt;
    }
    if (!seen_point) {
        parts.point = static_cast<std::int64_t>(parts.digits.size());
    }
    text.remove_prefix(pos);
    if (text.empty()) {
        return parts;
    }
    if (text.front() != 'e' && text.front() != 'E') {
        return std::nullopt;
    }
    text.remove_prefix(1);
    const bool negative_exponent = take_sign(text);
    if (text.empty() || !std::all_of(text.begin(), text.end(), is_digit)) {
        return std::nullopt;
    }
    for (char digit : text) {
        parts.exponent = std::min(parts.exponent * 10 + (digit - '0'), exponent_limit);
    }
    if (negative_exponent) {
        parts.exponent = -parts.exponent;
    }
    return parts;
}

// Adds one to a string of decimal digits.
void increment(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// Compares two digit strings without leading zeros as numbers.
int compare_digits(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

} // namespace

std::optional<OctetNumber> OctetNumber::parse(std::string_view text) {
    std::optional<DecimalText> parts = split_decimal(trim_blanks(text));
    if (!parts) {
        return std::nullopt;
    }
    // Drop leading zeros: the point position moves left with them.
    const std::size_t first_nonzero = parts->digits.find_first_not_of('0');
    OctetNumber number;
    number.negative_ = parts->negative;
    if (first_nonzero == std::string::npos) {
        return number; // zero
    }
    const std::string digits = parts->digits.substr(first_nonzero);
    const std::int64_t point =
        parts->point - static_cast<std::int64_t>(first_nonzero) + parts->exponent;
    if (point <= 0) {
        number.has_fraction_ = true;
    } else if (point > static_cast<std::int64_t>(max_normal_digits)) {
        number.integer_digits_.assign(max_normal_digits + 1, '9'); // saturated, see normal_form
    } else {
        const auto whole = static_cast<std::size_t>(point);
        number.integer_digits_ = digits.substr(0, whole);
        number.integer_digits_.resize(whole, '0');
        number.has_fraction_ =
            whole < digits.size() && digits.find_first_not_of('0', whole) != std::string::npos;
    }
    return number;
}

bool OctetNumber::above(unsigned bound) const {
    if (negative_) {
        return false; // a negative value, or zero, is never above a whole number >= 0
    }
    const std::string bound_digits = bound == 0 ? std::string() : std::to_string(bound);
    const int order = compare_digits(integer_digits_, bound_digits);
    return order > 0 || (order == 0 && has_fraction_);
}

bool OctetNumber::equals(unsigned whole) const {
    const std::string whole_digits = whole == 0 ? std::string() : std::to_string(whole);
    return !has_fraction_ && integer_digits_ == whole_digits && (!negative_ || whole == 0);
}

std::string OctetNumber::normal_form() const {
    std::string digits = integer_digits_;
    if (negative_ && has_fraction_) {
        increment(digits); // the floor of a negative value lies one further from zero
    }
    if (digits.empty()) {
        return "0";
    }
    if (digits.size() > max_normal_digits) {
        return std::string(max_normal_digits, '9');
    }
    return digits;
}

bool is_numeric(std::string_view text) {
    return OctetNumber::parse(text).has_value();
}

std::optional<std::string> normal_form(std::string_view text) {
    std::optional<OctetNumber> number = OctetNumber::parse(text);
    if (!number) {
        return std::nullopt;
    }
    return number->normal_form();
}

} // namespace zelvoro::ui
