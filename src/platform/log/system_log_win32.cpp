#include "platform/log/system_log.h"
#include "platform/win32/wide_text_win32.h"

#include <windows.h>

namespace zelvoro::platform {

namespace {

// The process's standard error, when one is attached (a GUI program started from a console has
// none unless it was redirected).
HANDLE standard_error() {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        GetFileType(handle) == FILE_TYPE_UNKNOWN) {
        return nullptr;
    }
    return handle;
}

void write_line(HANDLE handle, const std::string& line) {
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = widen(line + "\r\n");
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

class SystemLog final : public Diagnostics {
public:
    explicit SystemLog(std::string program) : program_(std::move(program)) {}

    void write(LogLevel level, std::string_view line) override {
        const std::string text = standard_error_line(program_, level, line);
        OutputDebugStringW(widen(text + "\n").c_str());
        if (HANDLE handle = standard_error()) {
            write_line(handle, text);
        }
    }

private:
    std::string program_;
};

} // namespace

std::unique_ptr<Diagnostics> make_system_log(const std::string& program) {
    return std::make_unique<SystemLog>(program);
}

} // namespace zelvoro::platform
