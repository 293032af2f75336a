// The question both windows ask before the program ends.
#pragma once

#include <string_view>

namespace zelvoro::shared {

inline constexpr std::string_view quit_question = "本次操作将关闭程序，确定？";
inline constexpr std::string_view quit_title = "退出";

} // namespace zelvoro::shared
