// Feeds random datagrams to both name reply parsers: whatever they are sent, a parser returns
// nothing or a name fit to be shown, under the id the datagram carries.
#include "platform/host_name.h"
#include "platform/mdns_packet.h"
#include "platform/netbios_packet.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace {

using namespace zelvoro::platform;

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    std::abort();
}

void check_name(std::span<const std::uint8_t> message, std::uint16_t id, const std::string& name) {
    if (message.size() < 2 || id != (message[0] << 8 | message[1])) {
        fail("the id is not the datagram's");
    }
    if (shown_host_name(name) != name) {
        fail("a name that is not fit to be shown");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> message(data, size);
    if (const auto answer = mdns::decode_reverse_answer(message)) {
        check_name(message, answer->id, answer->name);
        if (answer->name.size() >= 6 &&
            answer->name.compare(answer->name.size() - 6, 6, ".local") == 0) {
            fail("the local domain was left on");
        }
    }
    if (const auto found = netbios::decode_node_status(message)) {
        check_name(message, found->id, found->name);
        if (found->name.back() == ' ') {
            fail("the padding was left on");
        }
    }
    return 0;
}
