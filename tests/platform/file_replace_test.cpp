// Replacing files through the platform layer, on every system; the folder is named in Chinese
// so that the path must survive as UTF-8 on Linux and UTF-16 on Windows.
#include "platform/file_replace.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::utf8;
using testing_support::write_bytes;

namespace fs = std::filesystem;

class platform_file_replace : public testing::Test {
protected:
    void SetUp() override { fs::create_directory(folder_); }

    testing_support::TempFolder temp_;
    const fs::path folder_ = temp_.path() / u8"测试";
    const fs::path target_ = folder_ / u8"导出.txt";
};

struct WriteCase {
    std::string name;
    std::optional<std::string> old_content;
    std::string content;
};

TEST_F(platform_file_replace, WritesTheWholeContent) {
    const std::vector<WriteCase> cases = {
        {"new file", std::nullopt, "192.0.2.1\r\n192.0.2.2\r\n"},
        {"longer file replaced", "198.51.100.1\r\n198.51.100.2\r\n198.51.100.3\r\n",
         "192.0.2.1\r\n"},
        {"shorter file replaced", "x", "192.0.2.1\r\n192.0.2.2\r\n"},
        {"emptied", "198.51.100.1\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(target_);
        if (c.old_content) {
            write_bytes(target_, *c.old_content);
        }
        EXPECT_TRUE(replace_file(utf8(target_), c.content));
        EXPECT_EQ(read_bytes(target_), c.content);
        EXPECT_EQ(names_in(folder_), std::set<std::string>{utf8(target_.filename())});
    }
}

TEST_F(platform_file_replace, FailsWithoutLeavingAnything) {
    const fs::path in_missing_folder = folder_ / "missing" / "export.txt";
    const fs::path folder_as_target = folder_ / "export.txt";
    fs::create_directory(folder_as_target);
    write_bytes(folder_as_target / "kept.txt", "kept");
    for (const fs::path& target : {in_missing_folder, folder_as_target, fs::path()}) {
        SCOPED_TRACE(utf8(target));
        EXPECT_FALSE(replace_file(utf8(target), "192.0.2.1\r\n"));
        EXPECT_EQ(names_in(folder_), std::set<std::string>{"export.txt"});
        EXPECT_EQ(read_bytes(folder_as_target / "kept.txt"), "kept");
    }
}

TEST_F(platform_file_replace, HardLinkedFileKeepsBothNames) {
    write_bytes(target_, "198.51.100.1\r\n");
    const fs::path second = folder_ / "second.txt";
    fs::create_hard_link(target_, second);
    EXPECT_TRUE(replace_file(utf8(second), "192.0.2.1\r\n"));
    EXPECT_EQ(read_bytes(target_), "192.0.2.1\r\n");
    EXPECT_TRUE(fs::equivalent(target_, second));
    EXPECT_EQ(names_in(folder_), (std::set<std::string>{utf8(target_.filename()), "second.txt"}));
}

} // namespace
} // namespace zelvoro::platform
