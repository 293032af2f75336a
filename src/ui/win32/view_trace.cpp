#include "ui/win32/view_trace.h"

#include <filesystem>
#include <string>
#include <windows.h>

namespace zelvoro::ui::win32 {

namespace {

constexpr const wchar_t* trace_variable = L"ZELVORO_VIEW_TRACE";

std::wstring environment_value(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

} // namespace

std::unique_ptr<ViewTrace> ViewTrace::from_environment() {
    const std::wstring path = environment_value(trace_variable);
    if (path.empty()) {
        return nullptr;
    }
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::app);
    if (!file) {
        return nullptr;
    }
    return std::make_unique<ViewTrace>(std::move(file));
}

void ViewTrace::line(std::string_view what, std::string_view window, std::string_view control,
                     std::string_view detail) {
    file_ << what << ' ' << window << '.' << control;
    if (!detail.empty()) {
        file_ << ' ' << detail;
    }
    file_ << '\n' << std::flush;
}

} // namespace zelvoro::ui::win32
