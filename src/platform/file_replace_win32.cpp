// Replacing a file on Windows: a temporary file beside the target, put in its place with
// ReplaceFileW (which keeps the old file's attributes and security) or MoveFileExW once written
// and flushed; written in place, with the room reserved first, where that cannot be done. Paths
// are UTF-16 throughout.
#include "platform/file_replace.h"
#include "platform/temporary_name.h"
#include "platform/win32/wide_text_win32.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <windows.h>

namespace zelvoro::platform {

namespace {

// Temporary names are random; a clash is retried a few times before the folder counts as one
// where no temporary file can be made.
constexpr int temporary_name_attempts = 8;
// WriteFile takes at most a DWORD's worth of bytes a call; a gigabyte keeps well inside it.
constexpr std::size_t largest_write = std::size_t{1} << 30;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }

    HANDLE get() const { return handle_; }
    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

    void reset(HANDLE handle) {
        close();
        handle_ = handle;
    }

    bool close() {
        return !is_open() || CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
    }

private:
    HANDLE handle_;
};

bool write_all(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto size = static_cast<DWORD>(std::min(bytes.size(), largest_write));
        if (!WriteFile(file, bytes.data(), size, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// Errors that say no temporary file can be made beside the target (the folder takes no new
// files, or the whole path is too long), while the target itself may still be writable.
bool no_temporary_possible(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
           error == ERROR_FILENAME_EXCED_RANGE;
}

// A new file beside the target, deleted again unless it was moved over the target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::wstring& target) {
        for (int attempt = 0; attempt < temporary_name_attempts && !file_.is_open(); ++attempt) {
            path_ = std::filesystem::path(target)
                        .replace_filename(widen(temporary_file_name()))
                        .wstring();
            file_.reset(CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file_.is_open() && GetLastError() != ERROR_FILE_EXISTS) {
                break;
            }
        }
        error_ = file_.is_open() ? ERROR_SUCCESS : GetLastError();
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        file_.close();
        if (!moved_ && error_ == ERROR_SUCCESS) {
            DeleteFileW(path_.c_str());
        }
    }

    // ERROR_SUCCESS once created, the reason otherwise.
    DWORD error() const { return error_; }

    bool write(std::string_view bytes) {
        return write_all(file_.get(), bytes) && FlushFileBuffers(file_.get()) && file_.close();
    }

    // ReplaceFileW needs an existing target; where it fails without having moved the
    // replacement, MoveFileExW tries once more (it also stands in for a target ReplaceFileW has
    // already removed).
    bool move_over(const std::wstring& target) {
        moved_ = ReplaceFileW(target.c_str(), path_.c_str(), nullptr,
                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) ||
                 MoveFileExW(path_.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        return moved_;
    }

private:
    std::wstring path_;
    FileHandle file_{INVALID_HANDLE_VALUE};
    DWORD error_ = ERROR_SUCCESS;
    bool moved_ = false;
};

enum class Outcome { replaced, failed, cannot_replace };

Outcome replace_through_temporary(const std::wstring& target, std::string_view bytes) {
    TemporaryFile temporary(target);
    if (temporary.error() != ERROR_SUCCESS) {
        return no_temporary_possible(temporary.error()) ? Outcome::cannot_replace : Outcome::failed;
    }
    if (!temporary.write(bytes)) {
        return Outcome::failed;
    }
    return temporary.move_over(target) ? Outcome::replaced : Outcome::cannot_replace;
}

bool set_end_of_file(HANDLE file, LONGLONG size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    return SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) != FALSE;
}

// Room for a file of `new_size` bytes: the end moved out that far, which allocates it on the
// disk without touching the old content. When it cannot be had, nothing changes.
bool reserve(HANDLE file, LONGLONG old_size, LONGLONG new_size) {
    return new_size <= old_size || set_end_of_file(file, new_size);
}

// Overwrites the open file; a full disk leaves it as it was. The file keeps its attributes.
bool write_in_place(HANDLE file, std::string_view bytes) {
    LARGE_INTEGER old_size{};
    const auto new_size = static_cast<LONGLONG>(bytes.size());
    return GetFileSizeEx(file, &old_size) && reserve(file, old_size.QuadPart, new_size) &&
           write_all(file, bytes) && FlushFileBuffers(file) && set_end_of_file(file, new_size) &&
           FlushFileBuffers(file);
}

// The target opened for writing, or an invalid handle; nothing but a file on a disk (not a
// device such as NUL, nor a pipe) is taken.
HANDLE open_target(const std::wstring& target) {
    HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        SetLastError(ERROR_INVALID_FUNCTION);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

} // namespace

bool replace_file(std::string_view path, std::string_view bytes) {
    if (path.empty()) {
        return false;
    }
    const std::wstring target = widen(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    // A read-only file is not replaced either, though the folder would allow it.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    FileHandle file(open_target(target));
    if (!file.is_open()) {
        return GetLastError() == ERROR_FILE_NOT_FOUND &&
               replace_through_temporary(target, bytes) == Outcome::replaced;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information)) {
        return false;
    }
    // A file with several names keeps them all. Another is replaced while no handle of ours
    // holds it, and opened again to be written in place where it cannot be.
    if (information.nNumberOfLinks == 1) {
        file.close();
        switch (replace_through_temporary(target, bytes)) {
        case Outcome::replaced:
            return true;
        case Outcome::failed:
            return false;
        case Outcome::cannot_replace:
            break;
        }
        file.reset(open_target(target));
    }
    return file.is_open() && write_in_place(file.get(), bytes) && file.close();
}

} // namespace zelvoro::platform
