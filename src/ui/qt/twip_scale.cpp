#include "ui/qt/twip_scale.h"

#include <QScreen>
#include <cmath>

namespace zelvoro::ui::qt {

namespace {

constexpr double fallback_dpi = 96.0;

int to_pixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / twips_per_inch));
}

} // namespace

TwipScale TwipScale::of(const QScreen* screen) {
    if (screen == nullptr) {
        return {fallback_dpi, fallback_dpi};
    }
    return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}

int TwipScale::x(int twips) const {
    return to_pixels(twips, dpi_x_);
}

int TwipScale::y(int twips) const {
    return to_pixels(twips, dpi_y_);
}

QRect TwipScale::rect(const ControlLayout& control) const {
    return {x(control.left), y(control.top), x(control.width), y(control.height)};
}

QSize TwipScale::client_size(const WindowLayout& window) const {
    return {x(window.client_width), y(window.client_height)};
}

} // namespace zelvoro::ui::qt
