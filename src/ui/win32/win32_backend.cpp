#include "ui/win32/win32_backend.h"

#include "platform/win32/wide_text_win32.h"
#include "ui/win32/dialog_filter.h"
#include "ui/win32/form_window.h"
#include "ui/win32/win32_window_view.h"

#include <algorithm>
#include <cstring>

// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

namespace zelvoro::ui::win32 {

namespace {

constexpr int ask_before_replacing = 2;
// Room for a long path in the save-file dialog.
constexpr std::size_t file_name_capacity = 32768;
constexpr wchar_t task_window_class[] = L"ZelvoroPostedTasks";
constexpr UINT run_posted_message = WM_APP + 1;

UINT message_box_type(MessageBoxStyle style) {
    switch (style) {
    case MessageBoxStyle::ok:
        return MB_OK;
    case MessageBoxStyle::ok_cancel:
        return MB_OKCANCEL;
    case MessageBoxStyle::yes_no:
        return MB_YESNO;
    }
    return MB_OK;
}

// The box's answer; a box that could not be shown gives its cancelling answer.
MessageBoxResult message_box_result(int pressed, MessageBoxStyle style) {
    switch (pressed) {
    case IDOK:
        return MessageBoxResult::ok;
    case IDCANCEL:
        return MessageBoxResult::cancel;
    case IDYES:
        return MessageBoxResult::yes;
    case IDNO:
        return MessageBoxResult::no;
    default:
        return cancelling_result(style);
    }
}

// The clipboard takes a global memory block holding the NUL-terminated text.
HGLOBAL global_text(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block == nullptr) {
        return nullptr;
    }
    if (void* target = GlobalLock(block)) {
        std::memcpy(target, text.c_str(), bytes);
        GlobalUnlock(block);
        return block;
    }
    GlobalFree(block);
    return nullptr;
}

} // namespace

Win32Backend::Win32Backend(platform::Diagnostics& diagnostics, std::unique_ptr<ViewTrace> trace)
    : diagnostics_(diagnostics), trace_(std::move(trace)) {
    FormWindow::register_class();
    WNDCLASSEXW tasks{};
    tasks.cbSize = sizeof tasks;
    tasks.lpfnWndProc = task_window_procedure;
    tasks.hInstance = GetModuleHandleW(nullptr);
    tasks.lpszClassName = task_window_class;
    RegisterClassExW(&tasks);
    task_window_ = CreateWindowExW(0, task_window_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    if (task_window_ != nullptr) {
        SetWindowLongPtrW(task_window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
}

Win32Backend::~Win32Backend() {
    forms_.clear(); // destroys the native windows still there
    if (task_window_ != nullptr) {
        DestroyWindow(task_window_);
    }
    UnregisterClassW(task_window_class, GetModuleHandleW(nullptr));
    FormWindow::unregister_class();
}

// One message wakes the loop; the task window runs whatever is queued when it arrives.
void Win32Backend::post(std::function<void()> task) {
    bool first = false;
    {
        const std::lock_guard lock(posted_mutex_);
        first = posted_.empty();
        posted_.push_back(std::move(task));
    }
    if (first && task_window_ != nullptr) {
        PostMessageW(task_window_, run_posted_message, 0, 0);
    }
}

void Win32Backend::run_posted() {
    for (;;) {
        std::function<void()> task;
        {
            const std::lock_guard lock(posted_mutex_);
            if (posted_.empty()) {
                return;
            }
            task = std::move(posted_.front());
            posted_.pop_front();
        }
        task();
    }
}

LRESULT CALLBACK Win32Backend::task_window_procedure(HWND hwnd, UINT message, WPARAM wparam,
                                                     LPARAM lparam) {
    if (message == run_posted_message) {
        auto* backend = reinterpret_cast<Win32Backend*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (backend != nullptr) {
            backend->run_posted();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

std::unique_ptr<WindowView> Win32Backend::create_view(Window& window) {
    std::erase_if(forms_, [](const auto& form) {
        return !form->attached() && form->handle() == nullptr; // released and destroyed
    });
    forms_.push_back(std::make_unique<FormWindow>(window, trace_.get()));
    return std::make_unique<Win32WindowView>(*forms_.back());
}

HWND Win32Backend::owner() const {
    if (HWND active = GetActiveWindow()) {
        return active;
    }
    const auto visible = std::find_if(forms_.begin(), forms_.end(), [](const auto& form) {
        return form->handle() != nullptr && IsWindowVisible(form->handle());
    });
    return visible == forms_.end() ? nullptr : (*visible)->handle();
}

MessageBoxResult Win32Backend::message_box(const MessageBoxRequest& request,
                                           std::string_view app_title) {
    const std::wstring text = platform::widen(request.text);
    const std::wstring title = platform::widen(request.title.value_or(app_title));
    HWND parent = owner();
    // Without an owner the box still holds off input to every window of the program.
    const UINT type = message_box_type(request.style) | (parent == nullptr ? MB_TASKMODAL : 0);
    return message_box_result(MessageBoxW(parent, text.c_str(), title.c_str(), type),
                              request.style);
}

std::optional<std::string> Win32Backend::save_file(const SaveFileRequest& request) {
    const std::wstring filter = dialog_filter(platform::widen(request.filter));
    std::wstring file = platform::widen(request.file_name);
    file.resize(std::max(file.size() + 1, file_name_capacity), L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner();
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY |
                   ((request.flags & ask_before_replacing) != 0 ? OFN_OVERWRITEPROMPT : 0);
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt; // cancelled, or the dialog failed
    }
    return platform::narrow(file.c_str());
}

// The clipboard is set from a handler of a shown window, which becomes the clipboard's owner.
void Win32Backend::set_clipboard(std::string_view text) {
    if (!OpenClipboard(owner())) {
        return;
    }
    EmptyClipboard();
    if (HGLOBAL block = global_text(platform::widen(text))) {
        if (SetClipboardData(CF_UNICODETEXT, block) == nullptr) {
            GlobalFree(block); // still ours when the clipboard did not take it
        }
    }
    CloseClipboard();
}

void Win32Backend::event_failed(const std::exception& error) {
    report_failed_event(diagnostics_, error);
}

void Win32Backend::set_busy(bool busy) {
    if (busy) {
        cursor_before_busy_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    } else {
        SetCursor(cursor_before_busy_);
    }
}

void Win32Backend::program_ended() {
    for (const auto& form : forms_) {
        form->hide();
    }
    PostQuitMessage(0);
}

// Tab, Shift+Tab and Enter on a button are the dialog navigation's, inside the forms.
bool Win32Backend::dialog_message(MSG& message) const {
    HWND root = message.hwnd == nullptr ? nullptr : GetAncestor(message.hwnd, GA_ROOT);
    const bool in_form = std::any_of(forms_.begin(), forms_.end(), [root](const auto& form) {
        return root != nullptr && form->handle() == root;
    });
    return in_form && IsDialogMessageW(root, &message);
}

int Win32Backend::run() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!dialog_message(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

} // namespace zelvoro::ui::win32
