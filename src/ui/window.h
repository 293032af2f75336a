// A window (form): its caption, its controls built from its layout table, its load and unload
// notifications, and the control that had the focus when it was last shown.
#pragma once

#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/layout.h"

#include <memory>
#include <string_view>
#include <vector>

namespace zelvoro::ui {

class Toolkit;

class Window {
public:
    Window(Toolkit& toolkit, const WindowLayout& layout);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    std::string_view name() const { return layout_.name; }
    std::string_view caption() const { return layout_.caption; }
    const WindowLayout& layout() const { return layout_; }
    Toolkit& toolkit() const { return toolkit_; }

    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
    Control* find(std::string_view name) const;
    TextBox& text_box(std::string_view name) const;
    Label& label(std::string_view name) const;
    ListBox& list_box(std::string_view name) const;
    Button& button(std::string_view name) const;
    SaveFileDialog& save_dialog(std::string_view name) const;

    bool visible() const { return visible_; }
    // The control that has, or will get back, the focus when this window is active.
    Control* focused() const { return focused_; }
    // The focusable control with the lowest tab index.
    Control* first_in_tab_order() const;

    WindowView* view() const { return view_.get(); }

    void show();
    void hide();
    bool unload();

    // Notifications of the window logic.
    virtual void form_load() {}
    virtual void form_unload(bool& cancel) { (void)cancel; }

private:
    friend class Toolkit;
    template <typename T> T& control_of(std::string_view name, ControlKind kind) const;

    Toolkit& toolkit_;
    const WindowLayout& layout_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::unique_ptr<WindowView> view_;
    bool visible_ = false;
    bool shown_before_ = false;
    Control* focused_ = nullptr;
};

} // namespace zelvoro::ui
