// Where the desktop program's lines go when standard error is no terminal (as here): the
// journal, and standard error too unless standard error is itself a stream into the journal
// (as systemd names it in JOURNAL_STREAM for the services it starts).
#include "platform/log/system_log_linux.h"
#include "support/scoped_environment.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelvoro::platform {
namespace {

struct Journaled {
    LogLevel level;
    std::string line;

    friend bool operator==(const Journaled&, const Journaled&) = default;
};

// "DEVICE:INODE" of standard error as it is now.
std::string standard_error_stream() {
    struct stat status {};
    EXPECT_EQ(::fstat(STDERR_FILENO, &status), 0);
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

TEST(platform_linux_system_log, WithoutATerminal) {
    struct Case {
        std::string name;
        bool standard_error_is_journal;
        std::string standard_error;
    };
    const std::vector<Case> cases = {
        {"standard error elsewhere", false,
         "zelvoro-test: EnableStatic failed\nzelvoro-test: debug: echo took 1 ms\n"},
        {"standard error into the journal", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Journaled> journal;
        testing::internal::CaptureStderr(); // a file of its own from here on
        {
            const test_support::ScopedEnvironment stream(
                "JOURNAL_STREAM", c.standard_error_is_journal
                                      ? std::optional(standard_error_stream())
                                      : std::nullopt);
            const auto log =
                make_system_log("zelvoro-test", [&](LogLevel level, std::string_view line) {
                    journal.push_back({level, std::string(line)});
                });
            log->failure("EnableStatic failed");
            log->debug("echo took 1 ms");
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.standard_error);
        EXPECT_EQ(journal, (std::vector<Journaled>{{LogLevel::failure, "EnableStatic failed"},
                                                   {LogLevel::debug, "echo took 1 ms"}}));
    }
}

} // namespace
} // namespace zelvoro::platform
