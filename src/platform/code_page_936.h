// Text in code page 936 (GBK), the code page of a Simplified Chinese system, to and from UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace zelvoro::platform {

// Both conversions throw PlatformError when the system has no converter for the code page
// (Linux: glibc's conversion modules are missing).

// Decodes a whole byte sequence as the Windows table does. A byte that starts no character
// (0xFF, a lead byte at the end or before a byte that cannot follow it) becomes U+FFFD, and
// decoding goes on with the next byte.
std::string utf8_from_cp936(std::string_view bytes);

// Encodes UTF-8 text; characters GBK cannot hold become "?", one for each character. Bytes
// that are not well-formed UTF-8 also become "?" (how many may differ between the systems).
std::string cp936_from_utf8(std::string_view text);

} // namespace zelvoro::platform
