#include "platform/host_name.h"

#include <cstdint>

namespace zelvoro::platform {

namespace {

struct Decoded {
    char32_t character;
    std::size_t length; // 0: not a well-formed sequence
};

// The character whose UTF-8 sequence starts at text[at]; overlong forms, surrogates and values
// beyond U+10FFFF are not well-formed.
Decoded decode_utf8(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t first = byte(0);
    if (first < 0x80) {
        return {first, 1};
    }
    std::size_t length = 0;
    char32_t minimum = 0;
    char32_t character = 0;
    if (first >= 0xC2 && first < 0xE0) {
        length = 2, minimum = 0x80, character = first & 0x1F;
    } else if (first >= 0xE0 && first < 0xF0) {
        length = 3, minimum = 0x800, character = first & 0x0F;
    } else if (first >= 0xF0 && first < 0xF5) {
        length = 4, minimum = 0x10000, character = first & 0x07;
    } else {
        return {0, 0};
    }
    if (at + length > text.size()) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {0, 0};
        }
        character = character << 6 | (byte(i) & 0x3F);
    }
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (character < minimum || surrogate || character > 0x10FFFF) {
        return {0, 0};
    }
    return {character, length};
}

bool is_control(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character <= 0x9F);
}

} // namespace

std::optional<std::string> shown_host_name(std::string_view text) {
    if (!text.empty() && text.back() == '.') {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > max_host_name_length || text.front() == ' ' ||
        text.back() == ' ') {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < text.size();) {
        const Decoded decoded = decode_utf8(text, at);
        if (decoded.length == 0 || is_control(decoded.character)) {
            return std::nullopt;
        }
        at += decoded.length;
    }
    return std::string(text);
}

} // namespace zelvoro::platform
