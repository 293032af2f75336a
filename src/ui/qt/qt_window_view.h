// The models' view of one loaded window, realised by a FormView. The toolkit releases it when
// the window is unloaded, possibly from inside one of the form's own event handlers: the form
// is then cut off from the model at once and deleted once control is back in the event loop.
#pragma once

#include "ui/backend.h"
#include "ui/qt/form_view.h"

#include <QPointer>

namespace zelvoro::ui::qt {

class QtWindowView final : public WindowView {
public:
    explicit QtWindowView(FormView* form) : form_(form) {}
    ~QtWindowView() override;
    QtWindowView(const QtWindowView&) = delete;
    QtWindowView& operator=(const QtWindowView&) = delete;

    void text_changed(const TextBox& box) override;
    void label_changed(const Label& label) override;
    void list_changed(const ListBox& list) override;
    void focus_changed(const Control& control, FocusCause cause) override;
    void shown() override;
    void hidden() override;
    void unloaded() override;

private:
    QPointer<FormView> form_;
};

} // namespace zelvoro::ui::qt
