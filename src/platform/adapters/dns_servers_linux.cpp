// Choosing where a device's DNS servers are set, and setting them in the resolver file: its
// nameserver lines rewritten.
#include "platform/adapters/device_applier_linux.h"
#include "platform/linux/errno_text_linux.h"
#include "platform/linux/file_descriptor_linux.h"
#include "platform/linux/network_namespace_linux.h"
#include "platform/adapters/resolver_file.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvoro::platform {

namespace {

// The file is rewritten in place, never replaced: it may be a bind mount (as inside
// "ip netns exec"), which a rename cannot replace.
class ResolverFileDns final : public DnsServerSetter {
public:
    ResolverFileDns(std::filesystem::path file, Diagnostics& diagnostics)
        : file_(std::move(file)), diagnostics_(diagnostics) {}

    int replace(int /*link_index*/, const std::vector<Ipv4Address>& servers) override {
        const FileDescriptor file(::open(file_.c_str(), O_RDWR | O_CLOEXEC));
        std::string content;
        if (!file.is_open() || !read_all(file.get(), content)) {
            return failed("read", errno);
        }
        const std::string updated = replace_nameservers(content, servers);
        if (::lseek(file.get(), 0, SEEK_SET) != 0 || !write_all(file.get(), updated) ||
            ::ftruncate(file.get(), static_cast<off_t>(updated.size())) != 0) {
            return failed("rewrite", errno);
        }
        return adapter_result::success;
    }

private:
    int failed(const char* what, int error) {
        const int code = adapter_result_of_errno(error);
        diagnostics_.failure(std::string(what) + " " + file_.string() + ": " + errno_text(error) +
                             " -> " + std::to_string(code));
        return code;
    }

    std::filesystem::path file_;
    Diagnostics& diagnostics_;
};

// The resolver of another network namespace, which this process must not reconfigure.
class RefusedDns final : public DnsServerSetter {
public:
    explicit RefusedDns(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

    int replace(int /*link_index*/, const std::vector<Ipv4Address>& /*servers*/) override {
        diagnostics_.failure("DNS servers: systemd-resolved serves another network namespace "
                             "than this process's, and is left alone");
        return adapter_result::other_failure;
    }

private:
    Diagnostics& diagnostics_;
};

} // namespace

std::shared_ptr<DnsServerSetter> make_dns_server_setter(const std::filesystem::path& resolver_file,
                                                        Diagnostics& diagnostics) {
    if (!is_resolved_file(resolver_file, resolved_answers)) {
        return std::make_shared<ResolverFileDns>(resolver_file, diagnostics);
    }
    if (this_network_namespace() == NetworkNamespace::other) {
        // resolved serves the host's links; the link indexes here name other devices there.
        return std::make_shared<RefusedDns>(diagnostics);
    }
    // Where the namespace cannot be told, resolved itself decides who may change its links.
    return make_resolved_dns(diagnostics);
}

} // namespace zelvoro::platform
