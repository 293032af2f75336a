#include "ui/win32/form_window.h"

#include "platform/win32/wide_text_win32.h"
#include "ui/toolkit.h"
#include "ui/win32/list_item_look.h"
#include "ui/win32/twip_scale.h"
#include "ui/win32/view_trace.h"
#include "ui/win32/window_icon.h"

#include <algorithm>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace zelvoro::ui::win32 {

namespace {

constexpr const wchar_t* form_class = L"ZelvoroForm";
// Without WS_CLIPCHILDREN: the window paints the background inside the group boxes.
constexpr DWORD form_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD form_ex_style = 0;
constexpr DWORD child_style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
// Posted to a form whose model window was released.
constexpr UINT release_message = WM_APP + 1;
constexpr UINT_PTR subclass_id = 1;
constexpr int first_control_id = 100; // clear of IDOK and IDCANCEL
constexpr int form_font_points = 9;
// The widest a tooltip grows before it wraps a line, in pixels (a maker's name is the longest
// part of a note).
constexpr LPARAM tooltip_width = 600;
constexpr int link_font_points = 12;
constexpr COLORREF link_colour = RGB(0, 0, 255);
constexpr COLORREF accent_colour = RGB(128, 0, 128);
constexpr int caption_indent = 8; // pixels at 96 DPI, as a group box places its caption

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

std::wstring window_text(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring list_item(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        return {};
    }
    std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(item.data()));
    item.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return item;
}

std::vector<std::wstring> list_items(HWND list) {
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int index = 0; index < count; ++index) {
        items.push_back(list_item(list, index));
    }
    return items;
}

// The shift-state mask of KeyDown: 1 Shift, 2 Ctrl, 4 Alt.
int shift_state() {
    const auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
    return (down(VK_SHIFT) ? 1 : 0) | (down(VK_CONTROL) ? 2 : 0) | (down(VK_MENU) ? 4 : 0);
}

struct NativeKind {
    const wchar_t* window_class;
    DWORD style;
    DWORD ex_style;
};

NativeKind native_kind(const Control& control) {
    switch (control.kind()) {
    case ControlKind::text_box:
        return {
            L"EDIT",
            static_cast<DWORD>(ES_AUTOHSCROLL |
                               (static_cast<const TextBox&>(control).locked() ? ES_READONLY : 0)),
            WS_EX_CLIENTEDGE};
    case ControlKind::label:
        return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0};
    case ControlKind::list_box:
        return {L"LISTBOX",
                WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED |
                    LBS_HASSTRINGS,
                WS_EX_CLIENTEDGE};
    case ControlKind::button:
        return {L"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::frame:
        return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::save_dialog:
        break;
    }
    return {nullptr, 0, 0};
}

std::wstring initial_text(const Control& control) {
    switch (control.kind()) {
    case ControlKind::button:
    case ControlKind::frame:
        return platform::widen(control.layout().caption);
    case ControlKind::label:
        return platform::widen(static_cast<const Label&>(control).caption());
    case ControlKind::text_box:
        return platform::widen(static_cast<const TextBox&>(control).text());
    case ControlKind::list_box:
    case ControlKind::save_dialog:
        break;
    }
    return {};
}

unsigned window_dpi(HWND hwnd) {
    const UINT dpi = GetDpiForWindow(hwnd);
    return dpi == 0 ? USER_DEFAULT_SCREEN_DPI : dpi;
}

// Creation order is Z-order, and the dialog navigation walks the Z-order: the controls in the
// tab order come first, by tab index; then the labels; the frames last, below what they hold.
int stacking_rank(const Control& control) {
    if (control.focusable()) {
        return control.layout().tab_index >= 0 ? 0 : 1;
    }
    return control.kind() == ControlKind::frame ? 3 : 2;
}

bool stacks_before(const Control* a, const Control* b) {
    if (stacking_rank(*a) != stacking_rank(*b)) {
        return stacking_rank(*a) < stacking_rank(*b);
    }
    return a->layout().tab_index < b->layout().tab_index;
}

GdiObject<HFONT> make_font(const wchar_t* face, int points, unsigned dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return GdiObject<HFONT>(CreateFontIndirectW(&font));
}

// Sets a flag for the length of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = previous_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool previous_;
};

} // namespace

bool FormWindow::register_class() {
    // The common controls of version 6 (the program's manifest asks for them, with the visual
    // styles), and the tooltip class.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = &FormWindow::window_proc;
    form.hInstance = instance();
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = form_class;
    return RegisterClassExW(&form) != 0;
}

void FormWindow::unregister_class() {
    UnregisterClassW(form_class, instance());
}

FormWindow::FormWindow(Window& window, ViewTrace* trace) : window_(&window), trace_(trace) {
    const std::wstring caption = platform::widen(window.caption());
    CreateWindowExW(form_ex_style, form_class, caption.c_str(), form_style, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance(),
                    this);
    if (hwnd_ == nullptr) {
        return;
    }
    dpi_ = window_dpi(hwnd_);
    make_fonts();
    make_icons();
    build();
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    fit_window(frame.left, frame.top);
}

FormWindow::~FormWindow() {
    destroy();
}

void FormWindow::destroy() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);
    }
}

// ---- building and layout ----

void FormWindow::build() {
    std::vector<Control*> controls;
    for (const auto& control : window_->controls()) {
        if (control->kind() != ControlKind::save_dialog) {
            controls.push_back(control.get());
        }
    }
    std::stable_sort(controls.begin(), controls.end(), stacks_before);
    bindings_.reserve(controls.size());
    for (Control* control : controls) {
        const int id = first_control_id + static_cast<int>(bindings_.size());
        if (HWND hwnd = make_control(*control, id)) {
            bindings_.push_back({.control = control, .hwnd = hwnd});
        }
    }
    place_controls();
    make_tooltip();
}

HWND FormWindow::make_control(Control& control, int id) {
    const NativeKind kind = native_kind(control);
    const bool tab_stop = control.focusable() && control.layout().tab_index >= 0;
    const std::wstring text = initial_text(control);
    HWND hwnd =
        CreateWindowExW(kind.ex_style, kind.window_class, text.c_str(),
                        child_style | kind.style | (tab_stop ? WS_TABSTOP : 0), 0, 0, 0, 0, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance(), nullptr);
    if (hwnd == nullptr) {
        return nullptr;
    }
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(control)), FALSE);
    if (control.kind() == ControlKind::label && !static_cast<const Label&>(control).visible()) {
        ShowWindow(hwnd, SW_HIDE);
    }
    SetWindowSubclass(hwnd, &FormWindow::control_proc, subclass_id,
                      reinterpret_cast<DWORD_PTR>(this));
    return hwnd;
}

void FormWindow::make_fonts() {
    form_font_ = make_font(L"Microsoft YaHei", form_font_points, dpi_);
    link_font_ = make_font(L"Arial", link_font_points, dpi_);
}

// The icons in the sizes the system uses at the window's DPI; the ones they replace go only
// once the window no longer uses them.
void FormWindow::make_icons() {
    IconHandle big_icon = make_window_icon(GetSystemMetricsForDpi(SM_CXICON, dpi_));
    IconHandle small_icon = make_window_icon(GetSystemMetricsForDpi(SM_CXSMICON, dpi_));
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon.get()));
    big_icon_ = std::move(big_icon);
    small_icon_ = std::move(small_icon);
}

// One tooltip for the window, with a tool for each list; it asks for its text when it shows.
void FormWindow::make_tooltip() {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                               nullptr, instance(), nullptr);
    if (tooltip_ == nullptr) {
        return;
    }
    // A note's parts each take a line of their own: a tooltip with a width breaks its lines.
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, tooltip_width);
    for (const Binding& binding : bindings_) {
        if (binding.control->kind() == ControlKind::list_box) {
            TTTOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.uFlags = TTF_IDISHWND;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(binding.hwnd);
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

// The height of a line of text in `font`: the height of a list's items, as the system gives a
// list that draws its own items.
int FormWindow::text_height(HFONT font) const {
    HDC dc = GetDC(hwnd_);
    TEXTMETRICW metrics{};
    {
        const Selection selected(dc, font);
        GetTextMetricsW(dc, &metrics);
    }
    ReleaseDC(hwnd_, dc);
    return metrics.tmHeight;
}

HFONT FormWindow::font_for(const Control& control) const {
    return control.layout().style == TextStyle::link ? link_font_.get() : form_font_.get();
}

const ControlLayout* FormWindow::frame_of(const Control& control) const {
    const std::string_view container = control.layout().container;
    const Control* frame = container.empty() ? nullptr : window_->find(container);
    return frame == nullptr ? nullptr : &frame->layout();
}

void FormWindow::place_controls() {
    for (const Binding& binding : bindings_) {
        const PixelRect rect =
            control_rect(binding.control->layout(), frame_of(*binding.control), dpi_);
        MoveWindow(binding.hwnd, rect.x, rect.y, rect.width, rect.height, TRUE);
    }
}

// Sizes the window so that its client area is the layout's, at the window's DPI.
void FormWindow::fit_window(int left, int top) {
    const PixelRect client = client_rect(window_->layout(), dpi_);
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectExForDpi(&frame, form_style, FALSE, form_ex_style, dpi_);
    SetWindowPos(hwnd_, nullptr, left, top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::place_mid_screen() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT frame{};
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
        !GetWindowRect(hwnd_, &frame)) {
        return;
    }
    const RECT& area = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + std::max(0L, (area.bottom - area.top - height) / 2), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

FormWindow::Binding* FormWindow::binding_of(HWND hwnd) {
    const auto found = std::find_if(bindings_.begin(), bindings_.end(),
                                    [hwnd](const Binding& b) { return b.hwnd == hwnd; });
    return found == bindings_.end() ? nullptr : &*found;
}

FormWindow::Binding* FormWindow::binding_of(const Control& control) {
    const auto found = std::find_if(bindings_.begin(), bindings_.end(),
                                    [&control](const Binding& b) { return b.control == &control; });
    return found == bindings_.end() ? nullptr : &*found;
}

FormWindow::Binding* FormWindow::binding_of_id(int id) {
    const int index = id - first_control_id;
    if (index < 0 || index >= static_cast<int>(bindings_.size())) {
        return nullptr;
    }
    return &bindings_[static_cast<std::size_t>(index)];
}

// ---- the models changed ----

void FormWindow::show_text(const TextBox& box) {
    Binding* binding = binding_of(box);
    if (binding == nullptr) {
        return;
    }
    const std::wstring text = platform::widen(box.text());
    if (window_text(binding->hwnd) == text) {
        return;
    }
    {
        const FlagScope own_write(writing_text_);
        SetWindowTextW(binding->hwnd, text.c_str());
    }
    const auto end = static_cast<WPARAM>(text.size());
    SendMessageW(binding->hwnd, EM_SETSEL, end, static_cast<LPARAM>(end)); // caret at the end
    trace("text", box, platform::narrow(window_text(binding->hwnd)));
}

void FormWindow::show_label(const Label& label) {
    if (Binding* binding = binding_of(label)) {
        SetWindowTextW(binding->hwnd, platform::widen(label.caption()).c_str());
        ShowWindow(binding->hwnd, label.visible() ? SW_SHOWNA : SW_HIDE);
    }
}

// The model only appends items or clears the list, and reports each change: a list that shows
// fewer items, the last of them the model's item at that place, gets the new ones appended (as
// a sweep adds them); any other list is filled afresh.
void FormWindow::show_list(const ListBox& list) {
    Binding* binding = binding_of(list);
    if (binding == nullptr) {
        return;
    }
    const HWND hwnd = binding->hwnd;
    const auto shown = static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0));
    const bool appended =
        shown <= list.count() &&
        (shown == 0 || list_item(hwnd, shown - 1) == platform::widen(list.item(shown - 1)));
    if (shown != list.count() || !appended) {
        if (!appended) {
            SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
        }
        for (int i = appended ? shown : 0; i < list.count(); ++i) {
            const std::wstring item = platform::widen(list.item(i));
            SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        trace_list(*binding);
    }
    show_notes(*binding, list);
    if (SendMessageW(hwnd, LB_GETCURSEL, 0, 0) != list.selected_index()) {
        SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(list.selected_index()), 0);
    }
}

// The items are drawn and their tooltips found from the view's copy of the notes. A mark that
// arrives late repaints its own item only, and changes the tooltip shown only when it is the
// item under the mouse.
void FormWindow::show_notes(Binding& binding, const ListBox& list) {
    std::vector<std::optional<ListItemNote>> notes;
    notes.reserve(static_cast<std::size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) {
        notes.push_back(list.note(i));
    }
    const std::vector<std::size_t> changed = changed_notes(binding.notes, notes);
    if (changed.empty()) {
        return;
    }
    binding.notes = std::move(notes);
    for (const std::size_t index : changed) {
        RECT item{};
        if (SendMessageW(binding.hwnd, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) !=
            LB_ERR) {
            InvalidateRect(binding.hwnd, &item, FALSE);
        }
    }
    std::wstring tip = platform::widen(item_tooltip(binding.notes, binding.under_mouse));
    if (tip != binding.tip) {
        binding.tip = std::move(tip);
        if (tooltip_ != nullptr) {
            SendMessageW(tooltip_, TTM_POP, 0, 0);
        }
    }
}

void FormWindow::show_focus(const Control& control) {
    Binding* binding = binding_of(control);
    if (binding != nullptr && IsWindowVisible(hwnd_)) {
        set_native_focus(binding->hwnd);
    }
}

void FormWindow::open() {
    if (hwnd_ == nullptr) {
        return;
    }
    if (!placed_) {
        place_mid_screen();
        placed_ = true;
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
}

void FormWindow::hide() {
    if (hwnd_ != nullptr) {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

void FormWindow::release() {
    window_ = nullptr;
    hide();
    if (hwnd_ != nullptr) {
        PostMessageW(hwnd_, release_message, 0, 0);
    }
}

void FormWindow::set_native_focus(HWND control) {
    const FlagScope own_move(moving_focus_);
    SetFocus(control);
}

// ---- messages ----

LRESULT CALLBACK FormWindow::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* form =
            static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd_ = nullptr;
        form->tooltip_ = nullptr; // destroyed with its owner
        form->bindings_.clear();
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    return form->handle_message(message, wparam, lparam);
}

LRESULT FormWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        if (Binding* binding = binding_of_id(LOWORD(wparam)); binding != nullptr && lparam != 0) {
            command(*binding, HIWORD(wparam));
        } else if (LOWORD(wparam) == IDOK) {
            press_focused_button(); // Enter, sent by the dialog navigation
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        return static_colours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_MEASUREITEM: // sent while a list is made, before it has the form's font
        if (auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
            item.CtlType == ODT_LISTBOX) {
            item.itemHeight = static_cast<UINT>(text_height(form_font_.get()));
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            item.CtlType == ODT_LISTBOX) {
            draw_list_item(item);
            return TRUE;
        }
        break;
    case WM_NOTIFY:
        if (auto& header = *reinterpret_cast<NMHDR*>(lparam);
            header.hwndFrom == tooltip_ && header.code == TTN_GETDISPINFOW) {
            fill_tip(reinterpret_cast<NMTTDISPINFOW&>(header));
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lparam) == HTCLIENT && set_link_cursor(reinterpret_cast<HWND>(wparam))) {
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE && attached() && window_->focused() != nullptr) {
            activated();
            return 0;
        }
        break;
    case WM_CLOSE:
        close_requested();
        return 0;
    case WM_DPICHANGED:
        dpi_changed(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case release_message:
        destroy();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK FormWindow::control_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR /*id*/, DWORD_PTR form) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &FormWindow::control_proc, subclass_id);
        return DefSubclassProc(hwnd, message, wparam, lparam);
    }
    auto* self = reinterpret_cast<FormWindow*>(form);
    if (Binding* binding = self->binding_of(hwnd)) {
        return self->handle_control_message(*binding, message, wparam, lparam);
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT FormWindow::handle_control_message(Binding& binding, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
    const HWND hwnd = binding.hwnd;
    const bool text_box = binding.control->kind() == ControlKind::text_box;
    if (binding.control->kind() == ControlKind::list_box && message >= WM_MOUSEFIRST &&
        message <= WM_MOUSELAST) {
        track_tip(binding, message, wparam, lparam);
    }
    switch (message) {
    case WM_GETDLGCODE:
        if (const auto* key = reinterpret_cast<const MSG*>(lparam);
            text_box && key != nullptr && key->message == WM_KEYDOWN &&
            text_box_wants_key(static_cast<int>(key->wParam))) {
            return DefSubclassProc(hwnd, message, wparam, lparam) | DLGC_WANTALLKEYS;
        }
        break;
    case WM_KEYDOWN:
        if (text_box) {
            key_down(binding, static_cast<int>(wparam)); // before the box takes the key
        }
        break;
    case WM_CHAR:
        if (text_box && binding.chars.drops(static_cast<wchar_t>(wparam))) {
            return 0;
        }
        break;
    case WM_SETFOCUS:
        focus_entered(binding);
        break;
    case WM_PAINT:
        if (binding.control->kind() == ControlKind::frame &&
            binding.control->layout().style == TextStyle::accent) {
            paint_accent_frame(hwnd);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

// ---- user events ----

void FormWindow::command(Binding& binding, int code) {
    switch (binding.control->kind()) {
    case ControlKind::text_box:
        if (code == EN_CHANGE) {
            edited(binding);
        }
        break;
    case ControlKind::button:
        if (code == BN_CLICKED) {
            auto& button = static_cast<Button&>(*binding.control);
            deliver([&button] { button.click(); });
        }
        break;
    case ControlKind::label:
        if (code == STN_CLICKED) {
            auto& label = static_cast<Label&>(*binding.control);
            deliver([&label] { label.click(); });
        }
        break;
    case ControlKind::list_box:
        if (code == LBN_SELCHANGE) {
            list_selection_changed(binding);
        } else if (code == LBN_DBLCLK) {
            auto& list = static_cast<ListBox&>(*binding.control);
            deliver([&list] { list.dbl_click(); });
        }
        break;
    case ControlKind::frame:
    case ControlKind::save_dialog:
        break;
    }
}

// An EDIT reports every change, also one that leaves the text as it was; the model ignores
// those. After the change handling the box shows the model's final text.
void FormWindow::edited(Binding& binding) {
    if (writing_text_ || !attached()) {
        return;
    }
    auto& box = static_cast<TextBox&>(*binding.control);
    const std::string text = platform::narrow(window_text(binding.hwnd));
    trace("edit", box, text);
    deliver([&box, &text] { box.user_edit(text); });
    if (attached()) {
        show_text(box);
    }
}

// KeyDown runs before the box takes the key, with the key's real virtual-key code.
void FormWindow::key_down(Binding& binding, int key_code) {
    auto& box = static_cast<TextBox&>(*binding.control);
    const int shift = shift_state();
    deliver([&box, key_code, shift] { box.key_down(key_code, shift); });
    if (attached()) {
        binding.chars.key_down(key_code, GetFocus() != binding.hwnd);
    }
}

// The user moved the focus (mouse, Tab); the focus the view itself moves is known already.
void FormWindow::focus_entered(Binding& binding) {
    if (!attached()) {
        return;
    }
    Control& control = *binding.control;
    trace("focus", control);
    if (!moving_focus_ && !control.has_focus()) {
        deliver([&control] { control.set_focus(); });
    }
}

void FormWindow::list_selection_changed(Binding& binding) {
    auto& list = static_cast<ListBox&>(*binding.control);
    const auto row = static_cast<int>(SendMessageW(binding.hwnd, LB_GETCURSEL, 0, 0));
    deliver([&list, row] { list.set_selected_index(row < 0 ? -1 : row); });
    if (attached()) {
        show_list(list);
    }
}

void FormWindow::press_focused_button() {
    Binding* binding = binding_of(GetFocus());
    if (binding != nullptr && binding->control->kind() == ControlKind::button) {
        auto& button = static_cast<Button&>(*binding->control);
        deliver([&button] { button.click(); });
    }
}

// The close box runs Form_Unload; a cancel keeps the window as it is.
void FormWindow::close_requested() {
    if (Window* window = window_) {
        deliver([window] { window->unload(); });
    }
}

// A window that becomes active again gives the focus back to the control that had it.
void FormWindow::activated() {
    if (Binding* binding = binding_of(*window_->focused())) {
        set_native_focus(binding->hwnd);
    }
}

void FormWindow::dpi_changed(unsigned dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The fonts in use go only once the controls have the new ones.
    const GdiObject<HFONT> old_form_font = std::move(form_font_);
    const GdiObject<HFONT> old_link_font = std::move(link_font_);
    make_fonts();
    for (const Binding& binding : bindings_) {
        const HFONT font = font_for(*binding.control);
        SendMessageW(binding.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (binding.control->kind() == ControlKind::list_box) {
            SendMessageW(binding.hwnd, LB_SETITEMHEIGHT, 0, text_height(font));
        }
    }
    make_icons();
    place_controls();
    fit_window(suggested.left, suggested.top);
}

LRESULT FormWindow::static_colours(HDC dc, HWND control) {
    const Binding* binding = binding_of(control);
    const TextStyle style =
        binding == nullptr ? TextStyle::normal : binding->control->layout().style;
    if (style == TextStyle::normal) {
        return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }
    SetTextColor(dc, style == TextStyle::link ? link_colour : accent_colour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// A list's item as the system draws it (selection, focus rectangle), a warning's text in the
// warning colour while the item is not selected.
void FormWindow::draw_list_item(const DRAWITEMSTRUCT& item) {
    const Binding* binding = binding_of(item.hwndItem);
    if (binding == nullptr) {
        return;
    }
    const bool empty = item.itemID == static_cast<UINT>(-1); // an empty list's focus rectangle
    const auto index = static_cast<std::size_t>(item.itemID);
    const bool warning = !empty && index < binding->notes.size() && binding->notes[index] &&
                         binding->notes[index]->warning;
    const std::wstring text =
        empty ? std::wstring() : list_item(item.hwndItem, static_cast<int>(item.itemID));
    const Selection font(item.hDC,
                         reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    paint_list_item(item.hDC, item.rcItem, text, item.itemState, warning);
}

// The tooltip follows the item under the mouse: onto an item with another tooltip, the one
// shown goes, and the tooltip shows the new one (none for an item without a note) once the
// mouse rests.
void FormWindow::track_tip(Binding& binding, UINT message, WPARAM wparam, LPARAM lparam) {
    if (tooltip_ == nullptr) {
        return;
    }
    if (message == WM_MOUSEMOVE) {
        binding.under_mouse = SendMessageW(binding.hwnd, LB_ITEMFROMPOINT, 0, lparam);
        std::wstring tip = platform::widen(item_tooltip(binding.notes, binding.under_mouse));
        if (tip != binding.tip) {
            binding.tip = std::move(tip);
            SendMessageW(tooltip_, TTM_POP, 0, 0);
        }
    }
    MSG relayed{};
    relayed.hwnd = binding.hwnd;
    relayed.message = message;
    relayed.wParam = wparam;
    relayed.lParam = lparam;
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

// The tooltip asks for a list's text when it shows.
void FormWindow::fill_tip(NMTTDISPINFOW& info) {
    Binding* binding = binding_of(reinterpret_cast<HWND>(info.hdr.idFrom));
    info.szText[0] = L'\0';
    info.lpszText = binding == nullptr ? info.szText : binding->tip.data();
}

// A group box draws its caption in the colour of the visual style, whatever its parent asks
// for: an accented frame is drawn here, an etched edge with the caption in the accent colour.
void FormWindow::paint_accent_frame(HWND frame) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(frame, &paint);
    RECT box{};
    GetClientRect(frame, &box);
    const Selection font(dc, form_font_.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT edge = box;
    edge.top += metrics.tmHeight / 2;
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    const std::wstring caption = window_text(frame);
    const int indent = MulDiv(caption_indent, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
    RECT text{box.left + indent, box.top, box.right - indent, box.top + metrics.tmHeight};
    constexpr UINT text_format = DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP;
    DrawTextW(dc, caption.c_str(), -1, &text, text_format | DT_CALCRECT);
    RECT backing{text.left - 2, text.top, text.right + 2, text.bottom};
    FillRect(dc, &backing, GetSysColorBrush(COLOR_BTNFACE));
    SetTextColor(dc, accent_colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, caption.c_str(), -1, &text, text_format);
    EndPaint(frame, &paint);
}

// Link labels show the hand cursor.
bool FormWindow::set_link_cursor(HWND under_cursor) {
    const Binding* binding = binding_of(under_cursor);
    if (binding == nullptr || binding->control->kind() != ControlKind::label ||
        binding->control->layout().style != TextStyle::link) {
        return false;
    }
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}

void FormWindow::deliver(const std::function<void()>& event) {
    if (window_ != nullptr) {
        window_->toolkit().deliver(event);
    }
}

// ---- test trace ----

void FormWindow::trace(std::string_view what, const Control& control, std::string_view detail) {
    if (trace_ != nullptr && attached()) {
        trace_->line(what, window_->name(), control.name(), detail);
    }
}

void FormWindow::trace_list(const Binding& binding) {
    if (trace_ == nullptr) {
        return;
    }
    std::string items;
    for (const std::wstring& item : list_items(binding.hwnd)) {
        if (!items.empty()) {
            items += ' ';
        }
        items += platform::narrow(item);
    }
    trace("list", *binding.control, items);
}

} // namespace zelvoro::ui::win32
