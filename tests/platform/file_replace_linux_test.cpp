// Replacing files on Linux: symbolic links, permission bits and owners, and the files that must
// be written in place. Cases that need another user or mounts of their own run in a child
// process (as nobody, or in a private mount namespace), which exits 0 when its checks pass,
// 77 where it cannot run here, and otherwise names the failed check on stderr.
#include "platform/file_replace.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <iostream>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvoro::platform {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;
using Names = std::set<std::string>;

constexpr uid_t nobody = 65534; // Debian's nobody and nogroup
constexpr gid_t nogroup = 65534;
constexpr int skipped = 77;
// Far beyond what refusing a pipe takes; only a process that waits for a reader runs into it.
constexpr unsigned hang_limit_seconds = 30;
const std::string old_content = "198.51.100.1\r\n198.51.100.2\r\n";
const std::string new_content = "192.0.2.1\r\n";

struct stat status_of(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

// Runs the named checks in a child process; the first that fails ends it.
int in_child(const std::vector<std::pair<const char*, std::function<bool()>>>& checks) {
    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto& [name, check] : checks) {
            if (!check()) {
                const bool skip = std::string_view(name).starts_with("skip");
                std::cerr << (skip ? "cannot run here: " : "failed: ") << name << '\n';
                ::_exit(skip ? skipped : 1);
            }
        }
        ::_exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Root gives up its rights and becomes nobody; anyone else stays who they are.
bool become_ordinary_user() {
    return ::geteuid() != 0 ||
           (::setgroups(0, nullptr) == 0 && ::setgid(nogroup) == 0 && ::setuid(nobody) == 0);
}

// A mount namespace of this process's own, whose mounts nobody else sees; needs root.
bool enter_private_mounts() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

class platform_file_replace_linux : public testing::Test {
protected:
    // Folders that lost their write permission get it back, so that they can be removed.
    void TearDown() override {
        for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
            if (entry.is_directory() && !entry.is_symlink()) {
                fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
            }
        }
    }

    void expect_child_passes(int status) {
        if (status == skipped) {
            GTEST_SKIP() << "needs root for a mount namespace, or a loop device";
        }
        EXPECT_EQ(status, 0);
    }

    fs::path folder(const std::string& name) const {
        fs::create_directories(temp_.path() / name);
        return temp_.path() / name;
    }

    TempFolder temp_;
    const fs::path target_ = folder("data") / "export.txt";
};

TEST_F(platform_file_replace_linux, SymbolicLinkKeepsPointingAtTheReplacedFile) {
    const fs::path link = folder("links") / "export.txt";
    for (const bool target_exists : {true, false}) {
        SCOPED_TRACE(target_exists ? "existing file" : "file not made yet");
        fs::remove(target_);
        fs::remove(link);
        if (target_exists) {
            write_bytes(target_, old_content);
        }
        fs::create_symlink("../data/export.txt", link);
        EXPECT_TRUE(replace_file(utf8(link), new_content));
        EXPECT_EQ(fs::read_symlink(link), "../data/export.txt");
        EXPECT_EQ(read_bytes(target_), new_content);
        EXPECT_EQ(names_in(link.parent_path()), Names{"export.txt"});
        EXPECT_EQ(names_in(target_.parent_path()), Names{"export.txt"});
    }
}

// Root replacing another user's file keeps its owner and group as well.
TEST_F(platform_file_replace_linux, KeepsModeOwnerAndGroup) {
    write_bytes(target_, old_content);
    const struct stat before = status_of(target_);
    const uid_t owner = ::geteuid() == 0 ? nobody : before.st_uid;
    const gid_t group = ::geteuid() == 0 ? nogroup : before.st_gid;
    ASSERT_EQ(::chown(target_.c_str(), owner, group), 0);
    ASSERT_EQ(::chmod(target_.c_str(), 0604), 0);
    EXPECT_TRUE(replace_file(utf8(target_), new_content));
    const struct stat after = status_of(target_);
    EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode & 07777),
              std::tuple(owner, group, 0604u));

    const mode_t umask_now = ::umask(0);
    ::umask(umask_now);
    const fs::path new_file = target_.parent_path() / "new.txt";
    EXPECT_TRUE(replace_file(utf8(new_file), new_content));
    EXPECT_EQ(status_of(new_file).st_mode & 07777, 0666u & ~umask_now);
}

// As an ordinary user: a writable file in a folder that takes no new files is written in
// place; a read-only file in a writable folder is left alone.
TEST_F(platform_file_replace_linux, OrdinaryUserFolderAndFileRights) {
    const fs::path shared = folder("shared");
    fs::permissions(temp_.path(), fs::perms(0755));
    fs::permissions(shared, fs::perms(0777));
    const fs::path locked = shared / "locked" / "export.txt";
    const fs::path read_only = shared / "read-only.txt";
    EXPECT_EQ(in_child({
                  {"become nobody", become_ordinary_user},
                  {"set up",
                   [&] {
                       folder("shared/locked");
                       write_bytes(locked, old_content);
                       write_bytes(read_only, old_content);
                       return ::chmod(locked.parent_path().c_str(), 0555) == 0 &&
                              ::chmod(read_only.c_str(), 0444) == 0;
                   }},
                  {"written in place", [&] { return replace_file(utf8(locked), new_content); }},
                  {"in-place content", [&] { return read_bytes(locked) == new_content; }},
                  {"read-only refused", [&] { return !replace_file(utf8(read_only), "x"); }},
                  {"read-only kept", [&] { return read_bytes(read_only) == old_content; }},
                  {"no temporary left",
                   [&] {
                       return names_in(shared) == Names{"locked", "read-only.txt"};
                   }},
              }),
              0);
}

// A file bind-mounted over another (as `ip netns exec` does with resolv.conf) cannot be
// renamed over (EBUSY): the content goes into the mounted file.
TEST_F(platform_file_replace_linux, BindMountedFileIsWrittenInPlace) {
    const fs::path source = temp_.path() / "source.txt";
    write_bytes(source, old_content);
    write_bytes(target_, "under the mount");
    expect_child_passes(in_child({
        {"skip: no mount namespace", enter_private_mounts},
        {"bind mount",
         [&] { return ::mount(source.c_str(), target_.c_str(), nullptr, MS_BIND, nullptr) == 0; }},
        {"replace", [&] { return replace_file(utf8(target_), new_content); }},
        {"no temporary left",
         [&] { return names_in(target_.parent_path()) == Names{"export.txt"}; }},
    }));
    if (!IsSkipped()) {
        EXPECT_EQ(read_bytes(source), new_content);
        EXPECT_EQ(read_bytes(target_), "under the mount");
    }
}

// On a small file system of its own (mounted by `mount` in the child's private mount namespace),
// replaces files every way a replacement can go: through a temporary file, and in place (a
// second hard link; a name so long that a temporary name grown from it would not fit). Each
// grows while there is room; once the disk is full, each must fail and leave the old files byte
// for byte, and no temporary file. Root fills
// the disk: neither file system used keeps a reserve for root.
int replace_on_full_disk(const fs::path& disk, const std::function<bool()>& mount) {
    const std::vector<fs::path> targets = {disk / "export.txt", disk / "linked.txt",
                                           disk / (std::string(246, 'x') + ".txt")};
    Names names_before;
    return in_child({
        {"skip: no mount namespace", enter_private_mounts},
        {"skip: cannot mount the file system", mount},
        {"set up",
         [&] {
             for (const fs::path& target : targets) {
                 write_bytes(target, new_content);
             }
             fs::create_hard_link(disk / "linked.txt", disk / "second.txt");
             return true;
         }},
        {"grows while there is room",
         [&] {
             return std::all_of(targets.begin(), targets.end(), [](const fs::path& target) {
                 return replace_file(utf8(target), old_content) &&
                        read_bytes(target) == old_content;
             });
         }},
        {"fill",
         [&] {
             std::ofstream filler(disk / "filler", std::ios::binary);
             const std::string block(1024, 'x');
             while (filler.write(block.data(), 1024).flush()) {
             }
             names_before = names_in(disk);
             return true;
         }},
        {"reports failure",
         [&] {
             return std::none_of(targets.begin(), targets.end(), [](const fs::path& target) {
                 return replace_file(utf8(target), std::string(65536, '1'));
             });
         }},
        {"old files kept",
         [&] {
             return read_bytes(disk / "second.txt") == old_content &&
                    std::all_of(targets.begin(), targets.end(), [](const fs::path& target) {
                        return read_bytes(target) == old_content;
                    });
         }},
        {"no temporary left", [&] { return names_in(disk) == names_before; }},
    });
}

// tmpfs reserves room with fallocate.
TEST_F(platform_file_replace_linux, FullDiskLeavesTheOldFile) {
    const fs::path disk = folder("disk");
    expect_child_passes(replace_on_full_disk(
        disk, [&] { return ::mount("zv", disk.c_str(), "tmpfs", 0, "size=64k") == 0; }));
}

// ext2 has no fallocate: the room is taken by writing past the old end.
TEST_F(platform_file_replace_linux, FullDiskWithoutFallocateLeavesTheOldFile) {
    const fs::path image = temp_.path() / "ext2.img";
    const fs::path disk = folder("disk");
    expect_child_passes(replace_on_full_disk(disk, [&] {
        const std::string make = "mkfs.ext2 -q -F -m 0 " + image.string() +
                                 " 2048 && mount -o loop " + image.string() + " " + disk.string();
        return std::system(make.c_str()) == 0;
    }));
}

// Not a regular file: nothing is written and nothing waits. Opening a FIFO without a reader for
// writing would block until one comes; the child's alarm turns such a hang into a failure.
TEST_F(platform_file_replace_linux, PipeIsNeverWritten) {
    const fs::path pipe = target_.parent_path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(in_child({
                  {"watchdog", [] { return ::alarm(hang_limit_seconds) == 0; }},
                  {"no reader: refused", [&] { return !replace_file(utf8(pipe), new_content); }},
                  {"reader: refused, nothing written",
                   [&] {
                       const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                       const bool refused = !replace_file(utf8(pipe), new_content);
                       char byte = 0;
                       const bool nothing_came = ::read(reader, &byte, 1) <= 0;
                       ::close(reader);
                       return reader >= 0 && refused && nothing_came;
                   }},
                  {"still a pipe", [&] { return fs::is_fifo(pipe); }},
              }),
              0);
}

} // namespace
} // namespace zelvoro::platform
