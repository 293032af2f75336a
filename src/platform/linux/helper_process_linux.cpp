#include "platform/linux/helper_process_linux.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zelvoro::platform {

namespace {

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

// glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage, so C++ cannot link it.
int open_pidfd(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
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

std::vector<char*> pointers_to(std::vector<std::string>& words) {
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

HelperChild::HelperChild(pid_t pid) : pid_(pid), pidfd_(open_pidfd(pid)) {}

HelperChild::HelperChild(HelperChild&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), pidfd_(std::move(other.pidfd_)) {}

HelperChild::~HelperChild() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap();
    }
}

std::optional<int> HelperChild::exit_status(HelperClock::time_point deadline) {
    if (!pidfd_.is_open() || wait_readable(pidfd_.get(), deadline) != HelperWait::readable) {
        return std::nullopt;
    }
    const int status = reap();
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

int HelperChild::reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
}

std::optional<HelperRun> start_helper(const std::filesystem::path& helper,
                                      std::span<const std::string_view> arguments,
                                      std::string_view request) {
    auto input = make_pipe();
    auto output = make_pipe();
    if (!input || !output || !write_all(input->write.get(), request)) {
        return std::nullopt;
    }
    input->write.reset(); // the helper reads the end of its input after the request

    std::vector<std::string> argv_words = {helper.string()};
    argv_words.insert(argv_words.end(), arguments.begin(), arguments.end());
    auto argv = pointers_to(argv_words);
    auto environment = helper_environment();
    auto envp = pointers_to(environment);

    const SpawnActions spawn(input->read.get(), output->write.get());
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv_words.front().c_str(), spawn.actions(), spawn.attributes(),
                      argv.data(), envp.data()) != 0) {
        return std::nullopt;
    }
    HelperRun run{HelperChild(pid), std::move(output->read)};
    output->write.reset(); // the end of the answer comes when the helper's copy closes
    return run;
}

HelperWait wait_readable(int fd, HelperClock::time_point deadline, int stop) {
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - HelperClock::now());
        if (left.count() <= 0) {
            return HelperWait::late;
        }
        std::array<pollfd, 2> entries{pollfd{fd, POLLIN, 0}, pollfd{stop, POLLIN, 0}};
        const int ready = ::poll(entries.data(), entries.size(), static_cast<int>(left.count()));
        if (ready > 0 && (entries[1].revents & POLLIN) != 0) {
            return HelperWait::stopped;
        }
        if (ready > 0) {
            return HelperWait::readable;
        }
        if (ready < 0 && errno != EINTR) {
            return HelperWait::late;
        }
    }
}

} // namespace zelvoro::platform
