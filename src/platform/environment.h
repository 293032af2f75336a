// The process environment.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::platform {

// The value of the environment variable `name` (UTF-8), or nothing when it is not set.
std::optional<std::string> environment_variable(std::string_view name);

} // namespace zelvoro::platform
