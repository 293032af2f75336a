// The Windows virtual-key codes the KeyDown handlers test, whatever the backend.
#pragma once

namespace zelvoro::ui::key_code {

inline constexpr int enter = 13;
inline constexpr int keypad_decimal_point = 110;
inline constexpr int period = 190; // the main keyboard's "."

} // namespace zelvoro::ui::key_code
