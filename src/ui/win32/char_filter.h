// The characters a text box does not take. Windows posts the character of a key to the box in
// which the key went down, after its KeyDown has run: the keypad's decimal point whose KeyDown
// moved the focus on has done its work as a step to the next field and is dropped, as is the
// line break of Enter, which a single-line box would answer with a beep.
#pragma once

#include "ui/key_codes.h"

namespace zelvoro::ui::win32 {

class CharFilter {
public:
    // A key went down in the box and its KeyDown has run.
    void key_down(int key, bool focus_moved_away);
    // Whether the box drops this character (the next one it is sent).
    bool drops(wchar_t character);

private:
    bool drop_next_ = false;
};

// Keys a text box asks the dialog navigation to leave to it (WM_GETDLGCODE): Enter, which
// would otherwise press a default button instead of reaching KeyDown.
bool text_box_wants_key(int key);

} // namespace zelvoro::ui::win32
