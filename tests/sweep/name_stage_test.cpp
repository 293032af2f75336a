// The name stage between a lookup and its owner: what is asked, and what the owner's thread sees.
#include "support/sweep_verdicts.h"
#include "sweep/name_stage.h"

#include <deque>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace zelvoro::sweep {
namespace {

using platform::FoundName;
using platform::Ipv4Address;
using platform::NameSource;

// Keeps every query of the lookup it begins; a test calls its sink as the system would.
class FakeService final : public platform::NameService {
public:
    class Lookup final : public platform::NameLookup {
    public:
        explicit Lookup(FakeService& service) : service_(service) {}
        ~Lookup() override { cancel(); }
        void cancel() override { service_.looking = false; }
        bool wait() override { return false; }
        void add(platform::NameQueries queries) override {
            service_.queries.push_back(std::move(queries));
        }

    private:
        FakeService& service_;
    };

    std::unique_ptr<platform::NameLookup> look_up(platform::NameQueries first,
                                                  std::chrono::milliseconds,
                                                  platform::NameSink given) override {
        queries.push_back(std::move(first));
        sink = std::move(given);
        looking = true;
        return std::make_unique<Lookup>(*this);
    }

    std::vector<platform::NameQueries> queries;
    platform::NameSink sink;
    bool looking = false;
};

class NameStageTest : public testing::Test {
protected:
    std::unique_ptr<NameStage> start(std::vector<std::size_t> marked) {
        return std::make_unique<NameStage>(
            service, outcome, marked,
            std::vector<platform::LocalAddress>{{{{192, 0, 2, 1}}, {{255, 255, 255, 0}}}},
            NameOwner{.post = [this](std::function<void()> task) { posted.push_back(task); },
                      .named = [this](const ItemNames& item) { named.push_back(item); }});
    }
    void run_posted() {
        while (!posted.empty()) {
            const auto task = posted.front();
            posted.pop_front();
            task();
        }
    }
    static std::vector<Ipv4Address> reverse(const platform::NameQueries& queries) {
        return queries.reverse_dns;
    }

    const Ipv4Address one{{192, 0, 2, 1}}, three{{192, 0, 2, 3}}, four{{192, 0, 2, 4}};
    const SweepOutcome outcome{true, test_support::test_net_verdicts({1}),
                               test_support::test_net_verdicts({2, 3, 4})};
    FakeService service;
    std::deque<std::function<void()>> posted;
    std::vector<ItemNames> named;
};

// The answering addresses and the silent ones marked by the sweep's end are asked at once, one
// marked later as its mark arrives; each name reaches the owner's thread with the ones before.
TEST_F(NameStageTest, AsksAboutAnsweringAndMarkedAddressesAndNamesTheirItems) {
    const auto stage = start({1});
    ASSERT_EQ(service.queries.size(), 1U);
    EXPECT_EQ(reverse(service.queries[0]), (std::vector<Ipv4Address>{one, three}));
    EXPECT_EQ(service.queries[0].link_local,
              (std::vector<platform::LinkTarget>{{one, one}, {three, one}}));
    stage->marked(2);
    ASSERT_EQ(service.queries.size(), 2U);
    EXPECT_EQ(reverse(service.queries[1]), std::vector<Ipv4Address>{four});

    const FoundName nas{four, "nas", NameSource::mdns}, nas01{four, "NAS01", NameSource::netbios};
    std::thread([&] {
        service.sink(nas);
        service.sink(nas01);
    }).join();
    EXPECT_TRUE(named.empty()); // not before the owner runs what was posted
    run_posted();
    EXPECT_EQ(named, (std::vector<ItemNames>{{true, 2, {nas}}, {true, 2, {nas, nas01}}}));
}

// A new sweep, 重置IP or closing the window destroys the stage: what it had posted names nothing.
TEST_F(NameStageTest, AStageGoneNamesNothingMore) {
    auto stage = start({});
    service.sink({one, "gw", NameSource::dns});
    stage.reset();
    EXPECT_FALSE(service.looking);
    run_posted();
    EXPECT_TRUE(named.empty());
}

} // namespace
} // namespace zelvoro::sweep
