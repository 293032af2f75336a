#include "ui/qt/qt_window_view.h"

namespace zelvoro::ui::qt {

QtWindowView::~QtWindowView() {
    if (form_) {
        form_->detach();
        form_->hide();
        form_->deleteLater();
    }
}

void QtWindowView::text_changed(const TextBox& box) {
    if (form_) {
        form_->show_text(box);
    }
}

void QtWindowView::label_changed(const Label& label) {
    if (form_) {
        form_->show_label(label);
    }
}

void QtWindowView::list_changed(const ListBox& list) {
    if (form_) {
        form_->show_list(list);
    }
}

void QtWindowView::focus_changed(const Control& control, FocusCause /*cause*/) {
    if (form_) {
        form_->show_focus(control);
    }
}

void QtWindowView::shown() {
    if (form_) {
        form_->open();
    }
}

void QtWindowView::hidden() {
    if (form_) {
        form_->hide();
    }
}

void QtWindowView::unloaded() {
    hidden();
}

} // namespace zelvoro::ui::qt
