#include "platform/shell.h"
#include "platform/win32/wide_text_win32.h"

#include <string>

// clang-format off
#include <windows.h>
#include <shellapi.h> // needs windows.h first
// clang-format on

namespace zelvoro::platform {

namespace {

class ShellExecuteOpen final : public ShellOpen {
public:
    void open(std::string_view target) override {
        const std::wstring file = widen(target);
        ShellExecuteW(GetActiveWindow(), L"open", file.c_str(), L"", L"", SW_SHOW);
    }
};

} // namespace

std::unique_ptr<ShellOpen> make_system_shell() {
    return std::make_unique<ShellExecuteOpen>();
}

} // namespace zelvoro::platform
