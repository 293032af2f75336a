// The presence stage between a watch and its owner: what the owner's thread sees, and when.
#include "support/sweep_verdicts.h"
#include "sweep/presence_stage.h"

#include <deque>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace zelvoro::sweep {
namespace {

using platform::Ipv4Address;
using platform::MacAddress;
using platform::Neighbour;

const MacAddress printer{0x02, 0, 0, 0, 0, 0x07}, phone{0x02, 0, 0, 0, 0, 0x09};

// A watch that proves `at_end` when the sweep ends; a test calls its sink as the system would.
class FakeService final : public platform::NeighbourService {
public:
    class Watch final : public platform::PresenceWatch {
    public:
        explicit Watch(FakeService& service) : service_(service) {}
        ~Watch() override { service_.watching = false; }
        std::vector<Neighbour> sweep_ended(std::span<const Ipv4Address> silent) override {
            service_.silent.assign(silent.begin(), silent.end());
            return service_.at_end;
        }

    private:
        FakeService& service_;
    };

    std::unique_ptr<platform::PresenceWatch> watch(std::span<const Ipv4Address> range,
                                                   const platform::LateWindows&,
                                                   platform::PresenceSink given) override {
        this->range.assign(range.begin(), range.end());
        sink = std::move(given);
        watching = true;
        return std::make_unique<Watch>(*this);
    }

    std::vector<Neighbour> at_end;
    std::vector<Ipv4Address> range, silent;
    platform::PresenceSink sink;
    bool watching = false;
};

class PresenceStageTest : public testing::Test {
protected:
    std::unique_ptr<PresenceStage> start() {
        const auto targets = plan_sweep("192.0.2.", 1, 4);
        return std::make_unique<PresenceStage>(
            service, targets, platform::LateWindows{},
            PresenceOwner{.post = [this](std::function<void()> task) { posted.push_back(task); },
                          .mark = [this](const ItemMark& mark) { marks.push_back(mark); },
                          .ended = [this] { ++ended; }});
    }
    void run_posted() {
        while (!posted.empty()) {
            const auto task = posted.front();
            posted.pop_front();
            task();
        }
    }

    const SweepOutcome outcome{true, test_support::test_net_verdicts({1}),
                               test_support::test_net_verdicts({2, 3, 4})};
    FakeService service;
    std::deque<std::function<void()>> posted;
    std::vector<ItemMark> marks;
    int ended = 0;
};

TEST_F(PresenceStageTest, MarksAtTheSweepsEndAtOnceAndLaterOnesOnTheOwnersThread) {
    service.at_end = {{{{192, 0, 2, 3}}, printer}};
    const auto stage = start();
    EXPECT_EQ(service.range.size(), 4U);
    // A proof found while the sweep still runs waits for the lists.
    std::thread([this] { service.sink.proven({{{192, 0, 2, 1}}, phone}); }).join();
    run_posted();
    EXPECT_TRUE(marks.empty());
    stage->sweep_ended(outcome);
    EXPECT_EQ(service.silent,
              (std::vector<Ipv4Address>{{{192, 0, 2, 2}}, {{192, 0, 2, 3}}, {{192, 0, 2, 4}}}));
    EXPECT_EQ(marks, (std::vector<ItemMark>{{true, 1, printer, MarkKind::present},
                                            {false, 0, phone, MarkKind::answering}}));
    std::thread([this] {
        service.sink.proven({{{192, 0, 2, 4}}, phone});
        service.sink.ended();
    }).join();
    EXPECT_EQ(marks.size(), 2U); // not before the owner runs what was posted
    EXPECT_FALSE(stage->ended());
    run_posted();
    EXPECT_EQ(marks.back(), (ItemMark{true, 2, phone, MarkKind::present}));
    EXPECT_TRUE(stage->ended());
    EXPECT_EQ(ended, 1);
}

// A new sweep, 重置IP or closing the window destroys the stage: what it had posted marks nothing.
TEST_F(PresenceStageTest, AStageGoneMarksNothingMore) {
    auto stage = start();
    stage->sweep_ended(outcome);
    service.sink.proven({{{192, 0, 2, 2}}, printer});
    service.sink.ended();
    stage.reset();
    EXPECT_FALSE(service.watching);
    run_posted();
    EXPECT_TRUE(marks.empty());
    EXPECT_EQ(ended, 0);
}

} // namespace
} // namespace zelvoro::sweep
