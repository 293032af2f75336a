// Where the desktop program's diagnostics go. Linux: standard error, and the systemd journal
// (identifier PROGRAM, so `journalctl -t PROGRAM` shows the lines) when standard error is not a
// terminal, as for a program started from the desktop; a standard error that already leads into
// the journal gets no second copy. Windows: the debugger output (OutputDebugStringW), and
// standard error when the process has one.
#pragma once

#include "platform/diagnostics.h"

#include <memory>
#include <string>

namespace zelvoro::platform {

std::unique_ptr<Diagnostics> make_system_log(const std::string& program);

} // namespace zelvoro::platform
