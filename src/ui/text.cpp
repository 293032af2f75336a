#include "ui/text.h"

namespace zelvoro::ui {

namespace {

bool is_continuation(unsigned char byte) {
    return (byte & 0xC0U) == 0x80U;
}

// Length of the character starting at `pos`: its lead byte and the continuation bytes after it.
std::size_t char_length(std::string_view text, std::size_t pos) {
    std::size_t end = pos + 1;
    while (end < text.size() && end - pos < 4 && is_continuation(text[end])) {
        ++end;
    }
    return end - pos;
}

} // namespace

std::size_t char_count(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += char_length(text, pos)) {
        ++count;
    }
    return count;
}

std::string first_chars(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t taken = 0; taken < count && pos < text.size(); ++taken) {
        pos += char_length(text, pos);
    }
    return std::string(text.substr(0, pos));
}

std::vector<std::string> split_chars(std::string_view text) {
    std::vector<std::string> chars;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = char_length(text, pos);
        chars.emplace_back(text.substr(pos, length));
        pos += length;
    }
    return chars;
}

} // namespace zelvoro::ui
