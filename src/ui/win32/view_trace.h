// A test seam, off unless ZELVORO_VIEW_TRACE names a file: one line per thing the native
// controls show after a change ("focus frmIPtest.txbf2", "edit frmIPtest.txbf1 19",
// "text frmIPtest.txbe4 255", "list frmIPtest.List1 127.0.0.1 127.0.0.2"), read back from
// the controls themselves, so that a GUI check driving the real program can follow it.
#pragma once

#include <fstream>
#include <memory>
#include <string_view>

namespace zelvoro::ui::win32 {

class ViewTrace {
public:
    // The trace the environment asks for, or none.
    static std::unique_ptr<ViewTrace> from_environment();

    explicit ViewTrace(std::ofstream file) : file_(std::move(file)) {}

    // "WHAT WINDOW.CONTROL[ DETAIL]", written at once.
    void line(std::string_view what, std::string_view window, std::string_view control,
              std::string_view detail = {});

private:
    std::ofstream file_;
};

} // namespace zelvoro::ui::win32
