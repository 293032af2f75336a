// Process-wide state: the address the main window hands to the settings window.
#pragma once

#include <string>

namespace zelvoro::app {

// Empty when unset; otherwise a dotted quad. Closing a window never clears it.
extern std::string picked_address;

} // namespace zelvoro::app
