// What a toolkit backend (headless, Qt, Win32) provides to the control models.
#pragma once

#include "platform/diagnostics.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelvoro::ui {

class Control;
class Label;
class ListBox;
class TextBox;
class Window;

enum class MessageBoxStyle { ok = 0, ok_cancel = 1, yes_no = 4 };
enum class MessageBoxResult { ok = 1, cancel = 2, yes = 6, no = 7 };

// The answer of a box closed without a choice: OK, Cancel or No.
constexpr MessageBoxResult cancelling_result(MessageBoxStyle style) {
    switch (style) {
    case MessageBoxStyle::ok:
        return MessageBoxResult::ok;
    case MessageBoxStyle::ok_cancel:
        return MessageBoxResult::cancel;
    case MessageBoxStyle::yes_no:
        return MessageBoxResult::no;
    }
    return MessageBoxResult::cancel;
}

struct MessageBoxRequest {
    std::string_view text;
    MessageBoxStyle style = MessageBoxStyle::ok;
    std::optional<std::string_view> title; // none: the box carries the application's title
};

struct SaveFileRequest {
    std::string_view filter;    // "description|pattern|" pairs
    int flags = 0;              // 2: ask before replacing an existing file
    std::string_view file_name; // the name the dialog proposes
};

// Why a control got the focus: the program or the user moved it there, or its window was
// activated and got back the control it had focused before (a silent restore).
enum class FocusCause { moved, window_activated };

// A backend's realisation of one loaded window, created when the window is loaded (before its
// Form_Load) and told everything that changes on it until it is unloaded. It mirrors the
// models; it never writes back into them except through the user-event entry points of the
// models.
class WindowView {
public:
    virtual ~WindowView() = default;
    virtual void text_changed(const TextBox&) {}
    virtual void label_changed(const Label&) {}
    virtual void list_changed(const ListBox&) {}
    virtual void focus_changed(const Control&, FocusCause) {}
    virtual void shown() {}
    virtual void hidden() {}
    // The window closed for good (it may have been visible); the view is released later.
    virtual void unloaded() {}
};

class Backend {
public:
    virtual ~Backend() = default;

    virtual std::unique_ptr<WindowView> create_view(Window& window) = 0;
    virtual MessageBoxResult message_box(const MessageBoxRequest& request,
                                         std::string_view app_title) = 0;
    // The chosen file name, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> save_file(const SaveFileRequest& request) = 0;
    virtual void set_clipboard(std::string_view text) = 0;
    // A handler waits on a slow service (the window does not respond meanwhile): show it.
    virtual void set_busy(bool /*busy*/) {}
    // The program ended: no window is shown any more and no notification follows.
    virtual void program_ended() {}
    // Runs `task` on the user-interface thread once the events already waiting have been
    // handled. Any thread may call it, at any time while the backend exists; a task still
    // waiting when the backend goes never runs.
    virtual void post(std::function<void()> task) = 0;
    // A user event's handler failed with an exception nothing else caught. The desktop
    // backends tell the user and go on; by default the exception goes on to the caller.
    virtual void event_failed(const std::exception& /*error*/) { throw; }

protected:
    // What a desktop backend does with a failed event: the reason goes to `diagnostics`, and
    // the user gets a box.
    void report_failed_event(platform::Diagnostics& diagnostics, const std::exception& error) {
        constexpr std::string_view text = "本次操作未能完成!";
        constexpr std::string_view title = "错误";
        diagnostics.failure(std::string("a user action failed with nothing to handle it: ") +
                            error.what());
        message_box({.text = text, .style = MessageBoxStyle::ok, .title = title}, title);
    }
};

} // namespace zelvoro::ui
