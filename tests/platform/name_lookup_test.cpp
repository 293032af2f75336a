// The name lookup's threads, time limit and cancelling over a fake system: a resolver the test
// holds up at will and a socket whose replies the test writes.
#include "platform/mdns_packet.h"
#include "platform/name_lookup.h"
#include "platform/netbios_packet.h"

#include <algorithm>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace zelvoro::platform {

void PrintTo(const FoundName& found, std::ostream* out) {
    *out << to_dotted_quad(found.address) << ' ' << found.name << " (" << source_text(found.source)
         << ')';
}

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Ipv4Address local{{10, 0, 0, 1}}, nas{{10, 0, 0, 5}}, printer{{10, 0, 0, 6}},
    stranger{{10, 0, 0, 99}};

void put_u16(Bytes& to, unsigned value) {
    to.push_back(static_cast<std::uint8_t>(value >> 8));
    to.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

// The answer to an mDNS reverse query, as a responder sends it: the query (id and question)
// turned into a response with one PTR record naming NAME.local.
Bytes mdns_answer(Bytes query, const std::string& name) {
    query[2] = 0x84;
    query[7] = 1; // one answer
    const Bytes owner_type_class_ttl = {0xC0, 12, 0, 12, 0, 1, 0, 0, 0, 10};
    query.insert(query.end(), owner_type_class_ttl.begin(), owner_type_class_ttl.end());
    const std::string target = char(name.size()) + name + "\5local";
    put_u16(query, static_cast<unsigned>(target.size() + 1));
    query.insert(query.end(), target.begin(), target.end());
    query.push_back(0);
    return query;
}

// A node status response with one unique workstation name.
Bytes node_status(std::uint16_t id, std::string name) {
    Bytes reply;
    put_u16(reply, id);
    for (const unsigned field : {0x8400u, 0u, 1u, 0u, 0u}) {
        put_u16(reply, field);
    }
    reply.push_back(32);
    reply.insert(reply.end(), 32, 'A');
    reply.push_back(0);
    for (const unsigned field : {0x21u, 1u, 0u, 0u, 19u}) {
        put_u16(reply, field);
    }
    name.resize(15, ' ');
    reply.push_back(1);
    reply.insert(reply.end(), name.begin(), name.end());
    for (const std::uint8_t byte : {0x00, 0x04, 0x00}) {
        reply.push_back(byte);
    }
    return reply;
}

std::uint16_t id_of(const Bytes& message) {
    return static_cast<std::uint16_t>(message[0] << 8 | message[1]);
}

struct Sent {
    Ipv4Address to;
    std::uint16_t port;
    Ipv4Address via;

    friend bool operator==(const Sent&, const Sent&) = default;
};

// What the fake network does with each query: the replies it sends back, written by the test.
using Respond = std::function<std::vector<Datagram>(const Sent&, const Bytes&)>;

class FakeSocket final : public DatagramSocket {
public:
    FakeSocket(Respond respond, std::vector<Sent>& sent)
        : respond_(std::move(respond)), sent_(sent) {}

    bool send(const Ipv4Address& to, std::uint16_t port, std::span<const std::uint8_t> bytes,
              const Ipv4Address& via) override {
        sent_.push_back({to, port, via});
        for (auto& reply : respond_(sent_.back(), Bytes(bytes.begin(), bytes.end()))) {
            replies_.push_back(std::move(reply));
        }
        return true;
    }

    std::optional<Datagram> receive(std::chrono::milliseconds wait) override {
        if (replies_.empty()) {
            std::this_thread::sleep_for(wait); // a silent network
            return std::nullopt;
        }
        auto next = std::move(replies_.front());
        replies_.erase(replies_.begin());
        return next;
    }

private:
    Respond respond_;
    std::vector<Sent>& sent_;
    std::vector<Datagram> replies_;
};

// Resolves from a table; an address listed in `held` waits until the test lets it go.
class FakeSystem final : public NameSystem {
public:
    std::optional<std::string> reverse_name(const Ipv4Address& address) override {
        std::unique_lock lock(mutex);
        ++calls;
        ++in_flight;
        most_in_flight = std::max(most_in_flight, in_flight);
        changed.notify_all();
        changed.wait(lock, [&] { return !held.contains(address) && !hold_all; });
        --in_flight;
        const auto found = names.find(address);
        return found == names.end() ? std::nullopt : std::optional(found->second);
    }

    std::unique_ptr<DatagramSocket> open_socket() override {
        const std::lock_guard lock(mutex);
        return std::make_unique<FakeSocket>(respond, sent);
    }

    void let_go() {
        {
            const std::lock_guard lock(mutex);
            held.clear();
            hold_all = false;
        }
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::map<Ipv4Address, std::string> names;
    std::set<Ipv4Address> held;
    bool hold_all = false;
    int calls = 0, in_flight = 0, most_in_flight = 0;
    Respond respond = [](const Sent&, const Bytes&) { return std::vector<Datagram>{}; };
    std::vector<Sent> sent; // written by the lookup's one socket thread, read after it ended
};

// Names the sink was given, in order of arrival.
struct Received {
    std::mutex mutex;
    std::vector<FoundName> names;

    NameSink sink() {
        return [this](const FoundName& found) {
            const std::lock_guard lock(mutex);
            names.push_back(found);
        };
    }
};

std::vector<FoundName> sorted(std::vector<FoundName> names) {
    std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
        return std::tie(a.address, a.source) < std::tie(b.address, b.source);
    });
    return names;
}

// Each host answers as a well-behaved responder would: nas by mDNS and NetBIOS, printer too.
Respond good_network() {
    return [](const Sent& sent, const Bytes& query) {
        const bool for_nas = sent.to == nas || (query.size() > 13 && query[13] == '5');
        std::vector<Datagram> replies;
        if (sent.port == mdns::port) {
            const std::string name = for_nas ? "nas" : "printer-2f";
            replies.push_back({for_nas ? nas : printer, mdns::port, mdns_answer(query, name)});
        } else {
            replies.push_back(
                {sent.to, netbios::port, node_status(id_of(query), for_nas ? "NAS01" : "PRN-2F")});
        }
        return replies;
    };
}

TEST(platform_name_lookup, EveryNameArrivesWithItsSourceAndTheLookupEndsOnceAllAnswered) {
    auto system = std::make_shared<FakeSystem>();
    system->names = {{nas, "nas.example.lan."}, {printer, "bad\x1b[0mname"}};
    system->respond = good_network();
    const NameQueries queries{{nas, printer, nas}, {{nas, local}, {printer, local}, {nas, local}}};
    Received received;
    auto lookup = name_service_over(system)->look_up(queries, 1min, received.sink());
    EXPECT_TRUE(lookup->wait()); // every query answered: it did not wait for its limit
    const std::vector<FoundName> expected = {
        {nas, "nas.example.lan", NameSource::dns}, {nas, "nas", NameSource::mdns},
        {nas, "NAS01", NameSource::netbios},       {printer, "printer-2f", NameSource::mdns},
        {printer, "PRN-2F", NameSource::netbios},
    };
    EXPECT_EQ(sorted(received.names), expected);
    const std::vector<Sent> sent = {{mdns::group, mdns::port, local},
                                    {nas, netbios::port, local},
                                    {mdns::group, mdns::port, local},
                                    {printer, netbios::port, local}};
    EXPECT_EQ(system->sent, sent);
    EXPECT_EQ(system->calls, 2); // the repeated address asked once
}

TEST(platform_name_lookup, RepliesToOtherQueriesOrAboutOtherAddressesGiveNoName) {
    auto system = std::make_shared<FakeSystem>();
    system->respond = [](const Sent& sent, const Bytes& query) {
        Bytes other_id = query;
        other_id[1] ^= 1;
        if (sent.port == mdns::port) {
            Bytes about_stranger = query;
            about_stranger[13] = '9', about_stranger.insert(about_stranger.begin() + 14, '9');
            about_stranger[12] = 2;
            return std::vector<Datagram>{{nas, mdns::port, mdns_answer(about_stranger, "x")},
                                         {nas, mdns::port, mdns_answer(other_id, "y")},
                                         {nas, mdns::port, Bytes(query.begin(), query.begin() + 7)},
                                         {nas, 5354, mdns_answer(query, "z")}};
        }
        return std::vector<Datagram>{{stranger, netbios::port, node_status(id_of(query), "X")},
                                     {nas, netbios::port, node_status(id_of(other_id), "Y")}};
    };
    Received received;
    EXPECT_FALSE(
        name_service_over(system)->look_up({{}, {{nas, local}}}, 200ms, received.sink())->wait());
    EXPECT_EQ(received.names, std::vector<FoundName>{});
    EXPECT_EQ(system->sent.size(), 2u);
}

TEST(platform_name_lookup, EndsAtItsLimitWhileTheResolverAndTheNetworkStaySilent) {
    auto system = std::make_shared<FakeSystem>();
    system->names = {{nas, "late"}};
    system->hold_all = true;
    Received received;
    EXPECT_FALSE(name_service_over(system)
                     ->look_up({{nas}, {{nas, local}}}, 100ms, received.sink())
                     ->wait());
    system->let_go(); // answers after the end go nowhere
    EXPECT_EQ(received.names, std::vector<FoundName>{});
}

TEST(platform_name_lookup, AsksTheResolverSixteenAddressesAtATime) {
    auto system = std::make_shared<FakeSystem>();
    system->hold_all = true;
    NameQueries queries;
    for (std::uint8_t octet = 1; octet <= 40; ++octet) {
        queries.reverse_dns.push_back({{10, 0, 1, octet}});
        system->names[queries.reverse_dns.back()] = "host-" + std::to_string(octet);
    }
    Received received;
    auto lookup = name_service_over(system)->look_up(queries, 1min, received.sink());
    {
        std::unique_lock lock(system->mutex);
        system->changed.wait(lock, [&] { return system->in_flight == 16; });
    }
    system->let_go();
    EXPECT_TRUE(lookup->wait());
    EXPECT_EQ(system->most_in_flight, 16);
    EXPECT_EQ(system->calls, 40);
    EXPECT_EQ(received.names.size(), 40u);
}

// Addresses added while the lookup runs are asked within its time, once each; after its time
// nothing more is asked.
TEST(platform_name_lookup, AddedAddressesAreAskedOnceWithinTheLookupsTime) {
    auto system = std::make_shared<FakeSystem>();
    system->names = {{nas, "nas.lan"}, {printer, "printer.lan"}};
    system->respond = good_network();
    Received received;
    auto lookup = name_service_over(system)->look_up({{nas}, {}}, 1min, received.sink());
    lookup->add({{nas, printer}, {{printer, local}}});
    lookup->add({{printer}, {{printer, local}}});
    EXPECT_TRUE(lookup->wait());
    const std::vector<FoundName> expected = {{nas, "nas.lan", NameSource::dns},
                                             {printer, "printer.lan", NameSource::dns},
                                             {printer, "printer-2f", NameSource::mdns},
                                             {printer, "PRN-2F", NameSource::netbios}};
    EXPECT_EQ(sorted(received.names), expected);
    EXPECT_EQ(system->calls, 2);
    EXPECT_EQ(system->sent.size(), 2u);

    auto ended = name_service_over(system)->look_up({}, 0ms, received.sink());
    ended->add({{stranger}, {{stranger, local}}});
    EXPECT_EQ(system->calls, 2);
    EXPECT_EQ(system->sent.size(), 2u);
}

TEST(platform_name_lookup, CancelDropsTheSinkAtOnce) {
    auto system = std::make_shared<FakeSystem>();
    system->names = {{nas, "nas"}};
    system->held = {nas};
    auto alive = std::make_shared<int>(0);
    auto lookup = name_service_over(system)->look_up(
        {{nas}, {}}, 1min, [alive](const FoundName&) { ADD_FAILURE() << "a name after cancel"; });
    {
        std::unique_lock lock(system->mutex);
        system->changed.wait(lock, [&] { return system->in_flight == 1; });
    }
    lookup->cancel(); // while the resolver is still busy
    EXPECT_EQ(alive.use_count(), 1);
    system->let_go();
}

} // namespace
} // namespace zelvoro::platform
