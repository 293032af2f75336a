// Running the echo helper: its request already waiting in a pipe (written before the helper
// starts, so no write can meet a helper that has gone), its answer read from another, every
// wait bounded by a deadline, and the helper killed by its pid when it is late or no longer
// wanted.
#pragma once

#include "platform/linux/file_descriptor_linux.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace zelvoro::platform {

using HelperClock = std::chrono::steady_clock;

// A started helper: killed and reaped when it goes, unless it was reaped before.
class HelperChild {
public:
    explicit HelperChild(pid_t pid);
    HelperChild(HelperChild&& other) noexcept;
    HelperChild(const HelperChild&) = delete;
    HelperChild& operator=(const HelperChild&) = delete;
    HelperChild& operator=(HelperChild&&) = delete;
    ~HelperChild();

    // Its exit status, or nothing when it has not ended by the deadline or did not exit.
    std::optional<int> exit_status(HelperClock::time_point deadline);

private:
    int reap();

    pid_t pid_;
    FileDescriptor pidfd_;
};

// A helper run: the child and the read end of its standard output.
struct HelperRun {
    HelperChild child;
    FileDescriptor output;
};

// Starts `helper` with `arguments`, `request` on its standard input, its standard output in a
// pipe, this process's standard error (/dev/null where it has none), no other descriptor, and
// nothing of the environment but ZELVORO_LOG. Nothing when it cannot be started.
std::optional<HelperRun> start_helper(const std::filesystem::path& helper,
                                      std::span<const std::string_view> arguments,
                                      std::string_view request);

// What waiting for a helper's output came to.
enum class HelperWait { readable, late, stopped };

// Waits until `fd` is readable, the deadline has passed, or `stop` (a descriptor; -1 for none)
// is readable, which comes first.
HelperWait wait_readable(int fd, HelperClock::time_point deadline, int stop = -1);

} // namespace zelvoro::platform
