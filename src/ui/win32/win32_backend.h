// The Windows desktop backend on plain Win32: a FormWindow per loaded window, MessageBoxW,
// GetSaveFileNameW, the clipboard as CF_UNICODETEXT, and the message loop, which runs until
// the window logic ends the program (hidden windows do not end it).
#pragma once

#include "platform/diagnostics.h"
#include "ui/backend.h"
#include "ui/win32/view_trace.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>
#include <windows.h>

namespace zelvoro::ui::win32 {

class FormWindow;

class Win32Backend final : public Backend {
public:
    // `trace`: the test seam, or null.
    explicit Win32Backend(platform::Diagnostics& diagnostics,
                          std::unique_ptr<ViewTrace> trace = nullptr);
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    std::unique_ptr<WindowView> create_view(Window& window) override;
    MessageBoxResult message_box(const MessageBoxRequest& request,
                                 std::string_view app_title) override;
    std::optional<std::string> save_file(const SaveFileRequest& request) override;
    void set_clipboard(std::string_view text) override;
    // The wait cursor while a handler blocks; no message is handled meanwhile, so nothing
    // replaces it before the handler restores the cursor it found.
    void set_busy(bool busy) override;
    // Reports the failure in a box ("本次操作未能完成!", title "错误"), its reason in the
    // diagnostics, and goes on.
    void event_failed(const std::exception& error) override;
    // Hides every window, without any unload handling, and ends the message loop.
    void program_ended() override;
    // Queued for a hidden window of the backend's; every message loop, a box's included, runs
    // them. Tasks still queued when the backend goes are dropped.
    void post(std::function<void()> task) override;

    // Runs the message loop until the program ends; the process's exit code.
    int run();

private:
    static LRESULT CALLBACK task_window_procedure(HWND hwnd, UINT message, WPARAM wparam,
                                                  LPARAM lparam);
    void run_posted();
    bool dialog_message(MSG& message) const;
    // The window boxes and dialogs belong to: the active one, else a visible form, else none.
    HWND owner() const;

    platform::Diagnostics& diagnostics_;
    std::unique_ptr<ViewTrace> trace_;
    HCURSOR cursor_before_busy_ = nullptr;
    std::vector<std::unique_ptr<FormWindow>> forms_;
    HWND task_window_ = nullptr; // message-only: it wakes the loop for posted tasks
    std::mutex posted_mutex_;
    std::deque<std::function<void()>> posted_;
};

} // namespace zelvoro::ui::win32
