#include "platform/shell.h"

#include <string>

// clang-format off
#include <windows.h>
#include <shellapi.h> // needs windows.h first
// clang-format on

namespace zelvoro::platform {

namespace {

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

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
