// Texts in transcript form: double-quoted, with the escapes scripts use.
#pragma once

#include <string>
#include <string_view>

namespace zelvoro::ui::headless {

// `"` and `\` escaped, \n \r \t by name, other control bytes as \xNN.
std::string quoted(std::string_view text);

} // namespace zelvoro::ui::headless
