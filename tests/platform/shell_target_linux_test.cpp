#include "platform/shell_target_linux.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

struct TargetCase {
    std::string given;
    std::string opened;
};

TEST(platform_shell_target_linux, UncPathsBecomeSmbUrls) {
    const std::vector<TargetCase> cases = {
        {"\\\\192.0.2.9", "smb://192.0.2.9/"},
        {"\\\\192.0.2.9\\share\\folder", "smb://192.0.2.9/share/folder"},
        {"http://www.example.com/", "http://www.example.com/"},
        {"/home/user/export.txt", "/home/user/export.txt"},
        {"\\192.0.2.9", "\\192.0.2.9"},
        {"\\\\", "\\\\"},
        {"\\\\\\192.0.2.9", "\\\\\\192.0.2.9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(linux_open_target(c.given), c.opened);
    }
}

} // namespace
} // namespace zelvoro::platform
