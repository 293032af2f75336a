#include "platform/ipv4_address.h"

#include <algorithm>
#include <cstddef>

namespace zelvoro::platform {

namespace {

bool is_limited_broadcast(const Ipv4Address& address) {
    return address == Ipv4Address{{255, 255, 255, 255}};
}

} // namespace

std::optional<unsigned> parse_plain_decimal(std::string_view text) {
    if (text.empty() || (text.size() > 1 && text.front() == '0')) {
        return std::nullopt;
    }
    constexpr unsigned saturated = 256;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = std::min(saturated, value * 10 + static_cast<unsigned>(c - '0'));
    }
    return value;
}

std::optional<std::uint8_t> parse_octet(std::string_view text) {
    const auto value = parse_plain_decimal(text);
    if (!value || *value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

std::optional<Ipv4Address> parse_dotted_quad(std::string_view text) {
    Ipv4Address address;
    for (std::size_t index = 0; index < address.octets.size(); ++index) {
        const bool last = index + 1 == address.octets.size();
        const std::size_t dot = text.find('.');
        if (last != (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const auto octet = parse_octet(text.substr(0, dot));
        if (!octet) {
            return std::nullopt;
        }
        address.octets[index] = *octet;
        text.remove_prefix(last ? text.size() : dot + 1);
    }
    if (is_limited_broadcast(address)) {
        return std::nullopt;
    }
    return address;
}

std::string to_dotted_quad(const Ipv4Address& address) {
    std::string text;
    for (std::uint8_t octet : address.octets) {
        if (!text.empty()) {
            text += '.';
        }
        text += std::to_string(octet);
    }
    return text;
}

} // namespace zelvoro::platform
