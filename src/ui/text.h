// Character-level helpers for the UTF-8 texts the controls hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelvoro::ui {

// Number of characters (code points) in a UTF-8 text; a stray byte counts as one.
std::size_t char_count(std::string_view text);

// The first `count` characters of a UTF-8 text.
std::string first_chars(std::string_view text, std::size_t count);

// The text cut into its characters, each a UTF-8 sequence of its own.
std::vector<std::string> split_chars(std::string_view text);

} // namespace zelvoro::ui
