#include "platform/shell_target_linux.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace zelvoro::platform {
namespace {

TEST(platform_shell_target_linux, UncPathsBecomeSmbUrls) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\\\\192.0.2.9", "smb://192.0.2.9/"},
        {"\\\\192.0.2.9\\share\\folder", "smb://192.0.2.9/share/folder"},
        {"http://www.example.com/", "http://www.example.com/"},
        {"\\192.0.2.9", "\\192.0.2.9"},
        {"\\\\", "\\\\"},
        {"\\\\\\192.0.2.9", "\\\\\\192.0.2.9"},
    };
    for (const auto& [given, opened] : cases) {
        EXPECT_EQ(linux_open_target(given), opened) << given;
    }
}

} // namespace
} // namespace zelvoro::platform
