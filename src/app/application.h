// Program start: the windows the program knows, and the first one shown.
#pragma once

#include "platform/services.h"
#include "shared/process_state.h"
#include "ui/toolkit.h"

#include <string_view>

namespace zelvoro::app {

inline constexpr std::string_view application_title = "Zelvoro";

// Registers both windows with the toolkit; each is created afresh whenever it is loaded, with
// the services and the process-wide state, which outlive the toolkit.
void register_windows(ui::Toolkit& toolkit, platform::Services& services,
                      shared::ProcessState& state);

// The process-wide state as the program starts: nothing picked or found yet, and the page
// address chosen by the environment.
shared::ProcessState initial_state();

// Shows the main window, as at program start.
void start(ui::Toolkit& toolkit);

} // namespace zelvoro::app
