#include "ui/win32/twip_scale.h"

#include <cmath>

namespace zelvoro::ui::win32 {

int twips_to_pixels(int twips, unsigned dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / twips_per_inch));
}

PixelRect control_rect(const ControlLayout& control, const ControlLayout* frame, unsigned dpi) {
    PixelRect rect{twips_to_pixels(control.left, dpi), twips_to_pixels(control.top, dpi),
                   twips_to_pixels(control.width, dpi), twips_to_pixels(control.height, dpi)};
    if (frame != nullptr) {
        rect.x += twips_to_pixels(frame->left, dpi);
        rect.y += twips_to_pixels(frame->top, dpi);
    }
    return rect;
}

PixelRect client_rect(const WindowLayout& window, unsigned dpi) {
    return {0, 0, twips_to_pixels(window.client_width, dpi),
            twips_to_pixels(window.client_height, dpi)};
}

} // namespace zelvoro::ui::win32
