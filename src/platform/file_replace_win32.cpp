// Replacing a file on Windows: a temporary file beside the target, put in its place with
// ReplaceFileW (which keeps the old file's attributes and security) or MoveFileExW once written
// and flushed; written in place where that cannot be done. Paths are UTF-16 throughout.
#include "platform/file_replace.h"
#include "platform/win32/wide_text_win32.h"

#include <random>
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

std::wstring random_suffix() {
    std::random_device source;
    std::uniform_int_distribution<unsigned> digit(0, 35);
    std::wstring suffix(8, L'0');
    for (wchar_t& c : suffix) {
        const auto value = static_cast<wchar_t>(digit(source));
        c = value < 10 ? static_cast<wchar_t>(L'0' + value)
                       : static_cast<wchar_t>(L'a' + value - 10);
    }
    return suffix;
}

// Errors that say no temporary file can be made beside the target (the folder takes no new
// files, or the target's name leaves no room for a longer one), while the target itself may
// still be writable.
bool no_temporary_possible(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
           error == ERROR_FILENAME_EXCED_RANGE;
}

DWORD link_count(const std::wstring& path) {
    const FileHandle file(CreateFileW(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.is_open() || !GetFileInformationByHandle(file.get(), &information)) {
        return 1;
    }
    return information.nNumberOfLinks;
}

// A new file beside the target, deleted again unless it was moved over the target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::wstring& target) {
        for (int attempt = 0; attempt < temporary_name_attempts && !file_.is_open(); ++attempt) {
            path_ = target + L"." + random_suffix() + L".tmp";
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

// Opened without truncating, so that the file keeps its attributes; cut to the new length once
// written.
bool write_in_place(const std::wstring& target, std::string_view bytes) {
    FileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.is_open() && write_all(file.get(), bytes) && SetEndOfFile(file.get()) &&
           FlushFileBuffers(file.get()) && file.close();
}

} // namespace

bool replace_file(std::string_view path, std::string_view bytes) {
    if (path.empty()) {
        return false;
    }
    const std::wstring target = widen(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // A read-only file is not replaced either, though the folder would allow it.
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }
    // A file with several names keeps them all.
    if (exists && link_count(target) > 1) {
        return write_in_place(target, bytes);
    }
    switch (replace_through_temporary(target, bytes)) {
    case Outcome::replaced:
        return true;
    case Outcome::cannot_replace:
        return write_in_place(target, bytes);
    case Outcome::failed:
        break;
    }
    return false;
}

} // namespace zelvoro::platform
