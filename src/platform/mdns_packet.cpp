#include "platform/mdns_packet.h"

#include "platform/dns_message.h"
#include "platform/host_name.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace zelvoro::platform::mdns {

namespace {

constexpr std::uint16_t type_ptr = 12;
constexpr std::uint16_t class_in = 1;
constexpr std::uint16_t unicast_response = 0x8000; // in a question's class
constexpr std::uint16_t cache_flush = 0x8000;      // in a record's class
constexpr std::string_view local_domain = "local";

bool same_text(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

dns::Labels reverse_name(const Ipv4Address& address) {
    dns::Labels labels;
    for (auto octet = address.octets.rbegin(); octet != address.octets.rend(); ++octet) {
        labels.push_back(std::to_string(*octet));
    }
    labels.emplace_back("in-addr");
    labels.emplace_back("arpa");
    return labels;
}

// The address whose reverse name `labels` is: four octets in plain decimal, lowest first.
std::optional<Ipv4Address> reversed_address(const dns::Labels& labels) {
    if (labels.size() != 6 || !same_text(labels[4], "in-addr") || !same_text(labels[5], "arpa")) {
        return std::nullopt;
    }
    Ipv4Address address;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto octet = parse_octet(labels[3 - i]);
        if (!octet) {
            return std::nullopt;
        }
        address.octets[i] = *octet;
    }
    return address;
}

// The labels joined by dots, the local domain left off.
std::optional<std::string> host_name(dns::Labels labels) {
    if (!labels.empty() && same_text(labels.back(), local_domain)) {
        labels.pop_back();
    }
    std::string joined;
    for (const std::string& label : labels) {
        if (label.find('.') != std::string::npos) {
            return std::nullopt;
        }
        joined += (joined.empty() ? "" : ".") + label;
    }
    return shown_host_name(joined);
}

} // namespace

std::vector<std::uint8_t> encode_reverse_query(std::uint16_t id, const Ipv4Address& address) {
    std::vector<std::uint8_t> message;
    dns::put_query_header(message, id);
    dns::put_name(message, reverse_name(address));
    dns::put_u16(message, type_ptr);
    dns::put_u16(message, class_in | unicast_response);
    return message;
}

std::optional<ReverseAnswer> decode_reverse_answer(std::span<const std::uint8_t> message) {
    const auto header = dns::read_header(message);
    if (!header || !dns::is_answer(*header)) {
        return std::nullopt;
    }
    for (const dns::Record& record : dns::answer_records(message, *header)) {
        if (record.type != type_ptr || (record.record_class & ~cache_flush) != class_in) {
            continue;
        }
        const auto address = reversed_address(record.name);
        const std::size_t data_at = static_cast<std::size_t>(record.data.data() - message.data());
        const auto target = dns::read_name(message, data_at);
        if (!address || !target || target->end > data_at + record.data.size()) {
            continue;
        }
        if (auto name = host_name(target->labels)) {
            return ReverseAnswer{header->id, *address, std::move(*name)};
        }
    }
    return std::nullopt;
}

} // namespace zelvoro::platform::mdns
