#include "platform/neighbours.h"

namespace zelvoro::platform {

std::string mac_text(const MacAddress& mac) {
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : mac) {
        if (!text.empty()) {
            text += ':';
        }
        text += digits[byte >> 4];
        text += digits[byte & 0x0f];
    }
    return text;
}

} // namespace zelvoro::platform
