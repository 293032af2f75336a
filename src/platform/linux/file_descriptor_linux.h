// An owned file descriptor, and reading and writing all of a file through one.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace zelvoro::platform {

// Closes the descriptor it holds when it goes; -1 stands for none.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    ~FileDescriptor() { close(); }

    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }

    // Closes the descriptor held so far and takes `fd`.
    void reset(int fd = -1) {
        close();
        fd_ = fd;
    }

    // False when closing fails (errno tells why): some file systems report a failed write only
    // then. Holding none is no failure.
    bool close();

private:
    int fd_ = -1;
};

// Writes every byte, resuming after interruptions; false when a write fails (errno tells why)
// or writes nothing.
bool write_all(int fd, std::string_view bytes);

// Appends everything from the file position to the end to `content`, resuming after
// interruptions; false when a read fails (errno tells why).
bool read_all(int fd, std::string& content);

} // namespace zelvoro::platform
