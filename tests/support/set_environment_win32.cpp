#include "platform/win32/wide_text_win32.h"
#include "support/scoped_environment.h"

#include <windows.h>

namespace zelvoro::test_support {

void set_environment_variable(const std::string& name, const std::optional<std::string>& value) {
    const std::wstring wide_value = value ? platform::widen(*value) : std::wstring();
    SetEnvironmentVariableW(platform::widen(name).c_str(), value ? wide_value.c_str() : nullptr);
}

} // namespace zelvoro::test_support
