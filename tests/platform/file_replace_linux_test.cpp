// Replacing files on Linux: symbolic links, permission bits and owners, and the cases where the
// file must be written in place. Cases that need another user or a mount of their own run in a
// child process (as nobody, or in a private mount namespace), which reports back through a
// pipe: an empty text for success, "skip: ..." where it cannot run here, a failure otherwise.
#include "platform/file_replace.h"
#include "support/temp_folder.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zelvoro::platform {
namespace {

using testing_support::names_in;
using testing_support::read_bytes;
using testing_support::utf8;
using testing_support::write_bytes;

namespace fs = std::filesystem;
using Names = std::set<std::string>;

// The user and group ids Debian gives nobody and nogroup.
constexpr uid_t nobody = 65534;
constexpr gid_t nogroup = 65534;

const std::string old_content = "198.51.100.1\r\n198.51.100.2\r\n";
const std::string new_content = "192.0.2.1\r\n";

struct stat status_of(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

// Runs `check` in a child process and returns what it reported.
std::string in_child(const std::function<std::string()>& check) {
    int channel[2];
    if (::pipe(channel) != 0) {
        return "pipe failed";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const std::string report = check();
        const bool sent = ::write(channel[1], report.data(), report.size()) ==
                          static_cast<ssize_t>(report.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    std::string report;
    char chunk[256];
    for (ssize_t got; (got = ::read(channel[0], chunk, sizeof chunk)) > 0;) {
        report.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? report : "the child process failed";
}

// Root gives up its rights and becomes nobody; anyone else stays who they are.
std::string become_ordinary_user() {
    if (::geteuid() != 0) {
        return {};
    }
    if (::setgroups(0, nullptr) != 0 || ::setgid(nogroup) != 0 || ::setuid(nobody) != 0) {
        return "cannot become nobody";
    }
    return {};
}

// A mount namespace of this process's own, whose mounts nobody else sees.
std::string enter_private_mounts() {
    if (::unshare(CLONE_NEWNS) != 0) {
        return "skip: no mount namespace here (needs root)";
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return "cannot make the mounts private";
    }
    return {};
}

// A skip here ends only this function: a test that goes on after it checks IsSkipped().
void expect_passed(const std::string& report) {
    if (report.starts_with("skip: ")) {
        GTEST_SKIP() << report.substr(6);
    }
    EXPECT_EQ(report, "");
}

class platform_file_replace_linux : public testing::Test {
protected:
    // Folders that lost their write permission are given it back, so that they can be removed.
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
            if (entry.is_directory() && !entry.is_symlink()) {
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
            }
        }
    }

    fs::path make_folder(const std::string& name) const {
        fs::create_directory(temp_.path() / name);
        return temp_.path() / name;
    }

    testing_support::TempFolder temp_;
    const fs::path target_ = make_folder("data") / "export.txt";
};

struct LinkCase {
    std::string name;
    bool target_exists;
    std::string link_text;
};

TEST_F(platform_file_replace_linux, SymbolicLinkKeepsPointingAtTheReplacedFile) {
    const fs::path links = make_folder("links");
    const std::vector<LinkCase> cases = {
        {"relative link to an existing file", true, "../data/export.txt"},
        {"absolute link to an existing file", true, target_.string()},
        {"link to a file not made yet", false, "../data/export.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(target_);
        if (c.target_exists) {
            write_bytes(target_, old_content);
        }
        const fs::path link = links / "export.txt";
        fs::remove(link);
        fs::create_symlink(c.link_text, link);
        EXPECT_TRUE(replace_file(utf8(link), new_content));
        EXPECT_EQ(fs::read_symlink(link), fs::path(c.link_text));
        EXPECT_EQ(read_bytes(target_), new_content);
        EXPECT_EQ(names_in(links), Names{"export.txt"});
        EXPECT_EQ(names_in(target_.parent_path()), Names{"export.txt"});
    }
}

TEST_F(platform_file_replace_linux, PermissionBits) {
    write_bytes(target_, old_content);
    fs::permissions(target_, fs::perms(0640));
    EXPECT_TRUE(replace_file(utf8(target_), new_content));
    EXPECT_EQ(status_of(target_).st_mode & 07777, 0640u);

    const mode_t umask_now = ::umask(0);
    ::umask(umask_now);
    const fs::path new_file = target_.parent_path() / "new.txt";
    EXPECT_TRUE(replace_file(utf8(new_file), new_content));
    EXPECT_EQ(status_of(new_file).st_mode & 07777, 0666u & ~umask_now);
}

TEST_F(platform_file_replace_linux, RootKeepsAnotherUsersOwnerAndGroup) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    write_bytes(target_, old_content);
    ASSERT_EQ(::chown(target_.c_str(), nobody, nogroup), 0);
    ASSERT_EQ(::chmod(target_.c_str(), 0604), 0);
    EXPECT_TRUE(replace_file(utf8(target_), new_content));
    const struct stat status = status_of(target_);
    EXPECT_EQ(status.st_uid, nobody);
    EXPECT_EQ(status.st_gid, nogroup);
    EXPECT_EQ(status.st_mode & 07777, 0604u);
    EXPECT_EQ(read_bytes(target_), new_content);
}

// As an ordinary user: a writable file in a folder that takes no new files is written in
// place; a read-only file in a writable folder is left alone.
TEST_F(platform_file_replace_linux, OrdinaryUserFolderAndFileRights) {
    const fs::path shared = make_folder("shared");
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(temp_.path().c_str(), 0755), 0);
    expect_passed(in_child([&] {
        if (auto failure = become_ordinary_user(); !failure.empty()) {
            return failure;
        }
        const fs::path locked = shared / "locked";
        fs::create_directory(locked);
        write_bytes(locked / "export.txt", old_content);
        fs::permissions(locked, fs::perms(0555));
        if (!replace_file(utf8(locked / "export.txt"), new_content) ||
            read_bytes(locked / "export.txt") != new_content) {
            return std::string("file in a read-only folder not written in place");
        }
        write_bytes(shared / "read-only.txt", old_content);
        fs::permissions(shared / "read-only.txt", fs::perms(0444));
        if (replace_file(utf8(shared / "read-only.txt"), new_content) ||
            read_bytes(shared / "read-only.txt") != old_content) {
            return std::string("read-only file replaced");
        }
        if (names_in(shared) != Names{"locked", "read-only.txt"}) {
            return std::string("a temporary file was left behind");
        }
        return std::string();
    }));
}

// A file bind-mounted over another (as `ip netns exec` does with resolv.conf) cannot be
// renamed over (EBUSY): the content goes into the mounted file.
TEST_F(platform_file_replace_linux, BindMountedFileIsWrittenInPlace) {
    const fs::path source = temp_.path() / "source.txt";
    write_bytes(source, old_content);
    write_bytes(target_, "under the mount");
    expect_passed(in_child([&] {
        if (auto failure = enter_private_mounts(); !failure.empty()) {
            return failure;
        }
        if (::mount(source.c_str(), target_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
            return std::string("bind mount failed");
        }
        if (!replace_file(utf8(target_), new_content)) {
            return std::string("replace_file failed");
        }
        if (names_in(target_.parent_path()) != Names{"export.txt"}) {
            return std::string("a temporary file was left behind");
        }
        return std::string();
    }));
    if (IsSkipped() || HasFailure()) {
        return;
    }
    EXPECT_EQ(read_bytes(source), new_content);
    EXPECT_EQ(read_bytes(target_), "under the mount");
}

// A disk that fills up while the new content is written: the old file stays byte for byte,
// and no temporary file is left. Root gets no reserve on tmpfs.
TEST_F(platform_file_replace_linux, FullDiskLeavesTheOldFile) {
    const fs::path disk = make_folder("disk");
    expect_passed(in_child([&] {
        if (auto failure = enter_private_mounts(); !failure.empty()) {
            return failure;
        }
        if (::mount("zelvoro-test", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
            return std::string("cannot mount a tmpfs");
        }
        write_bytes(disk / "export.txt", old_content);
        std::ofstream filler(disk / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())).flush()) {
        }
        if (replace_file(utf8(disk / "export.txt"), std::string(65536, '1'))) {
            return std::string("replace_file reported success on a full disk");
        }
        if (read_bytes(disk / "export.txt") != old_content) {
            return std::string("the old file changed");
        }
        if (names_in(disk) != Names{"export.txt", "filler"}) {
            return std::string("a temporary file was left behind");
        }
        return std::string();
    }));
}

} // namespace
} // namespace zelvoro::platform
