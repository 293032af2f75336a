// Code page 936 through the system's own table. A byte sequence the table does not define
// becomes U+FFFD, one for each lead byte whose pair is refused and for each other refused
// byte, and decoding goes on with the next byte (as on Linux); the system's own replacement
// ("?" for the pair, trail byte swallowed) is not used.
#include "platform/code_page_936.h"
#include "platform/win32/wide_text_win32.h"

#include <optional>
#include <windows.h>

namespace zelvoro::platform {

namespace {

constexpr UINT code_page = 936;
constexpr wchar_t replacement_character = 0xFFFD;
constexpr wchar_t unencodable_character = L'?';

// The bytes decoded, or nothing when the table does not define all of them.
std::optional<std::wstring> decode_strictly(std::string_view bytes) {
    const int size = static_cast<int>(bytes.size());
    const int length =
        MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length);
    return wide;
}

// One character at a time, each refused sequence replaced.
std::wstring decode_leniently(std::string_view bytes) {
    std::wstring wide;
    while (!bytes.empty()) {
        const bool pair = bytes.size() >= 2 && IsDBCSLeadByteEx(code_page, bytes[0]);
        const std::size_t length = pair ? 2 : 1;
        if (const auto character = decode_strictly(bytes.substr(0, length))) {
            wide += *character;
            bytes.remove_prefix(length);
        } else {
            wide += replacement_character;
            bytes.remove_prefix(1);
        }
    }
    return wide;
}

// Every character outside the Basic Multilingual Plane (a surrogate pair) and every lone
// surrogate becomes one "?", as none of them is in the code page.
std::wstring without_surrogates(std::wstring_view wide) {
    std::wstring result;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const wchar_t unit = wide[i];
        if (IS_SURROGATE_PAIR(unit, i + 1 < wide.size() ? wide[i + 1] : L'\0')) {
            ++i;
        }
        result += IS_HIGH_SURROGATE(unit) || IS_LOW_SURROGATE(unit) ? unencodable_character : unit;
    }
    return result;
}

} // namespace

std::string utf8_from_cp936(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const auto whole = decode_strictly(bytes);
    return narrow(whole ? *whole : decode_leniently(bytes));
}

std::string cp936_from_utf8(std::string_view text) {
    const std::wstring wide = without_surrogates(widen(text));
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const char unencodable[] = {static_cast<char>(unencodable_character), '\0'};
    const int length = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide.data(), size,
                                           nullptr, 0, unencodable, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length,
                        unencodable, nullptr);
    return bytes;
}

} // namespace zelvoro::platform
