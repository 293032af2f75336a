// The window for late confirmations, from an interface's neighbour settings as /proc shows them.
#include "platform/linux/neighbour_settings_linux.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace zelvoro::platform::netlink {
namespace {

using namespace std::chrono_literals;

TEST(platform_neighbour_settings, WindowFromTheFilesOfAnInterface) {
    struct Case {
        std::string name;
        std::map<std::string, std::string> files;
        std::chrono::milliseconds window;
    };
    const std::vector<Case> cases = {
        {"the kernel's defaults",
         {{"delay_first_probe_time", "5\n"},
          {"ucast_solicit", "3\n"},
          {"retrans_time_ms", "1000\n"}},
         8500ms},
        {"one quick probe",
         {{"delay_first_probe_time", "2\n"},
          {"ucast_solicit", "1\n"},
          {"retrans_time_ms", "250\n"}},
         2750ms},
        {"no probes at all", {{"ucast_solicit", "0\n"}}, 5500ms},
        {"nothing readable: defaults", {}, 8500ms},
        {"not numbers: defaults",
         {{"delay_first_probe_time", "soon\n"}, {"ucast_solicit", "-1\n"}},
         8500ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const testing_support::TempFolder folder;
        for (const auto& [name, text] : c.files) {
            std::ofstream(folder.path() / name) << text;
        }
        EXPECT_EQ(late_window(read_probe_settings(folder.path())), c.window);
    }
    EXPECT_EQ(probe_settings_folder("eth0"), "/proc/sys/net/ipv4/neigh/eth0");
}

} // namespace
} // namespace zelvoro::platform::netlink
