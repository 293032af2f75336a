// The models' view of one loaded window, realised by a FormWindow. Each notification is
// passed on as it is; releasing the view releases the form's native window.
#pragma once

#include "ui/backend.h"
#include "ui/win32/form_window.h"

namespace zelvoro::ui::win32 {

class Win32WindowView final : public WindowView {
public:
    explicit Win32WindowView(FormWindow& form) : form_(form) {}
    ~Win32WindowView() override { form_.release(); }
    Win32WindowView(const Win32WindowView&) = delete;
    Win32WindowView& operator=(const Win32WindowView&) = delete;

    void text_changed(const TextBox& box) override { form_.show_text(box); }
    void label_changed(const Label& label) override { form_.show_label(label); }
    void list_changed(const ListBox& list) override { form_.show_list(list); }
    void focus_changed(const Control& control, FocusCause /*cause*/) override {
        form_.show_focus(control);
    }
    void shown() override { form_.open(); }
    void hidden() override { form_.hide(); }
    void unloaded() override { form_.release(); }

private:
    FormWindow& form_;
};

} // namespace zelvoro::ui::win32
