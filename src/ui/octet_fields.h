// The octet fields: one rule set, driven by a window's table of field profiles, that keeps
// every field empty or a plain decimal number, refuses bad values with a message and moves the
// focus on. What depends on the window (its prefills, when its fields hold their focus moves
// back, its hint line) the window hands in as hooks. Handlers run nested inside the writes
// that trigger them.
#pragma once

#include "ui/window.h"

#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace zelvoro::ui {

enum class ZeroRule { cleared, refused, kept };
enum class RangeMessage { up_to_254, up_to_255 };
enum class OutOfRange { emptied, kept_in_field, set_to_255 };
enum class StepCondition { always, unless_held };
enum class Hint { none, show, hide };

struct OctetProfile {
    std::string_view field;
    ZeroRule zero;
    RangeMessage range;
    OutOfRange out_of_range;
    std::string_view next_field; // after three characters; "" when the field has no step
    StepCondition step = StepCondition::always;
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

struct OctetFieldHooks {
    // A field's check found an octet (0..255) in it: the window's prefills.
    std::function<void(TextBox& field)> octet_accepted;
    // While true, the fields whose step is `unless_held` cut to three characters but keep the
    // focus where it is.
    std::function<bool()> focus_moves_held;
    // The window's hint line, shown or hidden by the fields whose profile names a hint.
    std::function<void(bool visible)> show_hint;
};

namespace octet_text {
inline constexpr std::string_view title = "注意";
inline constexpr std::string_view range_254 = "请输入正确的IP地址，并确保在1-254之间!";
inline constexpr std::string_view range_255 = "请输入正确的IP地址，并确保在1-255之间!";
inline constexpr std::string_view not_an_address = "请输入正确的IP地址!";
} // namespace octet_text

// Attaches the Change and KeyDown handlers of a table to a window's fields. Every field the
// table names is looked up here: a name that is not a text box of the window throws.
class OctetFields {
public:
    OctetFields(Window& window, const OctetFieldTable& table, OctetFieldHooks hooks);
    OctetFields(const OctetFields&) = delete;
    OctetFields& operator=(const OctetFields&) = delete;

private:
    struct Field {
        const OctetProfile* profile;
        TextBox* box;
        TextBox* next; // nothing when the field has no step
    };

    void on_change(const Field& field);
    void normalize(TextBox& box, ZeroRule zero);
    void check(const Field& field);
    void refuse_zero(TextBox& box);
    void three_character_step(const Field& field);
    void warn(std::string_view text);

    Window& window_;
    OctetFieldHooks hooks_;
    std::vector<Field> fields_;
};

} // namespace zelvoro::ui
