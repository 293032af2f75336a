#include "scripted_adapters.h"

#include <cstdlib>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace zelvoro::scenario {

namespace {

// True when this process is in a network namespace of its own: its namespace is not the one
// of the first process. Nothing when that cannot be told (reading the first process's
// namespace needs privileges).
std::optional<bool> in_own_network_namespace() {
    struct stat own {};
    struct stat initial {};
    if (stat("/proc/self/ns/net", &own) != 0 || stat("/proc/1/ns/net", &initial) != 0) {
        return std::nullopt;
    }
    return own.st_ino != initial.st_ino || own.st_dev != initial.st_dev;
}

} // namespace

bool real_adapters_allowed(std::string& why_not) {
    const char* allowed = std::getenv("ZELVORO_ALLOW_REAL_ADAPTERS");
    if (allowed != nullptr && std::string_view(allowed) == "1") {
        return true;
    }
    const auto own = in_own_network_namespace();
    if (!own) {
        why_not = "cannot tell whether this runs in a network namespace of its own; set "
                  "ZELVORO_ALLOW_REAL_ADAPTERS=1 inside one";
        return false;
    }
    if (!*own) {
        why_not = "real adapters would change this machine: run in a network namespace";
        return false;
    }
    return true;
}

} // namespace zelvoro::scenario
