// Replacing files, on every system; the folder has a Chinese name, so the path must survive as
// UTF-8 on Linux and UTF-16 on Windows.
#include "platform/file_replace.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>

namespace zelvoro::platform {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Names = std::set<std::string>;

class platform_file_replace : public testing::Test {
protected:
    void SetUp() override { fs::create_directory(folder_); }

    TempFolder temp_;
    const fs::path folder_ = temp_.path() / u8"测试";
    const fs::path target_ = folder_ / u8"导出.txt";
    const std::string name_ = utf8(target_.filename());
};

TEST_F(platform_file_replace, WritesTheWholeContent) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, "192.0.2.1\r\n192.0.2.2\r\n"}, // new file
        {"198.51.100.1\r\n198.51.100.2\r\n198.51.100.3\r\n", "192.0.2.1\r\n"},
        {"x", "192.0.2.1\r\n192.0.2.2\r\n"},
        {"198.51.100.1\r\n", ""},
    };
    for (const auto& [old_content, content] : cases) {
        SCOPED_TRACE(content);
        fs::remove(target_);
        if (old_content) {
            write_bytes(target_, *old_content);
        }
        EXPECT_TRUE(replace_file(utf8(target_), content));
        EXPECT_EQ(read_bytes(target_), content);
        EXPECT_EQ(names_in(folder_), Names{name_});
    }
}

TEST_F(platform_file_replace, FailsWithoutLeavingAnything) {
    const fs::path folder_as_target = folder_ / "export.txt";
    fs::create_directory(folder_as_target);
    for (const fs::path& target :
         {folder_ / "missing" / "export.txt", folder_as_target, fs::path()}) {
        SCOPED_TRACE(utf8(target));
        EXPECT_FALSE(replace_file(utf8(target), "192.0.2.1\r\n"));
        EXPECT_EQ(names_in(folder_), Names{"export.txt"});
        EXPECT_TRUE(fs::is_empty(folder_as_target));
    }
}

// Written in place, growing and shrinking.
TEST_F(platform_file_replace, HardLinkedFileKeepsBothNames) {
    const fs::path second = folder_ / "second.txt";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"198.51.100.1\r\n", "192.0.2.1\r\n"},
        {"1\r\n", "192.0.2.1\r\n192.0.2.2\r\n"},
    };
    for (const auto& [old_content, content] : cases) {
        SCOPED_TRACE(content);
        fs::remove(target_);
        fs::remove(second);
        write_bytes(target_, old_content);
        fs::create_hard_link(target_, second);
        EXPECT_TRUE(replace_file(utf8(second), content));
        EXPECT_EQ(read_bytes(target_), content);
        EXPECT_TRUE(fs::equivalent(target_, second));
        EXPECT_EQ(names_in(folder_), (Names{name_, "second.txt"}));
    }
}

// A name of 250 bytes leaves room for no name that grows with it beside the file.
TEST_F(platform_file_replace, LongNameIsReplaced) {
    const std::string name = std::string(246, 'x') + ".txt";
    write_bytes(folder_ / name, "198.51.100.1\r\n");
    EXPECT_TRUE(replace_file(utf8(folder_ / name), "192.0.2.1\r\n"));
    EXPECT_EQ(read_bytes(folder_ / name), "192.0.2.1\r\n");
    EXPECT_EQ(names_in(folder_), Names{name});
}

// A device is not a file to export to, even one that takes every byte.
TEST_F(platform_file_replace, DeviceIsNotWritten) {
#ifdef _WIN32
    EXPECT_FALSE(replace_file("NUL", "192.0.2.1\r\n"));
#else
    EXPECT_FALSE(replace_file("/dev/null", "192.0.2.1\r\n"));
#endif
}

} // namespace
} // namespace zelvoro::platform
