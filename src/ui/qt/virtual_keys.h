// Qt key events as the Windows virtual-key codes and shift state the KeyDown handlers expect.
#pragma once

#include <Qt>

namespace zelvoro::ui::qt {

// The virtual-key code of a key (US layout), or 0 when the key has none. Keys on the keypad
// are told apart by Qt::KeypadModifier: the keypad's decimal point is 110, the main
// keyboard's "." is 190.
int virtual_key(int qt_key, Qt::KeyboardModifiers modifiers);

// The shift-state mask: 1 Shift, 2 Ctrl, 4 Alt.
int shift_state(Qt::KeyboardModifiers modifiers);

} // namespace zelvoro::ui::qt
