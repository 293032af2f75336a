// Design-time twips (1/1440 inch) to physical pixels at a window's DPI.
#pragma once

#include "ui/layout.h"

namespace zelvoro::ui::win32 {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Rounded to the nearest pixel, halves away from zero.
int twips_to_pixels(int twips, unsigned dpi);

// A control's rectangle in its window's client area. A control placed in a frame is given
// relative to the frame; `frame` is that frame's layout, or null for the client area.
PixelRect control_rect(const ControlLayout& control, const ControlLayout* frame, unsigned dpi);

PixelRect client_rect(const WindowLayout& window, unsigned dpi);

} // namespace zelvoro::ui::win32
