#include "platform/shell.h"
#include "platform/shell_target_linux.h"

#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace zelvoro::platform {

namespace {

// Starts xdg-open with an argument vector (never through a shell), a host's shares given as
// \\host asked for as smb://host/, and reaps finished children on later calls and at the end,
// so that none is left as a zombie.
class XdgOpen final : public ShellOpen {
public:
    ~XdgOpen() override {
        for (pid_t child : children_) {
            waitpid(child, nullptr, WNOHANG);
        }
    }

    void open(std::string_view target) override {
        reap_finished();
        std::string program = "xdg-open";
        std::string argument = linux_open_target(target);
        char* argv[] = {program.data(), argument.data(), nullptr};
        pid_t child = 0;
        if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) == 0) {
            children_.push_back(child);
        }
    }

private:
    void reap_finished() {
        std::erase_if(children_, [](pid_t child) { return waitpid(child, nullptr, WNOHANG) != 0; });
    }

    std::vector<pid_t> children_;
};

} // namespace

std::unique_ptr<ShellOpen> make_system_shell() {
    return std::make_unique<XdgOpen>();
}

} // namespace zelvoro::platform
