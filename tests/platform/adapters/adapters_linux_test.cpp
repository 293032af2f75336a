#include "platform/adapters/adapters_linux.h"
#include "platform/adapters/device_applier_linux.h"
#include "platform/adapters/resolver_file.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/if_arp.h>
#include <optional>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

struct LinkCase {
    std::string name;
    LinkFacts link;
    bool enabled;
};

TEST(platform_linux_adapters, IpEnabledLinks) {
    constexpr unsigned up = IFF_UP | IFF_BROADCAST | IFF_MULTICAST;
    const std::vector<LinkCase> cases = {
        {"Ethernet or Wi-Fi hardware", {2, "eth0", ARPHRD_ETHER, up, false, "", true}, true},
        {"veth", {3, "veth0", ARPHRD_ETHER, up, false, "veth", false}, true},
        {"down", {2, "eth0", ARPHRD_ETHER, IFF_BROADCAST, false, "", true}, false},
        {"loopback", {1, "lo", ARPHRD_LOOPBACK, IFF_UP | IFF_LOOPBACK, false, "", false}, false},
        {"bridge", {4, "docker0", ARPHRD_ETHER, up, false, "bridge", false}, false},
        {"bridge port", {5, "veth1", ARPHRD_ETHER, up, true, "veth", false}, false},
        {"bond port", {6, "eth1", ARPHRD_ETHER, up, true, "", true}, false},
        {"tap", {7, "tap0", ARPHRD_ETHER, up, false, "tun", false}, false},
        {"VLAN", {8, "eth0.5", ARPHRD_ETHER, up, false, "vlan", false}, false},
        {"tunnel", {9, "tun0", ARPHRD_NONE, up, false, "tun", false}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(is_ip_enabled(c.link), c.enabled);
    }
}

// The file as resolved writes it (only its first line counts).
constexpr std::string_view resolved_stub =
    "# This is /run/systemd/resolve/stub-resolv.conf managed by man:systemd-resolved(8).\n"
    "# Do not edit.\n"
    "nameserver 127.0.0.53\noptions edns0 trust-ad\nsearch .\n";

struct ResolverFileCase {
    std::string name;
    std::optional<std::filesystem::path> link_target; // the file is this link when set
    std::string content;                              // otherwise a file with this content
    bool resolved_runs;
    bool resolved;
};

TEST(platform_linux_resolver_file, BelongsToResolvedOnlyWhileItRuns) {
    const testing_support::TempFolder folder;
    const std::filesystem::path stub = "/run/systemd/resolve/stub-resolv.conf";
    const std::vector<ResolverFileCase> cases = {
        {"link to the stub file", stub, "", true, true},
        {"relative link", stub.lexically_relative(folder.path()), "", true, true},
        {"link to the stub file, resolved gone", stub, "", false, false},
        {"link elsewhere", "/run/NetworkManager/resolv.conf", "", true, false},
        {"link to a look-alike", "/run/systemd/resolve.d/resolv.conf", "", true, false},
        {"link to the folder itself", "/run/systemd/resolve", "", true, false},
        {"copy of the stub file", std::nullopt, std::string(resolved_stub), true, true},
        {"copy of the stub file, resolved gone", std::nullopt, std::string(resolved_stub), false,
         false},
        // What this program writes when told to use resolved's stub listener.
        {"stub listener named by hand", std::nullopt, "nameserver 127.0.0.53\n", true, false},
        {"header words outside a comment", std::nullopt,
         "search managed by man:systemd-resolved(8)\n", true, false},
        {"plain file", std::nullopt, "nameserver 192.0.2.53\nsearch example.test\n", true, false},
    };
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const auto& c = cases[index];
        SCOPED_TRACE(c.name);
        const auto file = folder.path() / ("resolv.conf." + std::to_string(index));
        if (c.link_target) {
            std::filesystem::create_symlink(*c.link_target, file);
        } else {
            testing_support::write_bytes(file, c.content);
        }
        EXPECT_EQ(is_resolved_file(file, [&] { return c.resolved_runs; }), c.resolved);
    }
}

struct RewriteCase {
    std::string name;
    std::string content;
    std::vector<Ipv4Address> servers;
    std::string expected;
};

TEST(platform_linux_resolver_file, ReplacesNameserverLines) {
    const Ipv4Address a{{198, 51, 100, 53}};
    const Ipv4Address b{{203, 0, 113, 53}};
    const std::vector<RewriteCase> cases = {
        {"in order where the first stood",
         "# generated\nsearch example.test\nnameserver 192.0.2.1\noptions ndots:2\n"
         "nameserver 192.0.2.2\n; end\n",
         {a, b},
         "# generated\nsearch example.test\nnameserver 198.51.100.53\nnameserver 203.0.113.53\n"
         "options ndots:2\n; end\n"},
        {"none before",
         "search example.test",
         {a},
         "search example.test\nnameserver 198.51.100.53\n"},
        {"empty file", "", {b}, "nameserver 203.0.113.53\n"},
        {"no servers", "nameserver 192.0.2.1\noptions edns0\n", {}, "options edns0\n"},
        {"CR LF kept, a last line without one given one",
         "search example.test\r\nnameserver 192.0.2.1\r\noptions edns0",
         {a, b},
         "search example.test\r\nnameserver 198.51.100.53\r\nnameserver 203.0.113.53\r\n"
         "options edns0\r\n"},
        {"not nameserver lines kept",
         "nameservers 192.0.2.1\n nameserver 192.0.2.2\n#nameserver 192.0.2.3\n\n",
         {a},
         "nameservers 192.0.2.1\n nameserver 192.0.2.2\n#nameserver 192.0.2.3\n\n"
         "nameserver 198.51.100.53\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replace_nameservers(c.content, c.servers), c.expected);
    }
}

// A plain file is rewritten in place: the lines it keeps keep their CR LF, and naming
// resolved's stub listener leaves it a plain file for the next apply.
TEST(platform_linux_resolver_file, DnsAppliesRewriteAPlainFile) {
    const testing_support::TempFolder folder;
    const auto file = folder.path() / "resolv.conf";
    testing_support::write_bytes(file, "search example.test\r\nnameserver 192.0.2.1\r\n");
    const Ipv4Address stub_listener{{127, 0, 0, 53}};
    const Ipv4Address server{{198, 51, 100, 53}};
    RecordedDiagnostics diagnostics;
    EXPECT_EQ(make_dns_server_setter(file, diagnostics)->replace(1, {stub_listener}),
              adapter_result::success);
    EXPECT_EQ(testing_support::read_bytes(file),
              "search example.test\r\nnameserver 127.0.0.53\r\n");
    EXPECT_EQ(make_dns_server_setter(file, diagnostics)->replace(1, {server}),
              adapter_result::success);
    EXPECT_EQ(testing_support::read_bytes(file),
              "search example.test\r\nnameserver 198.51.100.53\r\n");
}

} // namespace
} // namespace zelvoro::platform
