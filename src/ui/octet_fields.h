// The octet fields: one rule set, driven by per-field profile tables, that keeps every field
// empty or a plain decimal number, refuses bad values with a message, moves the focus on and
// prefills dependent rows. Handlers run nested inside the writes that trigger them.
#pragma once

#include "ui/window.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace zelvoro::ui {

enum class ZeroRule { cleared, refused, kept };
enum class RangeMessage { up_to_254, up_to_255 };
enum class OutOfRange { emptied, kept_in_field, set_to_255 };
enum class StepCondition { always, while_nothing_picked };
enum class Hint { none, show, hide };

// What a field does with a valid octet (value 0..255).
enum class InRangeAction {
    none,
    copy_start_to_end,        // main window: the end row follows the start row, end octet 255
    prefill_mask_and_gateway, // settings window: mask 255.255.255.0, gateway host 1
    no_gateway_for_host_one,  // settings window: host 1 takes no gateway
};

struct OctetProfile {
    std::string_view field;
    ZeroRule zero;
    RangeMessage range;
    OutOfRange out_of_range;
    std::string_view next_field; // after three characters; "" when the field has no step
    StepCondition step = StepCondition::always;
    InRangeAction action = InRangeAction::none;
    Hint hint = Hint::none;
};

struct KeyProfile {
    std::string_view field;
    bool keypad_decimal_point; // also reacts to the keypad's decimal point, not only Enter
    std::string_view target;
};

struct OctetFieldTable {
    std::span<const OctetProfile> change;
    std::span<const KeyProfile> keys;
};

extern const OctetFieldTable main_window_octet_fields;
extern const OctetFieldTable settings_window_octet_fields;

inline constexpr int key_enter = 13;
inline constexpr int key_keypad_decimal_point = 110;

namespace octet_text {
inline constexpr std::string_view title = "注意";
inline constexpr std::string_view range_254 = "请输入正确的IP地址，并确保在1-254之间!";
inline constexpr std::string_view range_255 = "请输入正确的IP地址，并确保在1-255之间!";
inline constexpr std::string_view not_an_address = "请输入正确的IP地址!";
inline constexpr std::string_view no_gateway = "IP为1时,不需要网关!";
inline constexpr std::string_view hint = "小提示，不足3位时,回车或'.'编辑下一项!";
} // namespace octet_text

// Attaches the Change and KeyDown handlers of a table to a window's fields. `picked_address`
// is the process-wide hand-over address; the rule set only tests whether it is empty.
class OctetFields {
public:
    OctetFields(Window& window, const OctetFieldTable& table, const std::string& picked_address);

private:
    void on_change(const OctetProfile& profile);
    void normalize(TextBox& field, ZeroRule zero);
    void check(TextBox& field, const OctetProfile& profile);
    void refuse_zero(TextBox& field);
    void three_character_step(TextBox& field, const OctetProfile& profile);
    void run(InRangeAction action);
    void copy_start_to_end();
    void prefill_mask_and_gateway();
    void no_gateway_for_host_one();
    void set_hint(Hint hint);
    void warn(std::string_view text);
    bool nothing_picked() const { return picked_address_.empty(); }

    Window& window_;
    const std::string& picked_address_;
};

// The row's four field texts joined with "." exactly as they stand.
using RowFields = std::array<std::string_view, 4>;
std::string row_text(const Window& window, const RowFields& row);

// Splits a dotted-quad text at its first three dots into the row's four fields, in field
// order, each write running that field's change handling. A text with fewer than three dots
// leaves the fields it does not reach untouched.
void row_fill(Window& window, const RowFields& row, std::string_view text);

} // namespace zelvoro::ui
