#include "platform/adapters/adapters_linux.h"
#include "platform/adapters/resolver_file.h"

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

struct ResolverFileCase {
    std::string name;
    std::optional<std::filesystem::path> link_target;
    std::string content;
    bool resolved;
};

TEST(platform_linux_resolver_file, BelongsToResolved) {
    const std::vector<ResolverFileCase> cases = {
        {"link to the stub file", "/run/systemd/resolve/stub-resolv.conf", "", true},
        {"relative link", "../run/systemd/resolve/resolv.conf", "nameserver 192.0.2.53\n", true},
        {"link elsewhere", "/run/NetworkManager/resolv.conf", "nameserver 192.0.2.53\n", false},
        {"link to a look-alike", "/run/systemd/resolve.d/resolv.conf", "", false},
        {"link to the folder itself", "/run/systemd/resolve", "", false},
        {"copy of the stub file", std::nullopt, "# comment\nnameserver 127.0.0.53\n", true},
        {"stub with a tab", std::nullopt, "nameserver\t127.0.0.53 # stub\n", true},
        {"plain file", std::nullopt, "nameserver 192.0.2.53\nsearch example.test\n", false},
        {"stub only in a comment", std::nullopt, "# nameserver 127.0.0.53\n", false},
        {"another loopback resolver", std::nullopt, "nameserver 127.0.0.531\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(is_resolved_file("/etc/resolv.conf", c.link_target, c.content), c.resolved);
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

} // namespace
} // namespace zelvoro::platform
