#include "platform/netbios_packet.h"

#include "platform/code_page_936.h"
#include "platform/dns_message.h"
#include "platform/host_name.h"
#include "platform/platform_error.h"

#include <algorithm>
#include <string_view>

namespace zelvoro::platform::netbios {

namespace {

constexpr std::uint16_t type_nbstat = 0x21;
constexpr std::uint16_t class_in = 1;
constexpr std::size_t name_bytes = 15;
constexpr std::size_t entry_size = 18; // name, suffix, flags
constexpr std::uint8_t suffix_workstation = 0x00;
constexpr std::uint8_t suffix_server = 0x20;
constexpr std::uint16_t group_flag = 0x8000;
constexpr std::uint16_t deregistering_flag = 0x1000;
constexpr std::uint16_t conflict_flag = 0x0800;
constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

// "*" padded with zeros to 16 bytes, each byte as two letters 'A' + half-byte.
std::string wildcard_name() {
    std::string encoded;
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint8_t byte = i == 0 ? '*' : 0;
        encoded += static_cast<char>('A' + (byte >> 4));
        encoded += static_cast<char>('A' + (byte & 0x0F));
    }
    return encoded;
}

struct Entry {
    std::span<const std::uint8_t> name;
    std::uint8_t suffix;
    std::uint16_t flags;
};

bool usable(const Entry& entry, std::uint8_t suffix) {
    return entry.suffix == suffix &&
           (entry.flags & (group_flag | deregistering_flag | conflict_flag)) == 0;
}

std::vector<Entry> entries_of(std::span<const std::uint8_t> data) {
    std::vector<Entry> entries;
    if (data.empty()) {
        return entries;
    }
    const std::size_t count = std::min<std::size_t>(data[0], (data.size() - 1) / entry_size);
    for (std::size_t i = 0; i < count; ++i) {
        const auto entry = data.subspan(1 + i * entry_size, entry_size);
        entries.push_back({entry.first(name_bytes), entry[name_bytes],
                           static_cast<std::uint16_t>(entry[16] << 8 | entry[17])});
    }
    return entries;
}

std::optional<std::string> shown_name(std::span<const std::uint8_t> bytes) {
    std::string raw(bytes.begin(), bytes.end());
    raw.erase(raw.find_last_not_of(' ') + 1);
    const bool ascii = std::all_of(raw.begin(), raw.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        return shown_host_name(raw);
    }
    try {
        const std::string decoded = utf8_from_cp936(raw);
        if (decoded.find(replacement_character) != std::string::npos) {
            return std::nullopt;
        }
        return shown_host_name(decoded);
    } catch (const PlatformError&) {
        return std::nullopt; // no converter on this system
    }
}

} // namespace

std::vector<std::uint8_t> encode_node_status_request(std::uint16_t id) {
    std::vector<std::uint8_t> message;
    dns::put_query_header(message, id);
    dns::put_name(message, {wildcard_name()});
    dns::put_u16(message, type_nbstat);
    dns::put_u16(message, class_in);
    return message;
}

std::optional<NodeName> decode_node_status(std::span<const std::uint8_t> message) {
    const auto header = dns::read_header(message);
    if (!header || !dns::is_answer(*header)) {
        return std::nullopt;
    }
    for (const dns::Record& record : dns::answer_records(message, *header)) {
        if (record.type != type_nbstat || record.record_class != class_in) {
            continue;
        }
        const auto entries = entries_of(record.data);
        for (const std::uint8_t suffix : {suffix_workstation, suffix_server}) {
            const auto found =
                std::find_if(entries.begin(), entries.end(),
                             [&](const Entry& entry) { return usable(entry, suffix); });
            if (found != entries.end()) {
                auto name = shown_name(found->name);
                return name ? std::optional(NodeName{header->id, std::move(*name)}) : std::nullopt;
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace zelvoro::platform::netbios
