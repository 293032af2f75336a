// Texts in transcript form: double-quoted, with the escapes scripts use.
#pragma once

#include <string>
#include <string_view>

namespace zelvoro::ui {
class Control;
}

namespace zelvoro::ui::headless {

// `"` and `\` escaped, \n \r \t by name, other control bytes as \xNN.
std::string quoted(std::string_view text);

// WINDOW.CONTROL, as scripts and transcripts name a control.
std::string control_path(const Control& control);

} // namespace zelvoro::ui::headless
