// The system's own resolver asked about this machine's loopback address: whatever it knows, the
// lookup ends within its time (under Wine too) and names only the address it was asked about.
#include "platform/host_name.h"
#include "platform/names.h"

#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace zelvoro::platform {
namespace {

TEST(platform_names_system, ReverseLookupOfLoopbackEnds) {
    const Ipv4Address loopback{{127, 0, 0, 1}};
    std::mutex mutex;
    std::vector<FoundName> names;
    const auto lookup = make_system_name_service()->look_up({{loopback}, {}}, name_lookup_limit,
                                                            [&](const FoundName& found) {
                                                                const std::lock_guard lock(mutex);
                                                                names.push_back(found);
                                                            });
    lookup->wait();
    ASSERT_LE(names.size(), 1u);
    for (const FoundName& found : names) {
        EXPECT_EQ(found.address, loopback);
        EXPECT_EQ(found.source, NameSource::dns);
        EXPECT_EQ(shown_host_name(found.name), found.name);
    }
}

} // namespace
} // namespace zelvoro::platform
