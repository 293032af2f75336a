#include "ui/win32/view_trace.h"

#include "platform/environment.h"
#include "platform/win32/wide_text_win32.h"

#include <filesystem>

namespace zelvoro::ui::win32 {

namespace {

constexpr std::string_view trace_variable = "ZELVORO_VIEW_TRACE";

} // namespace

std::unique_ptr<ViewTrace> ViewTrace::from_environment() {
    const auto path = platform::environment_variable(trace_variable);
    if (!path || path->empty()) {
        return nullptr;
    }
    std::ofstream file(std::filesystem::path(platform::widen(*path)),
                       std::ios::binary | std::ios::app);
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
