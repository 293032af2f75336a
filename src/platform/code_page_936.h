// Text in code page 936 (GBK), the code page of a Simplified Chinese system, to and from UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zelvoro::platform {

// Decodes a whole byte sequence; bytes that are not valid GBK become U+FFFD.
std::string utf8_from_cp936(std::string_view bytes);

// Encodes UTF-8 text; characters GBK cannot hold become "?".
std::string cp936_from_utf8(std::string_view text);

} // namespace zelvoro::platform
