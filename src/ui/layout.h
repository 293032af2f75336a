// Design-time layout of a window: one row per control, in twips (1/1440 inch).
// Backends build their widgets from these tables; window logic addresses controls by name.
#pragma once

#include <span>
#include <string_view>

namespace zelvoro::ui {

enum class ControlKind { text_box, label, list_box, button, frame, save_dialog };

// Text styles beyond the toolkit default.
enum class TextStyle {
    normal,
    link,   // blue Arial 12 pt (a home-page address)
    accent, // purple (128, 0, 128)
};

struct ControlLayout {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;
    std::string_view container; // empty: the window's client area
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int tab_index = -1; // -1: the control is not in the tab order
    bool locked = false;
    TextStyle style = TextStyle::normal;
};

struct WindowLayout {
    std::string_view name;
    std::string_view caption;
    int client_width = 0; // twips
    int client_height = 0;
    std::span<const ControlLayout> controls;
};

constexpr int twips_per_inch = 1440;

} // namespace zelvoro::ui
