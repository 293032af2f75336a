// One loaded window on screen: a top-level window with a native control (EDIT, STATIC,
// LISTBOX, BUTTON, group box) for every control of the window's layout table, laid out in
// pixels of the window's own DPI. Controls follow the models; user input reaches the models
// only through their user-event entry points, each run through Toolkit::deliver.
//
// The backend owns every FormWindow for the life of the program; the native window goes when
// the model window is released (from the message loop, never inside one of its own handlers).
#pragma once

#include "ui/win32/char_filter.h"
#include "ui/win32/gdi_handles.h"
#include "ui/window.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

namespace zelvoro::ui::win32 {

class ViewTrace;

class FormWindow {
public:
    // Registers the window class every form uses, and the common controls' classes (the
    // tooltip's included); once per process, before the first form.
    static bool register_class();
    static void unregister_class();

    FormWindow(Window& window, ViewTrace* trace);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND handle() const { return hwnd_; }
    bool attached() const { return window_ != nullptr; }

    // The models changed.
    void show_text(const TextBox& box);
    void show_label(const Label& label);
    void show_list(const ListBox& list);
    void show_focus(const Control& control);
    // Shows and activates the window; the first time it is placed mid-screen.
    void open();
    void hide();
    // The model window is being released: from now on nothing reaches it, the window is hidden
    // at once and destroyed once control is back in a message loop.
    void release();
    // Destroys the native window now (at the end of the program).
    void destroy();

private:
    struct Binding {
        Control* control;
        HWND hwnd;
        CharFilter chars{}; // text boxes only
        // Lists only: the notes of the items shown, the item under the mouse (as LB_ITEMFROMPOINT
        // last answered) and its tooltip.
        std::vector<std::optional<ListItemNote>> notes{};
        LRESULT under_mouse = MAKELRESULT(0, 1); // none
        std::wstring tip{};
    };

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK control_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR form);
    LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle_control_message(Binding& binding, UINT message, WPARAM wparam, LPARAM lparam);

    // Building and laying out.
    void build();
    HWND make_control(Control& control, int id);
    void make_fonts();
    void make_icons();
    void make_tooltip();
    int text_height(HFONT font) const;
    void place_controls();
    void fit_window(int left, int top);
    void place_mid_screen();
    const ControlLayout* frame_of(const Control& control) const;
    HFONT font_for(const Control& control) const;

    Binding* binding_of(HWND hwnd);
    Binding* binding_of(const Control& control);
    Binding* binding_of_id(int id);

    // User events.
    void command(Binding& binding, int code);
    void edited(Binding& binding);
    void key_down(Binding& binding, int key_code);
    void focus_entered(Binding& binding);
    void list_selection_changed(Binding& binding);
    void press_focused_button();
    void close_requested();
    void activated();
    void dpi_changed(unsigned dpi, const RECT& suggested);
    LRESULT static_colours(HDC dc, HWND control);
    void draw_list_item(const DRAWITEMSTRUCT& item);
    void show_notes(Binding& binding, const ListBox& list);
    void track_tip(Binding& binding, UINT message, WPARAM wparam, LPARAM lparam);
    void fill_tip(NMTTDISPINFOW& info);
    void paint_accent_frame(HWND frame);
    bool set_link_cursor(HWND under_cursor);
    void deliver(const std::function<void()>& event);

    void set_native_focus(HWND control);
    void trace(std::string_view what, const Control& control, std::string_view detail = {});
    void trace_list(const Binding& binding);

    Window* window_;
    ViewTrace* trace_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr; // one tool per list, owned by the window
    unsigned dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::vector<Binding> bindings_;
    GdiObject<HFONT> form_font_;
    GdiObject<HFONT> link_font_;
    IconHandle big_icon_;
    IconHandle small_icon_;
    bool placed_ = false;
    // Set while the view itself writes a text or moves the focus: the notifications that the
    // controls send back are the view's own doing, not the user's.
    bool writing_text_ = false;
    bool moving_focus_ = false;
};

} // namespace zelvoro::ui::win32
