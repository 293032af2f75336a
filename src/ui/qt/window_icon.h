// The one window icon both windows share: a 48 × 48 picture drawn at start-up.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace zelvoro::ui::qt {

inline constexpr int window_icon_size = 48;

// A segment of hosts around a sounding probe: four hosts on a ring, joined to the centre,
// which sends out echo waves.
QPixmap draw_window_icon();

// The same drawing scaled to `size` × `size` pixels; needs no application object (the desktop
// icons of the package are rendered from it at build time).
QImage draw_window_icon(int size);

QIcon window_icon();

} // namespace zelvoro::ui::qt
