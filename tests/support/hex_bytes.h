// Captured datagrams written as hexadecimal text, one message (or part of one) a line.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::test_support {

inline std::vector<std::byte> bytes_of(const std::vector<std::string_view>& hex_lines) {
    std::string hex;
    for (const std::string_view line : hex_lines) {
        hex += line;
    }
    std::vector<std::byte> bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        bytes.push_back(static_cast<std::byte>(std::stoul(hex.substr(at, 2), nullptr, 16)));
    }
    return bytes;
}

// Lower-case hexadecimal, so that a failed comparison shows where the bytes differ.
inline std::string hex_of(std::span<const std::byte> bytes) {
    constexpr std::string_view digits = "0123456789abcdef";
    std::string hex;
    for (const std::byte octet : bytes) {
        hex += digits[std::to_integer<unsigned>(octet) >> 4];
        hex += digits[std::to_integer<unsigned>(octet) & 0xf];
    }
    return hex;
}

} // namespace zelvoro::test_support
