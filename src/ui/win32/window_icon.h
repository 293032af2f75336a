// The one window icon both windows share, drawn with GDI at start-up at the size asked for:
// a segment of hosts around a sounding probe (the picture of the Qt view's icon, designed on
// a 48 × 48 grid), on a rounded blue square.
#pragma once

#include "ui/win32/gdi_handles.h"

namespace zelvoro::ui::win32 {

inline constexpr int window_icon_design_size = 48;

IconHandle make_window_icon(int size);

} // namespace zelvoro::ui::win32
