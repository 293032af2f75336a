// The mDNS and NetBIOS replies a host may send, well-formed and broken: a broken or hostile
// reply must come to no name at all, never to a wrong one.
#include "platform/host_name.h"
#include "platform/mdns_packet.h"
#include "platform/netbios_packet.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform {
namespace mdns {
void PrintTo(const ReverseAnswer& answer, std::ostream* out) {
    *out << answer.id << ' ' << to_dotted_quad(answer.address) << " \"" << answer.name << '"';
}
} // namespace mdns
namespace netbios {
void PrintTo(const NodeName& found, std::ostream* out) {
    *out << found.id << " \"" << found.name << '"';
}
} // namespace netbios

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

Bytes u16(unsigned value) {
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
}

// Labels as they stand on the wire, ended by the zero label.
Bytes name(std::initializer_list<std::string_view> labels) {
    Bytes bytes;
    for (const auto label : labels) {
        bytes = bytes + Bytes{static_cast<std::uint8_t>(label.size())} + text(label);
    }
    return bytes + Bytes{0};
}

Bytes header(unsigned id, unsigned flags, unsigned questions, unsigned answers) {
    return u16(id) + u16(flags) + u16(questions) + u16(answers) + u16(0) + u16(0);
}

// type, class, time to live 120, then the data length and the data.
Bytes record_tail(unsigned type, unsigned record_class, const Bytes& data) {
    return u16(type) + u16(record_class) + Bytes{0, 0, 0, 120} + u16(data.size()) + data;
}

const Bytes question_5 = name({"5", "2", "0", "192", "in-addr", "arpa"}) + u16(12) + u16(0x8001);

// What a responder sends to a query from an ordinary port: the id and question repeated, the
// answer's owner a pointer to the question's name (offset 12).
Bytes mdns_reply(const Bytes& target, unsigned flags = 0x8400, unsigned record_class = 1) {
    return header(0x1234, flags, 1, 1) + question_5 + Bytes{0xC0, 12} +
           record_tail(12, record_class, target);
}

struct MdnsCase {
    std::string what;
    Bytes message;
    std::optional<std::string> name; // the answer is for 192.0.2.5 with id 0x1234
};

TEST(platform_name_packets, MdnsReverseAnswers) {
    const Bytes printer = name({"printer-2f", "local"});
    const Bytes after_question = header(0x1234, 0x8400, 1, 1) + question_5;
    const std::size_t answer_at = after_question.size();
    const std::vector<MdnsCase> cases = {
        {"legacy unicast answer", mdns_reply(printer), "printer-2f"},
        {"cache-flush bit", mdns_reply(printer, 0x8400, 0x8001), "printer-2f"},
        {"name outside .local kept whole", mdns_reply(name({"nas", "lan"})), "nas.lan"},
        {"UTF-8 name", mdns_reply(name({"\xE6\x89\x93\xE5\x8D\xB0\xE6\x9C\xBA", "local"})),
         "\xE6\x89\x93\xE5\x8D\xB0\xE6\x9C\xBA"},
        {"no question, owner written out",
         header(0x1234, 0x8400, 0, 1) + name({"5", "2", "0", "192", "IN-ADDR", "ARPA"}) +
             record_tail(12, 1, printer),
         "printer-2f"},
        {"target compressed to the owner's arpa", mdns_reply(Bytes{2, 'p', 'c', 0xC0, 30}),
         "pc.arpa"},
        {"a query, not an answer", mdns_reply(printer, 0x0000), std::nullopt},
        {"error code", mdns_reply(printer, 0x8403), std::nullopt},
        {"truncated header", Bytes{0x12, 0x34, 0x84}, std::nullopt},
        {"A record, not PTR",
         after_question + Bytes{0xC0, 12} + record_tail(1, 1, Bytes{192, 0, 2, 5}), std::nullopt},
        {"class CH", mdns_reply(printer, 0x8400, 3), std::nullopt},
        {"owner is no reverse name",
         header(0x1234, 0x8400, 0, 1) + name({"printer-2f", "local"}) + record_tail(12, 1, printer),
         std::nullopt},
        {"owner octet with a leading zero",
         header(0x1234, 0x8400, 0, 1) + name({"05", "2", "0", "192", "in-addr", "arpa"}) +
             record_tail(12, 1, printer),
         std::nullopt},
        {"owner octet above 255",
         header(0x1234, 0x8400, 0, 1) + name({"5", "2", "0", "256", "in-addr", "arpa"}) +
             record_tail(12, 1, printer),
         std::nullopt},
        {"data length beyond the message",
         [&] {
             Bytes m = mdns_reply(printer);
             m[answer_at + 10] = 0x40;
             return m;
         }(),
         std::nullopt},
        {"data length shorter than the name",
         [&] {
             Bytes m = mdns_reply(printer);
             m[answer_at + 11] = 4;
             return m;
         }(),
         std::nullopt},
        {"more questions than there are",
         [&] {
             Bytes m = mdns_reply(printer);
             m[5] = 9;
             return m;
         }(),
         std::nullopt},
        {"pointer to itself", mdns_reply(Bytes{0xC0, static_cast<std::uint8_t>(answer_at + 12)}),
         std::nullopt},
        {"pointer forward", mdns_reply(Bytes{0xC0, static_cast<std::uint8_t>(answer_at + 14), 0}),
         std::nullopt},
        {"pointers in a ring through a label",
         mdns_reply(Bytes{1, 'a', 0xC0, static_cast<std::uint8_t>(answer_at + 12)}), std::nullopt},
        {"reserved label type", mdns_reply(Bytes{0x41, 'a', 0}), std::nullopt},
        {"escape sequence in the name", mdns_reply(name({"\x1B[31mpc", "local"})), std::nullopt},
        {"C1 control in the name", mdns_reply(name({"pc\xC2\x85", "local"})), std::nullopt},
        {"not UTF-8", mdns_reply(name({"pc\xFF", "local"})), std::nullopt},
        {"dot inside a label", mdns_reply(name({"evil.example", "local"})), std::nullopt},
        {"nothing but .local", mdns_reply(name({"local"})), std::nullopt},
        {"name beyond 255 bytes",
         mdns_reply(name({std::string(63, 'a'), std::string(63, 'b'), std::string(63, 'c'),
                          std::string(63, 'd')})),
         std::nullopt},
        {"a broken answer, then a good one",
         header(0x1234, 0x8400, 1, 2) + question_5 + Bytes{0xC0, 12} +
             record_tail(12, 1, name({"\x07", "local"})) + Bytes{0xC0, 12} +
             record_tail(12, 1, printer),
         "printer-2f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto answer = mdns::decode_reverse_answer(c.message);
        if (!c.name) {
            EXPECT_EQ(answer, std::nullopt);
            continue;
        }
        EXPECT_EQ(answer, (mdns::ReverseAnswer{0x1234, {{192, 0, 2, 5}}, *c.name}));
    }
}

TEST(platform_name_packets, MdnsReverseQuery) {
    const Bytes expected = header(0xABCD, 0, 1, 0) +
                           name({"5", "2", "0", "192", "in-addr", "arpa"}) + u16(12) + u16(0x8001);
    EXPECT_EQ(mdns::encode_reverse_query(0xABCD, {{192, 0, 2, 5}}), expected);
}

const Bytes wildcard = name({"CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"});

// One name table entry: the name padded to 15 bytes, the suffix, the flags.
Bytes entry(std::string_view entry_name, unsigned suffix, unsigned flags) {
    std::string padded(entry_name);
    padded.resize(15, ' ');
    return text(padded) + Bytes{static_cast<std::uint8_t>(suffix)} + u16(flags);
}

constexpr unsigned unique = 0x0400; // active
constexpr unsigned group = 0x8400;

// A node status response with the given entries and the statistics after them (the MAC and
// zeros, 46 bytes).
Bytes node_status(std::vector<Bytes> entries, unsigned flags = 0x8400) {
    Bytes data{static_cast<std::uint8_t>(entries.size())};
    for (const auto& e : entries) {
        data = data + e;
    }
    data = data + Bytes{0x00, 0x15, 0x5d, 0x01, 0x02, 0x03} + Bytes(40, 0);
    return header(0x5678, flags, 0, 1) + wildcard + record_tail(0x21, 1, data);
}

struct NetbiosCase {
    std::string what;
    Bytes message;
    std::optional<std::string> name; // id 0x5678
};

TEST(platform_name_packets, NetbiosNodeStatus) {
    const Bytes windows =
        node_status({entry("NAS01", 0x00, unique), entry("WORKGROUP", 0x00, group),
                     entry("NAS01", 0x20, unique), entry("WORKGROUP", 0x1E, group)});
    const std::size_t data_at = header(0, 0, 0, 0).size() + wildcard.size() + 8;
    const std::vector<NetbiosCase> cases = {
        {"workstation name of a Windows machine", windows, "NAS01"},
        {"workgroup listed first",
         node_status({entry("WORKGROUP", 0x00, group), entry("PC-7", 0x00, unique)}), "PC-7"},
        {"server name when the workstation name is missing",
         node_status({entry("WORKGROUP", 0x00, group), entry("PRN-2F", 0x20, unique)}), "PRN-2F"},
        {"workstation name in conflict",
         node_status({entry("OLD", 0x00, unique | 0x0800), entry("NEW", 0x20, unique)}), "NEW"},
        {"code page 936 name", node_status({entry("\xB2\xC6\xCE\xF1PC", 0x00, unique)}),
         "\xE8\xB4\xA2\xE5\x8A\xA1PC"},
        {"group names only", node_status({entry("WORKGROUP", 0x00, group)}), std::nullopt},
        {"no names", node_status({}), std::nullopt},
        {"other suffixes only", node_status({entry("PC", 0x03, unique)}), std::nullopt},
        {"blank name", node_status({entry("", 0x00, unique)}), std::nullopt},
        {"control byte in the name", node_status({entry("PC\x1B", 0x00, unique)}), std::nullopt},
        {"byte code page 936 cannot decode", node_status({entry("PC\xFF", 0x00, unique)}),
         std::nullopt},
        {"a request, not a response", node_status({entry("PC", 0x00, unique)}, 0x0000),
         std::nullopt},
        {"negative response", node_status({entry("PC", 0x00, unique)}, 0x8403), std::nullopt},
        {"more entries counted than sent",
         [&] {
             Bytes m = node_status({entry("PC-9", 0x00, unique)});
             m[data_at + 2] = 200;
             return m;
         }(),
         "PC-9"},
        {"data length beyond the message",
         [&] {
             Bytes m = node_status({entry("PC-9", 0x00, unique)});
             m[data_at] = 0x7F;
             return m;
         }(),
         std::nullopt},
        {"entry cut off by the data length",
         [&] {
             Bytes m = node_status({entry("PC-9", 0x00, unique)});
             m[data_at + 1] = 10;
             return m;
         }(),
         std::nullopt},
        {"name query answer, not node status",
         header(0x5678, 0x8400, 0, 1) + wildcard + record_tail(0x20, 1, Bytes{0, 0, 10, 0, 0, 1}),
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto found = netbios::decode_node_status(c.message);
        if (!c.name) {
            EXPECT_EQ(found, std::nullopt);
            continue;
        }
        EXPECT_EQ(found, (netbios::NodeName{0x5678, *c.name}));
    }
}

TEST(platform_name_packets, NetbiosNodeStatusRequest) {
    EXPECT_EQ(netbios::encode_node_status_request(0x0102),
              header(0x0102, 0, 1, 0) + wildcard + u16(0x21) + u16(1));
}

struct ShownCase {
    std::string text;
    std::optional<std::string> shown;
};

TEST(platform_name_packets, ShownHostNames) {
    const std::vector<ShownCase> cases = {
        {"nas.example.lan.", "nas.example.lan"},
        {"Jane's MacBook", "Jane's MacBook"},
        {std::string(255, 'a'), std::string(255, 'a')},
        {std::string(256, 'a'), std::nullopt},
        {"", std::nullopt},
        {".", std::nullopt},
        {" pc", std::nullopt},
        {"pc .", std::nullopt},
        {"pc\x7F", std::nullopt},
        {std::string("pc\0x", 4), std::nullopt},
        {"pc\xC0\xAE", std::nullopt},     // overlong
        {"pc\xED\xA0\x80", std::nullopt}, // surrogate
        {"pc\xF4\x90\x80\x80", std::nullopt},
        {"pc\xE6\x89", std::nullopt}, // cut short
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(shown_host_name(c.text), c.shown);
    }
}

} // namespace
} // namespace zelvoro::platform
