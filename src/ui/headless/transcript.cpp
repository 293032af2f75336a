#include "ui/headless/transcript.h"

#include "ui/controls.h"
#include "ui/window.h"

#include <array>

namespace zelvoro::ui::headless {

std::string quoted(std::string_view text) {
    static constexpr std::array<char, 16> hex{'0', '1', '2', '3', '4', '5', '6', '7',
                                              '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\x";
                out += hex[byte >> 4U];
                out += hex[byte & 0x0FU];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string control_path(const Control& control) {
    return std::string(control.window().name()) + "." + std::string(control.name());
}

} // namespace zelvoro::ui::headless
