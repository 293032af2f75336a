#include "platform/linux/file_descriptor_linux.h"

#include <array>
#include <cerrno>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

constexpr std::size_t read_chunk_size = 4096;

} // namespace

bool FileDescriptor::close() {
    return fd_ < 0 || ::close(std::exchange(fd_, -1)) == 0;
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool read_all(int fd, std::string& content) {
    std::array<char, read_chunk_size> chunk{};
    for (;;) {
        const ssize_t size = ::read(fd, chunk.data(), chunk.size());
        if (size > 0) {
            content.append(chunk.data(), static_cast<std::size_t>(size));
        } else if (size == 0) {
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

} // namespace zelvoro::platform
