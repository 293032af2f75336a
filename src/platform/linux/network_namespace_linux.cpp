#include "platform/linux/network_namespace_linux.h"

#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace zelvoro::platform {

namespace {

struct NamespaceId {
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const NamespaceId&, const NamespaceId&) = default;
};

std::optional<NamespaceId> namespace_at(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return NamespaceId{status.st_dev, status.st_ino};
}

} // namespace

// A namespace that "ip netns add" made is bind-mounted under /run/netns. Process 1's namespace
// can be inspected only by a process allowed to trace it.
NetworkNamespace this_network_namespace() {
    const auto own = namespace_at("/proc/self/ns/net");
    if (!own) {
        return NetworkNamespace::unknown;
    }
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/run/netns", error), end;
         !error && entry != end; entry.increment(error)) {
        if (namespace_at(entry->path()) == own) {
            return NetworkNamespace::other;
        }
    }
    const auto host = namespace_at("/proc/1/ns/net");
    if (!host) {
        return NetworkNamespace::unknown;
    }
    return *host == *own ? NetworkNamespace::host : NetworkNamespace::other;
}

} // namespace zelvoro::platform
