// Runs the echo helper with its request already waiting in a pipe (written before the helper
// starts, so no write can meet a helper that has gone), reads its answer from another, and
// bounds every wait by a deadline after which the helper is killed.
#include "platform/echo_helper_linux.h"

#include "platform/echo_helper_protocol.h"
#include "platform/linux/file_descriptor_linux.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zelvoro::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A whole /24 answers in about 12 KiB; more is no answer of the helper's.
constexpr std::size_t max_answer_bytes = 64 * 1024;
constexpr const char* log_variable = "ZELVORO_LOG";

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

std::optional<Pipe> make_pipe() {
    std::array<int, 2> fds{};
    if (::pipe2(fds.data(), O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    return Pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
}

// Waits until `fd` is readable or the deadline has passed; false then.
bool wait_readable(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

// glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage, so C++ cannot link it.
int open_pidfd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// A started helper: killed and reaped when it goes unless it was reaped before.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid), pidfd_(open_pidfd(pid)) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            reap();
        }
    }

    // Its exit status, or nothing when it has not ended by the deadline or did not exit.
    std::optional<int> exit_status(Clock::time_point deadline) {
        if (!pidfd_.is_open() || !wait_readable(pidfd_.get(), deadline)) {
            return std::nullopt;
        }
        const int status = reap();
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

private:
    int reap() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return status;
    }

    pid_t pid_;
    FileDescriptor pidfd_;
};

// Reads to the end of the pipe; nothing when the deadline passes first or it holds too much.
std::optional<std::string> read_answer(int fd, Clock::time_point deadline) {
    std::string answer;
    std::array<char, 4096> chunk{};
    for (;;) {
        if (!wait_readable(fd, deadline)) {
            return std::nullopt;
        }
        const ssize_t size = ::read(fd, chunk.data(), chunk.size());
        if (size == 0) {
            return answer;
        }
        if (size < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        answer.append(chunk.data(), static_cast<std::size_t>(size));
        if (answer.size() > max_answer_bytes) {
            return std::nullopt;
        }
    }
}

// The helper's standard streams: the request on input, the answer pipe as output, this
// process's standard error (/dev/null where it has none); no other descriptor.
class SpawnActions {
public:
    SpawnActions(int input, int output) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_adddup2(&actions_, input, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions_, output, STDOUT_FILENO);
        if (::fcntl(STDERR_FILENO, F_GETFD) < 0) {
            posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        }
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
        // Signals as a new program expects them, whatever this process blocks or ignores.
        posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    ~SpawnActions() {
        posix_spawnattr_destroy(&attributes_);
        posix_spawn_file_actions_destroy(&actions_);
    }

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// The helper's environment: the log setting alone, where it is set.
std::vector<std::string> helper_environment() {
    std::vector<std::string> environment;
    if (const char* log = std::getenv(log_variable)) {
        environment.push_back(std::string(log_variable) + '=' + log);
    }
    return environment;
}

std::optional<EchoSweepResult> run_helper(const std::filesystem::path& helper,
                                          const echo_helper::Range& range,
                                          std::chrono::milliseconds timeout,
                                          std::chrono::milliseconds margin) {
    auto request = make_pipe();
    auto answer = make_pipe();
    if (!request || !answer ||
        !write_all(request->write.get(), echo_helper::request_line(range, timeout))) {
        return std::nullopt;
    }
    request->write.reset(); // the helper reads the end of its input after the request

    std::string program = helper.string();
    std::vector<char*> argv = {program.data(), nullptr};
    auto environment = helper_environment();
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    const SpawnActions spawn(request->read.get(), answer->write.get());
    pid_t pid = 0;
    const auto deadline = Clock::now() + timeout + margin;
    if (::posix_spawn(&pid, program.c_str(), spawn.actions(), spawn.attributes(), argv.data(),
                      envp.data()) != 0) {
        return std::nullopt;
    }
    Child child(pid);
    answer->write.reset(); // the end of the answer comes when the helper's copy closes
    const auto text = read_answer(answer->read.get(), deadline);
    if (!text || child.exit_status(deadline) != echo_helper::exit_done) {
        return std::nullopt;
    }
    return echo_helper::parse_answer(*text, range);
}

} // namespace

std::optional<std::filesystem::path> echo_helper_beside_this_program() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return (program.parent_path() / echo_helper::relative_path).lexically_normal();
}

EchoSweepResult echo_through_helper(const std::filesystem::path& helper,
                                    std::span<const Ipv4Address> addresses,
                                    std::chrono::milliseconds timeout,
                                    std::chrono::milliseconds margin) {
    EchoSweepResult result;
    if (timeout.count() <= 0 || timeout > echo_helper::max_timeout) {
        return echo_not_permitted(addresses.size()); // no request the helper would take
    }
    bool measured = false; // a run without an answer tells no round trips either way
    for (const echo_helper::Range& range : echo_helper::ranges_of(addresses)) {
        auto part = run_helper(helper, range, timeout, margin);
        if (!part) {
            return echo_not_permitted(addresses.size());
        }
        measured = measured || !part->round_trip.empty();
        part->round_trip.resize(part->status.size());
        result.status.insert(result.status.end(), part->status.begin(), part->status.end());
        result.round_trip.insert(result.round_trip.end(), part->round_trip.begin(),
                                 part->round_trip.end());
    }
    if (!measured) {
        result.round_trip.clear();
    }
    return result;
}

EchoSweepResult echo_through_helper(std::span<const Ipv4Address> addresses,
                                    std::chrono::milliseconds timeout) {
    const auto helper = echo_helper_beside_this_program();
    if (!helper) {
        return echo_not_permitted(addresses.size());
    }
    return echo_through_helper(*helper, addresses, timeout, echo_helper_margin);
}

} // namespace zelvoro::platform
