// The Linux system log with another journal in place of systemd's (tests).
#pragma once

#include "platform/diagnostics.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zelvoro::platform {

using JournalWriter = std::function<void(LogLevel level, std::string_view line)>;

// make_system_log() with its journal lines going to `journal`.
std::unique_ptr<Diagnostics> make_system_log(const std::string& program, JournalWriter journal);

} // namespace zelvoro::platform
