// Setting a device's DNS servers: through systemd-resolved (its D-Bus API) where it owns the
// resolver file, otherwise by rewriting the nameserver lines of the file itself.
#include "platform/device_applier_linux.h"
#include "platform/resolver_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    int get() const { return fd_; }

private:
    int fd_;
};

// Reads the whole file from its start; false on a failed read.
bool read_all(int fd, std::string& content) {
    char chunk[4096];
    for (;;) {
        const ssize_t size = ::read(fd, chunk, sizeof chunk);
        if (size == 0) {
            return true;
        }
        if (size < 0 && errno != EINTR) {
            return false;
        }
        content.append(chunk, static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
    }
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t size = ::write(fd, bytes.data(), bytes.size());
        if (size < 0 && errno != EINTR) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
    }
    return true;
}

// The file is rewritten in place, never replaced: it may be a bind mount (as inside
// "ip netns exec"), which a rename cannot replace.
class ResolverFileDns final : public DnsServerSetter {
public:
    explicit ResolverFileDns(std::filesystem::path file) : file_(std::move(file)) {}

    int replace(int /*link_index*/, const std::vector<Ipv4Address>& servers) override {
        const FileDescriptor file(::open(file_.c_str(), O_RDWR | O_CLOEXEC));
        std::string content;
        if (file.get() < 0 || !read_all(file.get(), content)) {
            return adapter_result_of_errno(errno);
        }
        const std::string updated = replace_nameservers(content, servers);
        if (::lseek(file.get(), 0, SEEK_SET) != 0 || !write_all(file.get(), updated) ||
            ::ftruncate(file.get(), static_cast<off_t>(updated.size())) != 0) {
            return adapter_result_of_errno(errno);
        }
        return adapter_result::success;
    }

private:
    std::filesystem::path file_;
};

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageReleaser {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;
using BusMessage = std::unique_ptr<sd_bus_message, MessageReleaser>;

class BusError {
public:
    BusError() = default;
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    ~BusError() { sd_bus_error_free(&error_); }

    sd_bus_error* get() { return &error_; }
    bool is_denial() const {
        return sd_bus_error_has_name(&error_, SD_BUS_ERROR_ACCESS_DENIED) ||
               sd_bus_error_has_name(&error_, SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED);
    }

private:
    sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

// org.freedesktop.resolve1.Manager.SetLinkDNS(i ifindex, a(iay) addresses), on the system bus.
// No interactive authorisation is asked for: like every other change here, it needs the right
// to change the network configuration already.
class ResolvedDns final : public DnsServerSetter {
public:
    int replace(int link_index, const std::vector<Ipv4Address>& servers) override {
        sd_bus* raw_bus = nullptr;
        const int opened = sd_bus_open_system(&raw_bus);
        const Bus bus(raw_bus);
        if (opened < 0) {
            return adapter_result_of_errno(-opened);
        }
        sd_bus_message* raw_message = nullptr;
        const int made = sd_bus_message_new_method_call(
            bus.get(), &raw_message, "org.freedesktop.resolve1", "/org/freedesktop/resolve1",
            "org.freedesktop.resolve1.Manager", "SetLinkDNS");
        const BusMessage message(raw_message);
        if (made < 0 || !append_arguments(message.get(), link_index, servers)) {
            return adapter_result::other_failure;
        }
        BusError error;
        const int called = sd_bus_call(bus.get(), message.get(), 0, error.get(), nullptr);
        if (called >= 0) {
            return adapter_result::success;
        }
        return error.is_denial() ? adapter_result::access_denied : adapter_result_of_errno(-called);
    }

private:
    static bool append_arguments(sd_bus_message* message, int link_index,
                                 const std::vector<Ipv4Address>& servers) {
        if (sd_bus_message_append(message, "i", link_index) < 0 ||
            sd_bus_message_open_container(message, 'a', "(iay)") < 0) {
            return false;
        }
        for (const Ipv4Address& server : servers) {
            if (sd_bus_message_open_container(message, 'r', "iay") < 0 ||
                sd_bus_message_append(message, "i", AF_INET) < 0 ||
                sd_bus_message_append_array(message, 'y', server.octets.data(),
                                            server.octets.size()) < 0 ||
                sd_bus_message_close_container(message) < 0) {
                return false;
            }
        }
        return sd_bus_message_close_container(message) >= 0;
    }
};

// A resolver owned by a service this process must not reconfigure: every call answers `code`.
class RefusedDns final : public DnsServerSetter {
public:
    explicit RefusedDns(int code) : code_(code) {}
    int replace(int /*link_index*/, const std::vector<Ipv4Address>& /*servers*/) override {
        return code_;
    }

private:
    int code_;
};

enum class NetworkNamespace { host, other, unknown };

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

// A namespace that "ip netns add" made is bind-mounted under /run/netns. Process 1's namespace
// can be inspected only by a process allowed to trace it: a desktop user's cannot, nor can root
// in some sandboxes.
NetworkNamespace this_network_namespace() {
    const auto own = namespace_at("/proc/self/ns/net");
    if (!own) {
        return NetworkNamespace::unknown;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        if (namespace_at(entry.path()) == own) {
            return NetworkNamespace::other;
        }
    }
    const auto host = namespace_at("/proc/1/ns/net");
    if (!host) {
        return NetworkNamespace::unknown;
    }
    return *host == *own ? NetworkNamespace::host : NetworkNamespace::other;
}

std::optional<std::filesystem::path> link_target(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_symlink(file, error)) {
        return std::nullopt;
    }
    auto target = std::filesystem::read_symlink(file, error);
    return error ? std::nullopt : std::optional(std::move(target));
}

std::string content_of(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

} // namespace

std::shared_ptr<DnsServerSetter>
make_dns_server_setter(const std::filesystem::path& resolver_file,
                       std::optional<bool> in_host_network_namespace) {
    if (!is_resolved_file(resolver_file, link_target(resolver_file), content_of(resolver_file))) {
        return std::make_shared<ResolverFileDns>(resolver_file);
    }
    NetworkNamespace where = this_network_namespace();
    if (in_host_network_namespace) {
        where = *in_host_network_namespace ? NetworkNamespace::host : NetworkNamespace::other;
    }
    if (where == NetworkNamespace::other) {
        // resolved serves the host's links; the link indexes here name other devices there.
        return std::make_shared<RefusedDns>(adapter_result::other_failure);
    }
    // Where the namespace cannot be told, resolved itself decides who may change its links.
    return std::make_shared<ResolvedDns>();
}

} // namespace zelvoro::platform
