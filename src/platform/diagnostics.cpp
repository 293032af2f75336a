#include "platform/diagnostics.h"

#include "platform/environment.h"

#include <cstdio>
#include <utility>

namespace zelvoro::platform {

void RecordedDiagnostics::write(LogLevel /*level*/, std::string_view line) {
    const std::scoped_lock lock(mutex_);
    lines_.emplace_back(line);
}

std::vector<std::string> RecordedDiagnostics::take() {
    const std::scoped_lock lock(mutex_);
    return std::exchange(lines_, {});
}

void StandardErrorDiagnostics::write(LogLevel level, std::string_view line) {
    const std::string text = standard_error_line(program_, level, line) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::string standard_error_line(std::string_view program, LogLevel level, std::string_view line) {
    std::string text(program);
    text += level == LogLevel::debug ? ": debug: " : ": ";
    text += line;
    return text;
}

bool debug_log_requested() {
    return environment_variable(log_level_variable) == "debug";
}

} // namespace zelvoro::platform
