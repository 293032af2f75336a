#include "ui/win32/char_filter.h"

namespace zelvoro::ui::win32 {

void CharFilter::key_down(int key, bool focus_moved_away) {
    drop_next_ = key == key_code::keypad_decimal_point && focus_moved_away;
}

bool CharFilter::drops(wchar_t character) {
    const bool dropped = drop_next_ || character == L'\r' || character == L'\n';
    drop_next_ = false;
    return dropped;
}

bool text_box_wants_key(int key) {
    return key == key_code::enter;
}

} // namespace zelvoro::ui::win32
