// Program start: the windows the program knows, and the first one shown.
#pragma once

#include "platform/services.h"
#include "ui/toolkit.h"

#include <string_view>

namespace zelvoro::app {

inline constexpr std::string_view application_title = "Zelvoro";

// Registers both windows with the toolkit; each is created afresh whenever it is loaded.
void register_windows(ui::Toolkit& toolkit, platform::Services& services);

// Shows the main window, as at program start.
void start(ui::Toolkit& toolkit);

} // namespace zelvoro::app
