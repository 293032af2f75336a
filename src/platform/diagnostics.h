// Why a failure happened, for whoever looks into it: the user sees the program's message box,
// and the reason behind it goes here, one line per failure (what was tried and why it failed).
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {

enum class LogLevel {
    failure, // always written
    debug,   // only asked for (ZELVORO_LOG=debug): each service call and its duration
};

class Diagnostics {
public:
    virtual ~Diagnostics() = default;
    // One line, without a line end; from any thread (presence watches run threads of their own).
    virtual void write(LogLevel level, std::string_view line) = 0;

    void failure(std::string_view line) { write(LogLevel::failure, line); }
    void debug(std::string_view line) { write(LogLevel::debug, line); }
};

// The lines in memory, in the order written (tests and scripted runs).
class RecordedDiagnostics final : public Diagnostics {
public:
    void write(LogLevel level, std::string_view line) override;
    // The lines written since the last call, oldest first.
    std::vector<std::string> take();

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Standard error, "PROGRAM: LINE" (debug lines "PROGRAM: debug: LINE"); for the command-line
// tools.
class StandardErrorDiagnostics final : public Diagnostics {
public:
    explicit StandardErrorDiagnostics(std::string program) : program_(std::move(program)) {}
    void write(LogLevel level, std::string_view line) override;

private:
    std::string program_;
};

// "PROGRAM: LINE" or "PROGRAM: debug: LINE", the form every standard-error line takes.
std::string standard_error_line(std::string_view program, LogLevel level, std::string_view line);

// ZELVORO_LOG=debug asks for a line per service call besides the failures.
inline constexpr std::string_view log_level_variable = "ZELVORO_LOG";
bool debug_log_requested();

} // namespace zelvoro::platform
