#include "platform/neighbours.h"
#include "platform/proof_channel.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace zelvoro::platform {
namespace {

using namespace std::chrono_literals;

const Ipv4Address a{{198, 51, 100, 1}}, b{{198, 51, 100, 2}};
const MacAddress mac_1{0x00, 0x1b, 0x2c, 0xa0, 0xff, 0x01}, mac_2{0xfe, 0, 0, 0, 0, 0x0a};

TEST(platform_neighbours, MacTextIsLowerCaseWithColons) {
    EXPECT_EQ(mac_text(mac_1), "00:1b:2c:a0:ff:01");
    EXPECT_EQ(mac_text(mac_2), "fe:00:00:00:00:0a");
}

// What reaches the sink, one line per call.
struct SinkRecord {
    PresenceSink sink() {
        return {[this](const Neighbour& n) { calls.push_back("proven " + mac_text(n.mac)); },
                [this] { calls.push_back("ended"); }};
    }
    std::vector<std::string> calls;
};

TEST(platform_proof_channel, HoldsBackUntilTheSweepEndedAndPassesNothingOnceClosed) {
    SinkRecord record;
    ProofChannel channel(record.sink());
    channel.prove({a, mac_1});
    channel.end(); // a watch may finish before the sweep does
    EXPECT_TRUE(record.calls.empty());
    EXPECT_EQ(channel.open(), (std::vector<Neighbour>{{a, mac_1}}));
    EXPECT_EQ(record.calls, std::vector<std::string>{"ended"});
    channel.prove({b, mac_2}); // after the end: nothing
    channel.end();
    EXPECT_EQ(record.calls, std::vector<std::string>{"ended"});

    SinkRecord second;
    ProofChannel streaming(second.sink());
    EXPECT_TRUE(streaming.open().empty());
    streaming.prove({b, mac_2});
    streaming.close();
    streaming.prove({a, mac_1});
    streaming.end();
    EXPECT_EQ(second.calls, std::vector<std::string>{"proven fe:00:00:00:00:0a"});
}

// Loopback needs no address resolution: a watch of loopback addresses proves nothing, and ends
// by itself within its window.
TEST(platform_system_neighbours, LoopbackWatchProvesNothingAndEnds) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Neighbour> proven;
    bool ended = false;
    PresenceSink sink{[&](const Neighbour& n) {
                          const std::lock_guard lock(mutex);
                          proven.push_back(n);
                      },
                      [&] {
                          {
                              const std::lock_guard lock(mutex);
                              ended = true;
                          }
                          changed.notify_all();
                      }};
    const std::vector<Ipv4Address> loopback = {{{127, 0, 0, 1}}, {{127, 0, 0, 2}}};
    RecordedDiagnostics diagnostics;
    const auto watch =
        make_system_neighbour_service(diagnostics)->watch(loopback, {100ms, 100ms}, sink);
    EXPECT_TRUE(watch->sweep_ended(loopback).empty());
    std::unique_lock lock(mutex);
    EXPECT_TRUE(changed.wait_for(lock, 10s, [&] { return ended; }));
    EXPECT_TRUE(proven.empty());
    EXPECT_TRUE(diagnostics.take().empty()); // nothing failed on the way
}

} // namespace
} // namespace zelvoro::platform
