#include "sweep/names.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zelvoro::sweep {
namespace {

using namespace std::chrono_literals;
using platform::FoundName;
using platform::Ipv4Address;
using platform::LinkTarget;
using platform::LocalAddress;
using platform::NameSource;

TEST(sweep_names, LinkLocalQueriesOnlyOnTheMachinesOwnSubnets) {
    const Ipv4Address eth{{192, 0, 2, 1}}, wlan{{198, 51, 100, 7}};
    const std::vector<LocalAddress> local = {
        {{{127, 0, 0, 1}}, {{255, 0, 0, 0}}},
        {{{10, 9, 9, 9}}, {}}, // a zero mask is no subnet
        {eth, {{255, 255, 255, 0}}},
        {wlan, {{255, 255, 255, 128}}},
        {{{192, 0, 2, 77}}, {{255, 255, 255, 0}}}, // the same subnet again
    };
    const std::vector<Ipv4Address> addresses = {{{192, 0, 2, 9}},
                                                {{198, 51, 100, 3}},
                                                {{198, 51, 100, 200}},
                                                {{127, 0, 0, 5}},
                                                {{203, 0, 113, 1}}};
    const auto queries = plan_name_queries(addresses, local);
    EXPECT_EQ(queries.reverse_dns, addresses);
    EXPECT_EQ(queries.link_local,
              (std::vector<LinkTarget>{{{{192, 0, 2, 9}}, eth}, {{{198, 51, 100, 3}}, wlan}}));
}

SweepVerdict verdict(std::uint8_t last) {
    const Ipv4Address address{{192, 0, 2, last}};
    return {platform::to_dotted_quad(address), address, std::nullopt};
}

TEST(sweep_names, AnsweringAddressesAndSilentOnesWithAMac) {
    const SweepOutcome outcome{true, {verdict(1), verdict(7)}, {verdict(2), verdict(3)}};
    const platform::MacAddress mac{2, 0, 0, 0, 0, 3};
    EXPECT_EQ(addresses_to_name(outcome, SweepMacs{{}, {std::nullopt, mac}}),
              (std::vector<Ipv4Address>{{{192, 0, 2, 1}}, {{192, 0, 2, 7}}, {{192, 0, 2, 3}}}));
    EXPECT_EQ(addresses_to_name(outcome, {}),
              (std::vector<Ipv4Address>{{{192, 0, 2, 1}}, {{192, 0, 2, 7}}}));
}

TEST(sweep_names, NoteTexts) {
    const Ipv4Address at{{192, 0, 2, 9}};
    const std::vector<FoundName> names = {{at, "NAS01", NameSource::netbios},
                                          {at, "printer-2f", NameSource::mdns},
                                          {at, "nas.example.lan", NameSource::dns}};
    EXPECT_EQ(names_text(names), "nas.example.lan (DNS), printer-2f (mDNS), NAS01 (NetBIOS)");
    EXPECT_EQ(names_note(std::span(names).first(2)), "主机名: printer-2f (mDNS), NAS01 (NetBIOS)");
    EXPECT_EQ(names_note({}), "");

    const std::vector<std::pair<std::chrono::nanoseconds, std::string>> times = {
        {0ns, "响应时间 <0.1 ms"},      {49'999ns, "响应时间 <0.1 ms"},
        {-5ns, "响应时间 <0.1 ms"},     {50us, "响应时间 0.1 ms"},
        {449'999ns, "响应时间 0.4 ms"}, {1'250us, "响应时间 1.3 ms"},
        {12'340us, "响应时间 12.3 ms"},
    };
    for (const auto& [round_trip, text] : times) {
        EXPECT_EQ(answer_time_note(round_trip), text) << round_trip.count() << " ns";
    }
}

} // namespace
} // namespace zelvoro::sweep
