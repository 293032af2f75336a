// Code page 936 through glibc's iconv ("CP936"). glibc's table agrees with the Windows one on
// every byte pair both define, and on 0x80 (the euro sign); the 2149 pairs that only the
// Windows table defines (cp936::private_use_character) are mapped here, so that both systems
// give the same text for the same bytes, and the same bytes for every character of the Basic
// Multilingual Plane.
#include "platform/code_page_936.h"
#include "platform/code_page_936_private_use.h"
#include "platform/platform_error.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace zelvoro::platform {

namespace {

constexpr char32_t replacement_character = 0xFFFD;
constexpr char unencodable_character = '?';

// The Windows table encodes this character as the single byte 0xFF (but decodes no 0xFF).
constexpr char32_t private_character_of_0xff = 0xF8F5;

void append_utf8(std::string& text, char32_t character) {
    const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
    if (character < 0x80) {
        text += byte(character);
    } else if (character < 0x800) {
        text += byte(0xC0 | character >> 6);
        text += byte(0x80 | (character & 0x3F));
    } else {
        // Everything this file produces lies in the Basic Multilingual Plane.
        text += byte(0xE0 | character >> 12);
        text += byte(0x80 | (character >> 6 & 0x3F));
        text += byte(0x80 | (character & 0x3F));
    }
}

struct Utf8Character {
    char32_t value;
    std::size_t length;
};

// 0 for a byte that cannot start a sequence.
std::size_t utf8_sequence_length(std::uint8_t first) {
    if (first < 0x80) {
        return 1;
    }
    if (first < 0xC2) {
        return 0;
    }
    if (first < 0xE0) {
        return 2;
    }
    return first < 0xF0 ? 3 : first < 0xF5 ? 4 : 0;
}

// The well-formed UTF-8 sequence at the start of `text`, if there is one.
std::optional<Utf8Character> leading_utf8_character(std::string_view text) {
    const auto first = static_cast<std::uint8_t>(text.front());
    const std::size_t length = utf8_sequence_length(first);
    if (length == 0 || length > text.size()) {
        return std::nullopt;
    }
    char32_t value = length == 1 ? first : first & (0x7FU >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        value = value << 6 | (next & 0x3F);
    }
    return Utf8Character{value, length};
}

class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
        if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
            throw PlatformError(std::string("iconv_open: ") +
                                std::generic_category().message(errno));
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { iconv_close(descriptor_); }

    // Converts from the start of `input` up to its end or to the first sequence that cannot be
    // converted, appending to `output`; returns the number of input bytes converted.
    std::size_t convert(std::string_view input, std::string& output) const {
        char* in = const_cast<char*>(input.data()); // iconv does not write through it
        std::size_t in_left = input.size();
        std::array<char, 4096> buffer{};
        for (;;) {
            char* out = buffer.data();
            std::size_t out_left = buffer.size();
            const std::size_t result = iconv(descriptor_, &in, &in_left, &out, &out_left);
            output.append(buffer.data(), buffer.size() - out_left);
            if (result != static_cast<std::size_t>(-1) || errno != E2BIG) {
                return input.size() - in_left;
            }
        }
    }

private:
    iconv_t descriptor_;
};

bool is_lead_byte(std::uint8_t byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Appends what stands for the bytes glibc refused at the start of `bytes`; returns how many.
std::size_t decode_refused(std::string_view bytes, std::string& text) {
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    if (bytes.size() >= 2 && is_lead_byte(lead)) {
        if (const auto character =
                cp936::private_use_character(lead, static_cast<std::uint8_t>(bytes[1]))) {
            append_utf8(text, *character);
            return 2;
        }
    }
    append_utf8(text, replacement_character);
    return 1;
}

// Appends what stands for the character glibc refused at the start of `text`; returns how many
// bytes it took.
std::size_t encode_refused(std::string_view text, std::string& bytes) {
    const auto character = leading_utf8_character(text);
    if (!character) {
        bytes += unencodable_character;
        return 1;
    }
    if (character->value == private_character_of_0xff) {
        bytes += '\xFF';
    } else if (const auto pair = cp936::private_use_bytes(character->value)) {
        bytes += static_cast<char>(pair->first);
        bytes += static_cast<char>(pair->second);
    } else {
        bytes += unencodable_character;
    }
    return character->length;
}

} // namespace

std::string utf8_from_cp936(std::string_view bytes) {
    const Converter converter("UTF-8", "CP936");
    std::string text;
    while (!bytes.empty()) {
        bytes.remove_prefix(converter.convert(bytes, text));
        if (!bytes.empty()) {
            bytes.remove_prefix(decode_refused(bytes, text));
        }
    }
    return text;
}

std::string cp936_from_utf8(std::string_view text) {
    const Converter converter("CP936", "UTF-8");
    std::string bytes;
    while (!text.empty()) {
        text.remove_prefix(converter.convert(text, bytes));
        if (!text.empty()) {
            text.remove_prefix(encode_refused(text, bytes));
        }
    }
    return bytes;
}

} // namespace zelvoro::platform
