#include "ui/qt/virtual_keys.h"

#include <array>

namespace zelvoro::ui::qt {

namespace {

struct KeyCode {
    int qt_key;
    int code;
};

// Keys whose code differs on the keypad.
constexpr std::array keypad_keys{
    KeyCode{Qt::Key_Period, 110},  KeyCode{Qt::Key_Comma, 110}, KeyCode{Qt::Key_Asterisk, 106},
    KeyCode{Qt::Key_Plus, 107},    KeyCode{Qt::Key_Minus, 109}, KeyCode{Qt::Key_Slash, 111},
    KeyCode{Qt::Key_Enter, 13},    KeyCode{Qt::Key_Insert, 45}, KeyCode{Qt::Key_Delete, 46},
    KeyCode{Qt::Key_Home, 36},     KeyCode{Qt::Key_End, 35},    KeyCode{Qt::Key_PageUp, 33},
    KeyCode{Qt::Key_PageDown, 34}, KeyCode{Qt::Key_Left, 37},   KeyCode{Qt::Key_Up, 38},
    KeyCode{Qt::Key_Right, 39},    KeyCode{Qt::Key_Down, 40},   KeyCode{Qt::Key_Clear, 12},
};

// Editing and navigation keys, modifiers, and the main keyboard's punctuation; a shifted
// symbol has the code of the key that carries it.
constexpr std::array main_keys{
    KeyCode{Qt::Key_Backspace, 8},
    KeyCode{Qt::Key_Tab, 9},
    KeyCode{Qt::Key_Backtab, 9},
    KeyCode{Qt::Key_Clear, 12},
    KeyCode{Qt::Key_Return, 13},
    KeyCode{Qt::Key_Enter, 13},
    KeyCode{Qt::Key_Shift, 16},
    KeyCode{Qt::Key_Control, 17},
    KeyCode{Qt::Key_Alt, 18},
    KeyCode{Qt::Key_Pause, 19},
    KeyCode{Qt::Key_CapsLock, 20},
    KeyCode{Qt::Key_Escape, 27},
    KeyCode{Qt::Key_Space, 32},
    KeyCode{Qt::Key_PageUp, 33},
    KeyCode{Qt::Key_PageDown, 34},
    KeyCode{Qt::Key_End, 35},
    KeyCode{Qt::Key_Home, 36},
    KeyCode{Qt::Key_Left, 37},
    KeyCode{Qt::Key_Up, 38},
    KeyCode{Qt::Key_Right, 39},
    KeyCode{Qt::Key_Down, 40},
    KeyCode{Qt::Key_Print, 44},
    KeyCode{Qt::Key_Insert, 45},
    KeyCode{Qt::Key_Delete, 46},
    KeyCode{Qt::Key_Meta, 91},
    KeyCode{Qt::Key_Menu, 93},
    KeyCode{Qt::Key_NumLock, 144},
    KeyCode{Qt::Key_ScrollLock, 145},
    KeyCode{Qt::Key_ParenRight, 0x30},
    KeyCode{Qt::Key_Exclam, 0x31},
    KeyCode{Qt::Key_At, 0x32},
    KeyCode{Qt::Key_NumberSign, 0x33},
    KeyCode{Qt::Key_Dollar, 0x34},
    KeyCode{Qt::Key_Percent, 0x35},
    KeyCode{Qt::Key_AsciiCircum, 0x36},
    KeyCode{Qt::Key_Ampersand, 0x37},
    KeyCode{Qt::Key_Asterisk, 0x38},
    KeyCode{Qt::Key_ParenLeft, 0x39},
    KeyCode{Qt::Key_Semicolon, 186},
    KeyCode{Qt::Key_Colon, 186},
    KeyCode{Qt::Key_Equal, 187},
    KeyCode{Qt::Key_Plus, 187},
    KeyCode{Qt::Key_Comma, 188},
    KeyCode{Qt::Key_Less, 188},
    KeyCode{Qt::Key_Minus, 189},
    KeyCode{Qt::Key_Underscore, 189},
    KeyCode{Qt::Key_Period, 190},
    KeyCode{Qt::Key_Greater, 190},
    KeyCode{Qt::Key_Slash, 191},
    KeyCode{Qt::Key_Question, 191},
    KeyCode{Qt::Key_QuoteLeft, 192},
    KeyCode{Qt::Key_AsciiTilde, 192},
    KeyCode{Qt::Key_BracketLeft, 219},
    KeyCode{Qt::Key_BraceLeft, 219},
    KeyCode{Qt::Key_Backslash, 220},
    KeyCode{Qt::Key_Bar, 220},
    KeyCode{Qt::Key_BracketRight, 221},
    KeyCode{Qt::Key_BraceRight, 221},
    KeyCode{Qt::Key_Apostrophe, 222},
    KeyCode{Qt::Key_QuoteDbl, 222},
};

constexpr int vk_digit_0 = 0x30;
constexpr int vk_letter_a = 0x41;
constexpr int vk_keypad_0 = 0x60;
constexpr int vk_f1 = 112;

template <std::size_t N> int find_code(const std::array<KeyCode, N>& table, int qt_key) {
    for (const KeyCode& entry : table) {
        if (entry.qt_key == qt_key) {
            return entry.code;
        }
    }
    return 0;
}

int keypad_code(int qt_key) {
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) {
        return vk_keypad_0 + (qt_key - Qt::Key_0);
    }
    return find_code(keypad_keys, qt_key);
}

int main_keyboard_code(int qt_key) {
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) {
        return vk_digit_0 + (qt_key - Qt::Key_0);
    }
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) {
        return vk_letter_a + (qt_key - Qt::Key_A);
    }
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) {
        return vk_f1 + (qt_key - Qt::Key_F1);
    }
    return find_code(main_keys, qt_key);
}

} // namespace

int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int code = keypad_code(qt_key); code != 0) {
            return code;
        }
    }
    return main_keyboard_code(qt_key);
}

int shift_state(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace zelvoro::ui::qt
