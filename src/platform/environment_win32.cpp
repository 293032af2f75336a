#include "platform/environment.h"
#include "platform/win32/wide_text_win32.h"

#include <windows.h>

namespace zelvoro::platform {

std::optional<std::string> environment_variable(std::string_view name) {
    const std::wstring wide_name = widen(name);
    // The size asked for includes the terminating null; 0 means the variable is not set.
    const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return narrow(value);
}

} // namespace zelvoro::platform
