// The file descriptor owner and whole-file reads and writes, over a pipe.
#include "platform/linux/file_descriptor_linux.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace zelvoro::platform {
namespace {

struct Pipe {
    FileDescriptor reader;
    FileDescriptor writer;
};

Pipe make_pipe() {
    int ends[2] = {-1, -1};
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    return {FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

bool is_open_in_process(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(platform_file_descriptor, WritesAndReadsEverything) {
    Pipe pipe = make_pipe();
    const std::string bytes(10'000, 'x'); // more than one read's worth
    ASSERT_TRUE(write_all(pipe.writer.get(), bytes));
    EXPECT_TRUE(pipe.writer.close());
    std::string content = "kept:";
    EXPECT_TRUE(read_all(pipe.reader.get(), content));
    EXPECT_EQ(content, "kept:" + bytes);
}

TEST(platform_file_descriptor, ClosesWhatItOwnsOnce) {
    Pipe pipe = make_pipe();
    const int reader = pipe.reader.get();
    const int writer = pipe.writer.get();

    FileDescriptor moved(std::move(pipe.reader));
    EXPECT_FALSE(pipe.reader.is_open());
    EXPECT_EQ(moved.get(), reader);
    moved = std::move(pipe.writer); // closes the reader, takes the writer
    EXPECT_FALSE(is_open_in_process(reader));
    EXPECT_EQ(moved.get(), writer);
    EXPECT_TRUE(is_open_in_process(writer));

    moved.reset();
    EXPECT_FALSE(is_open_in_process(writer));
    EXPECT_FALSE(moved.is_open());
    EXPECT_TRUE(moved.close()); // holding none is no failure
    EXPECT_FALSE(write_all(writer, "x"));
    EXPECT_EQ(errno, EBADF);
}

} // namespace
} // namespace zelvoro::platform
