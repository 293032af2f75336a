// Replacing a file on Linux: a temporary file beside the target, renamed over it once written
// and flushed; written in place, with the room reserved first, where a rename cannot stand in for
// the file.
#include "platform/file_replace.h"
#include "platform/linux/file_descriptor_linux.h"
#include "platform/temporary_name.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

namespace fs = std::filesystem;

// The kernel's own limit on symbolic links followed in one lookup (MAXSYMLINKS).
constexpr int max_link_depth = 40;
// Temporary names are random; a clash is retried a few times before the folder counts as one
// where no temporary file can be made.
constexpr int temporary_name_attempts = 8;
// Permission bits, setuid, setgid and sticky bits: what a replacement takes from the old file.
constexpr mode_t permission_bits = 07777;
// A new file gets what the umask leaves of 0666, as any file a program creates. A temporary
// file standing in for an existing one is private until it takes the old file's bits.
constexpr mode_t new_file_mode = 0666;
constexpr mode_t private_mode = 0600;

// The file a path names once symbolic links are followed; a dangling link gives the file it
// points at, which writing through the link would create. Nothing for a loop of links.
std::optional<fs::path> final_path(fs::path path) {
    for (int depth = 0; depth < max_link_depth; ++depth) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) {
            return path;
        }
        const fs::path destination = fs::read_symlink(path, error);
        if (error) {
            return std::nullopt;
        }
        path = path.parent_path() / destination; // an absolute destination replaces the whole
    }
    return std::nullopt;
}

// Errors that say no temporary file can be made beside the target (the folder takes no new
// files, or the whole path is too long), while the target itself may still be writable.
bool no_temporary_possible(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG;
}

// A new file beside the target, removed again unless it was renamed over the target.
class TemporaryFile {
public:
    TemporaryFile(const fs::path& target, mode_t mode) {
        for (int attempt = 0; attempt < temporary_name_attempts && !fd_.is_open(); ++attempt) {
            path_ = target;
            path_.replace_filename(temporary_file_name());
            fd_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (!fd_.is_open() && errno != EEXIST) {
                break;
            }
        }
        error_ = fd_.is_open() ? 0 : errno;
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!renamed_ && error_ == 0) {
            ::unlink(path_.c_str());
        }
    }

    // 0 once created, the reason otherwise.
    int error() const { return error_; }

    // Owner and group first: changing them clears the setuid and setgid bits.
    bool take_over(const struct stat& old) const {
        struct stat own {};
        if (::fstat(fd_.get(), &own) != 0) {
            return false;
        }
        if ((own.st_uid != old.st_uid || own.st_gid != old.st_gid) &&
            ::fchown(fd_.get(), old.st_uid, old.st_gid) != 0) {
            return false;
        }
        return ::fchmod(fd_.get(), old.st_mode & permission_bits) == 0;
    }

    bool write(std::string_view bytes) {
        return write_all(fd_.get(), bytes) && ::fsync(fd_.get()) == 0 && fd_.close();
    }

    bool rename_over(const fs::path& target) {
        renamed_ = ::rename(path_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

private:
    fs::path path_;
    FileDescriptor fd_;
    int error_ = 0;
    bool renamed_ = false;
};

enum class Outcome { replaced, failed, cannot_replace };

Outcome replace_through_temporary(const fs::path& target, const struct stat* old,
                                  std::string_view bytes) {
    TemporaryFile temporary(target, old != nullptr ? private_mode : new_file_mode);
    if (temporary.error() != 0) {
        return no_temporary_possible(temporary.error()) ? Outcome::cannot_replace : Outcome::failed;
    }
    // An owner or group that cannot be kept (a user replacing another's file in a shared
    // folder) is kept by writing in place.
    if (old != nullptr && !temporary.take_over(*old)) {
        return Outcome::cannot_replace;
    }
    if (!temporary.write(bytes)) {
        return Outcome::failed;
    }
    // A bind-mounted file (EBUSY), or another user's file in a sticky folder (EPERM).
    return temporary.rename_over(target) ? Outcome::replaced : Outcome::cannot_replace;
}

// Room for a file of `new_size` bytes, taken beyond the old end so that the old content is never
// touched; where the file system has no fallocate the C library takes it by writing there. When
// not all of it can be had, the file gets its old length back.
bool reserve(int fd, off_t old_size, off_t new_size) {
    if (new_size <= old_size || ::posix_fallocate(fd, old_size, new_size - old_size) == 0) {
        return true;
    }
    [[maybe_unused]] const int ignored = ::ftruncate(fd, old_size);
    return false;
}

// Overwrites the file open at `fd`, which holds `old_size` bytes; a full disk leaves it as it was.
bool write_in_place(int fd, off_t old_size, std::string_view bytes) {
    const auto new_size = static_cast<off_t>(bytes.size());
    return reserve(fd, old_size, new_size) && write_all(fd, bytes) && ::fsync(fd) == 0 &&
           ::ftruncate(fd, new_size) == 0 && ::fsync(fd) == 0;
}

} // namespace

bool replace_file(std::string_view path, std::string_view bytes) {
    if (path.empty()) {
        return false;
    }
    const auto target = final_path(fs::path(std::string(path)));
    if (!target) {
        return false;
    }
    // Opened without waiting: a FIFO without a reader fails at once (ENXIO) instead of blocking
    // until one comes. A file this process may not write is not replaced either, though the
    // folder would allow it.
    FileDescriptor file(::open(target->c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.is_open()) {
        return errno == ENOENT &&
               replace_through_temporary(*target, nullptr, bytes) == Outcome::replaced;
    }
    // A device, a pipe or a socket is never written.
    struct stat old {};
    if (::fstat(file.get(), &old) != 0 || !S_ISREG(old.st_mode)) {
        return false;
    }
    // A file with several names keeps them all.
    if (old.st_nlink == 1) {
        switch (replace_through_temporary(*target, &old, bytes)) {
        case Outcome::replaced:
            return true;
        case Outcome::failed:
            return false;
        case Outcome::cannot_replace:
            break;
        }
    }
    return write_in_place(file.get(), old.st_size, bytes) && file.close();
}

} // namespace zelvoro::platform
