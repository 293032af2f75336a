#include "sweep/sweep_plan.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace zelvoro::sweep {
namespace {

using platform::Ipv4Address;
using Texts = std::vector<std::string>;

template <typename Item> // SweepTarget or SweepVerdict
Texts texts_of(const std::vector<Item>& items) {
    Texts texts;
    for (const auto& item : items) {
        texts.push_back(item.text);
    }
    return texts;
}

Texts skipped_of(const std::vector<SweepTarget>& targets) {
    Texts texts;
    for (const auto& target : targets) {
        if (!target.address) {
            texts.push_back(target.text);
        }
    }
    return texts;
}

struct PlanCase {
    std::string prefix;
    int start;
    int end;
    Texts texts;
    Texts skipped;
};

TEST(sweep_plan, FormsOneTargetPerCounterValue) {
    const std::vector<PlanCase> cases = {
        {"192.0.2.", 9, 10, {"192.0.2.9", "192.0.2.10"}, {}},
        {"203.0.113.", 0, 2, {"203.0.113.0", "203.0.113.1", "203.0.113.2"}, {}},
        {"203.0.113.", 254, 255, {"203.0.113.254", "203.0.113.255"}, {}},
        {"255.255.255.",
         253,
         255,
         {"255.255.255.253", "255.255.255.254", "255.255.255.255"},
         {"255.255.255.255"}},
        {"192.0.02.", 1, 2, {"192.0.02.1", "192.0.02.2"}, {"192.0.02.1", "192.0.02.2"}},
        {"192..1.", 1, 2, {"192..1.1", "192..1.2"}, {"192..1.1", "192..1.2"}},
        {"203.0.113.", 255, 256, {"203.0.113.255", "203.0.113.256"}, {"203.0.113.256"}},
        {"203.0.113.", 7, 7, {"203.0.113.7"}, {}},
        {"203.0.113.", 8, 7, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix + std::to_string(c.start) + ".." + std::to_string(c.end));
        const auto targets = plan_sweep(c.prefix, c.start, c.end);
        EXPECT_EQ(texts_of(targets), c.texts);
        EXPECT_EQ(skipped_of(targets), c.skipped);
    }
}

TEST(sweep_plan, WholeSegmentConvertsEveryTextToItsOwnAddress) {
    const auto targets = plan_sweep("192.0.2.", 1, 254);
    ASSERT_EQ(targets.size(), 254u);
    for (int octet = 1; octet <= 254; ++octet) {
        const auto& target = targets[static_cast<std::size_t>(octet - 1)];
        EXPECT_EQ(target.text, "192.0.2." + std::to_string(octet));
        EXPECT_EQ(target.address, (Ipv4Address{{192, 0, 2, static_cast<std::uint8_t>(octet)}}));
    }
}

// Answers from the addresses it is given, records every request, and can refuse them all. When
// it measures round trips, request i (counted from 0) that answers took i + 1 ms.
class FakeEcho final : public platform::EchoService {
public:
    FakeEcho(std::set<Ipv4Address> answering, bool permitted, bool measures = false)
        : answering_(std::move(answering)), permitted_(permitted), measures_(measures) {}

    platform::EchoSweepResult echo_all(std::span<const Ipv4Address> addresses,
                                       std::chrono::milliseconds timeout) override {
        requested.assign(addresses.begin(), addresses.end());
        timeouts.push_back(timeout);
        platform::EchoSweepResult result{permitted_, {}, {}};
        for (const auto& address : addresses) {
            const bool answers = answering_.contains(address);
            result.status.push_back(answers ? platform::echo_answered : other_status());
            if (measures_) {
                result.round_trip.push_back(answers
                                                ? std::chrono::milliseconds(result.status.size())
                                                : std::chrono::milliseconds(0));
            }
        }
        return result;
    }

    std::vector<Ipv4Address> requested;
    std::vector<std::chrono::milliseconds> timeouts;

private:
    // Every status but 0 means silent, whatever its value.
    std::uint32_t other_status() {
        return ++calls_ % 2 ? platform::echo_timed_out : 11003; // destination host unreachable
    }

    std::set<Ipv4Address> answering_;
    bool permitted_;
    bool measures_;
    unsigned calls_ = 0;
};

Ipv4Address host(std::uint8_t last) {
    return {{198, 51, 100, last}};
}

struct RunCase {
    std::string name;
    std::vector<SweepTarget> targets;
    std::set<Ipv4Address> answering;
    Texts expected_answering;
    Texts expected_silent;
    std::vector<Ipv4Address> expected_requests;
    bool permitted = true;
};

TEST(sweep_run, SortsTextsIntoTheListsInTargetOrder) {
    const auto five = plan_sweep("198.51.100.", 1, 5);
    const std::vector<Ipv4Address> all = {host(1), host(2), host(3), host(4), host(5)};
    const std::vector<SweepTarget> with_skipped = {
        {"198.51.100.1", host(1)}, {"198.51.100.x", std::nullopt}, {"198.51.100.3", host(3)}};
    const std::vector<SweepTarget> duplicates = {{"198.51.100.2", host(2)},
                                                 {"198.51.100.02", host(2)}};
    const std::vector<RunCase> cases = {
        {"mixed",
         five,
         {host(2), host(5)},
         {"198.51.100.2", "198.51.100.5"},
         {"198.51.100.1", "198.51.100.3", "198.51.100.4"},
         all},
        {"all answering", five, {all.begin(), all.end()}, texts_of(five), {}, all},
        {"nobody answering", five, {}, {}, texts_of(five), all},
        {"skipped target goes nowhere and is not sent",
         with_skipped,
         {host(3)},
         {"198.51.100.3"},
         {"198.51.100.1"},
         {host(1), host(3)}},
        {"each duplicate gets its own request, texts kept as given",
         duplicates,
         {host(2)},
         {"198.51.100.2", "198.51.100.02"},
         {},
         {host(2), host(2)}},
        {"not permitted leaves both lists empty", five, {host(2)}, {}, {}, all, false},
        {"nothing convertible", {{"x", std::nullopt}}, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEcho echo(c.answering, c.permitted);
        const SweepOutcome outcome = run_sweep(echo, c.targets);
        EXPECT_EQ(outcome.permitted, c.permitted);
        EXPECT_EQ(texts_of(outcome.answering), c.expected_answering);
        EXPECT_EQ(texts_of(outcome.silent), c.expected_silent);
        EXPECT_EQ(echo.requested, c.expected_requests);
        EXPECT_EQ(echo.timeouts, std::vector{std::chrono::milliseconds(5)});
    }
}

// Each verdict keeps its target's address; an answer keeps its own request's round trip (the
// skipped target sends nothing, so 198.51.100.3 is the second request), a silence none.
TEST(sweep_run, VerdictsCarryAddressAndRoundTrip) {
    using std::chrono::milliseconds;
    const std::vector<SweepTarget> targets = {{"198.51.100.1", host(1)},
                                              {"198.51.100.x", std::nullopt},
                                              {"198.51.100.3", host(3)},
                                              {"198.51.100.4", host(4)}};
    FakeEcho measuring({host(3), host(4)}, true, true);
    const SweepOutcome measured = run_sweep(measuring, targets);
    EXPECT_EQ(measured.answering,
              (std::vector<SweepVerdict>{{"198.51.100.3", host(3), milliseconds(2)},
                                         {"198.51.100.4", host(4), milliseconds(3)}}));
    EXPECT_EQ(measured.silent,
              (std::vector<SweepVerdict>{{"198.51.100.1", host(1), std::nullopt}}));

    FakeEcho not_measuring({host(3)}, true);
    const SweepOutcome unmeasured = run_sweep(not_measuring, targets);
    EXPECT_EQ(unmeasured.answering,
              (std::vector<SweepVerdict>{{"198.51.100.3", host(3), std::nullopt}}));
}

} // namespace
} // namespace zelvoro::sweep
