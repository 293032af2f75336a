// Host names as they are shown: a name that came from the network is checked before it is
// shown anywhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::platform {

constexpr std::size_t max_host_name_length = 255;

// `text` fit to be shown as a host name: one trailing dot dropped. Nothing when what remains is
// empty, longer than max_host_name_length bytes, begins or ends with a blank, is not
// well-formed UTF-8, or holds a control character (U+0000-U+001F, U+007F-U+009F).
std::optional<std::string> shown_host_name(std::string_view text);

} // namespace zelvoro::platform
