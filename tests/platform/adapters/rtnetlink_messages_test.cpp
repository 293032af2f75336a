// The rtnetlink applier's messages, without root: its requests against what it sent to a kernel
// that took them, and its reading of address and route dumps, acknowledgements and refusals
// the kernel sent (all captured in a namespace with the veths a0 (link 2) and a1 (link 3)).
#include "platform/adapters/rtnetlink_messages_linux.h"
#include "support/hex_bytes.h"

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::platform::rtnetlink {
namespace {

using netlink::Answer;
using netlink::Exchange;
using netlink::Reply;
using netlink::Request;
using test_support::bytes_of;
using test_support::hex_of;

constexpr int a0 = 2;
constexpr int a1 = 3;

// The route dump, answer to request 2 of port 21144 (its NLMSG_DONE came in a datagram of its
// own); the kernel's table "local" cut short.
const std::vector<std::string_view> route_dump = {
    // default via 192.0.2.1 dev a0 table 100
    "3400000018000200020000009852000002000000640300011000000008000f006400000008000500c0000201"
    "0800040002000000",
    // default via 192.0.2.254 dev a0 proto static metric 1
    "3c00000018000200020000009852000002000000fe0400011000000008000f00fe00000008000600010000000800"
    "0500c00002fe0800040002000000",
    // default via 192.0.2.1 dev a0 proto boot metric 5
    "3c00000018000200020000009852000002000000fe0300011000000008000f00fe00000008000600050000000800"
    "0500c00002010800040002000000",
    // default via 192.0.2.1 dev a1 proto boot metric 6
    "3c00000018000200020000009852000002000000fe0300011000000008000f00fe00000008000600060000000800"
    "0500c00002010800040003000000",
    // default dev a0 proto boot scope link metric 9 (no gateway)
    "3400000018000200020000009852000002000000fe03fd011000000008000f00fe00000008000600090000000800"
    "040002000000",
    // 192.0.2.0/24 dev a0 proto kernel scope link
    "3c00000018000200020000009852000002180000fe02fd011000000008000f00fe00000008000100c00002000800"
    "0700c000020a0800040002000000",
    // local 192.0.2.10 dev a0 table local
    "3c00000018000200020000009852000002200000ff02fe020000000008000f00ff00000008000100c000020a0800"
    "0700c000020a0800040002000000",
};
const std::vector<std::string_view> route_dump_done = {"140000000300020002000000985200000000"
                                                       "0000"};

// The address dump, answer to request 1 of port 21151.
const std::vector<std::string_view> address_dump = {
    // 127.0.0.1/8 dev lo
    "4c00000014000200010000009f520000020880fe01000000080001007f000001080002007f000001070003006c6f"
    "0000080008008000000014000600ffffffffffffffff2c1003002c100300",
    // 192.0.2.10/24 dev a0
    "4c00000014000200010000009f520000021880000200000008000100c000020a08000200c000020a070003006130"
    "0000080008008000000014000600ffffffffffffffff2c1003002c100300",
    // 198.51.100.7/25 dev a0
    "4c00000014000200010000009f520000021980000200000008000100c633640708000200c6336407070003006130"
    "0000080008008000000014000600ffffffffffffffff2c1003002c100300",
    // 192.0.2.11/24 dev a1
    "4c00000014000200010000009f520000021880000300000008000100c000020b08000200c000020b070003006131"
    "0000080008008000000014000600ffffffffffffffff2c1003002c100300",
};
const std::vector<std::string_view> address_dump_done = {"1400000003000200010000009f52000000000"
                                                         "000"};

std::vector<Reply> replies_of(const std::vector<std::vector<std::string_view>>& datagrams,
                              const Exchange& exchange) {
    Answer answer;
    for (const auto& datagram : datagrams) {
        netlink::read_answer(bytes_of(datagram), 0, exchange, answer);
    }
    EXPECT_EQ(answer.error, 0);
    return answer.replies;
}

// Each request as sent with an acknowledgement asked for, numbered on from `sequence`.
std::vector<std::string> sent(const std::vector<Request>& requests, std::uint32_t sequence) {
    std::vector<std::string> messages;
    for (const Request& request : requests) {
        messages.push_back(hex_of(netlink::request_message(request, NLM_F_ACK, sequence++)));
    }
    return messages;
}

TEST(platform_rtnetlink_messages, RequestsAsTheKernelTookThem) {
    struct Case {
        std::string name;
        Request request;
        std::uint16_t flags;
        std::uint32_t sequence;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"address dump", address_dump_request(), NLM_F_DUMP, 1,
         "180000001600010301000000000000000200000000000000"},
        {"route dump", route_dump_request(), NLM_F_DUMP, 2,
         "1c0000001a0001030200000000000000020000000000000000000000"},
        {"default route", new_route_request(a0, {{{192, 0, 2, 254}}, 1}), NLM_F_ACK, 1,
         "340000001800050c010000000000000002000000fe0400010000000008000500c00002fe080004000200"
         "00000800060001000000"},
        {"address with its broadcast", new_address_request(a0, {{{192, 0, 2, 10}}, 24}), NLM_F_ACK,
         3,
         "30000000140005050300000000000000021880000200000008000200c000020a08000100c000020a0800"
         "0400c00002ff"},
        {"/31, which has no broadcast", new_address_request(a0, {{{10, 9, 8, 7}}, 31}), NLM_F_ACK,
         4, "28000000140005050400000000000000021f800002000000080002000a090807080001000a090807"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hex_of(netlink::request_message(c.request, c.flags, c.sequence)), c.expected);
    }
}

// What goes: the requests the applier then sent, which the kernel took. Other devices, other
// tables, routes that are not default ones and what is asked for again stay.
TEST(platform_rtnetlink_messages, DeletionsFromTheDumps) {
    const auto routes = replies_of({route_dump, route_dump_done}, {21144, 2});
    const auto addresses = replies_of({address_dump, address_dump_done}, {21151, 1});
    const std::vector<DefaultGateway> gateway = {{{{192, 0, 2, 254}}, 1}};
    const std::vector<InterfaceAddress> kept = {{{{192, 0, 2, 10}}, 24}, {{{10, 9, 8, 7}}, 31}};
    const auto route_deletions = [&](int link, const std::vector<DefaultGateway>& asked) {
        std::vector<Request> requests;
        for (const auto& route : routes_to_delete(routes, link, asked)) {
            requests.push_back(delete_route_request(link, route));
        }
        return requests;
    };
    const auto address_deletions = [&](int link) {
        std::vector<Request> requests;
        for (const auto& address : addresses_to_delete(addresses, link, kept)) {
            requests.push_back(delete_address_request(link, address));
        }
        return requests;
    };
    struct Case {
        std::string name;
        std::vector<Request> requests;
        std::uint32_t first_sequence;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"a0's routes: the one via another gateway, the one without",
         route_deletions(a0, gateway),
         3,
         {"3c00000019000500030000000000000002000000fe03ff010000000008000f00fe00000008000400020000"
          "00080006000500000008000500c0000201",
          "3400000019000500040000000000000002000000fe03ff010000000008000f00fe00000008000400020000"
          "000800060009000000"}},
        {"a1's route",
         route_deletions(a1, gateway),
         3,
         {"3c00000019000500030000000000000002000000fe03ff010000000008000f00fe00000008000400030000"
          "00080006000600000008000500c0000201"}},
        {"no gateway asked for: every default route of a0",
         route_deletions(a0, {}),
         2,
         {"3c00000019000500020000000000000002000000fe04ff010000000008000f00fe00000008000400020000"
          "00080006000100000008000500c00002fe",
          "3c00000019000500030000000000000002000000fe03ff010000000008000f00fe00000008000400020000"
          "00080006000500000008000500c0000201",
          "3400000019000500040000000000000002000000fe03ff010000000008000f00fe00000008000400020000"
          "000800060009000000"}},
        {"a0's address that is not asked for",
         address_deletions(a0),
         2,
         {"28000000150005000200000000000000021900000200000008000200c633640708000100c6336407"}},
        {"a1's address",
         address_deletions(a1),
         2,
         {"28000000150005000200000000000000021800000300000008000200c000020b08000100c000020b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sent(c.requests, c.first_sequence), c.expected);
    }
}

// The kernel's reason for a refusal comes beside the errno value, with the refused request
// echoed before it or not (NETLINK_CAP_ACK).
TEST(platform_rtnetlink_messages, AcknowledgementsAndRefusals) {
    struct Case {
        std::string name;
        std::string_view datagram;
        Exchange exchange;
        int error;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"acknowledged",
         "24000000020000010300000098520000000000003c000000190005000300000000000000",
         {21144, 3},
         0,
         ""},
        {"refused without a reason (the route exists)",
         "24000000020000010100000098520000efffffff340000001800050c0100000000000000",
         {21144, 1},
         EEXIST,
         ""},
        {"the request echoed, no reason",
         "4800000002000000010000008b6a0000efffffff340000001800050c01000000000000000200000"
         "0fe0400010000000008000500c00002fe08000400020000000800060001000000",
         {27275, 1},
         EEXIST,
         ""},
        {"refused with the kernel's reason",
         "440000000200000301000000a75200009bffffff340000001800050c0100000000000000200001004e6578"
         "74686f702068617320696e76616c6964206761746577617900",
         {21159, 1},
         ENETUNREACH,
         "Nexthop has invalid gateway"},
        {"the request echoed before the reason",
         "680000000200000201000000635500009bffffff340000001800050c01000000000000000200000"
         "0fe0400010000000008000500cb00710108000400030000000800060001000000200001004e657874686f"
         "702068617320696e76616c6964206761746577617900",
         {21859, 1},
         ENETUNREACH,
         "Nexthop has invalid gateway"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Answer answer;
        netlink::read_answer(bytes_of({c.datagram}), 0, c.exchange, answer);
        EXPECT_EQ(answer.error, c.error);
        EXPECT_EQ(answer.reason, c.reason);
    }
}

} // namespace
} // namespace zelvoro::platform::rtnetlink
