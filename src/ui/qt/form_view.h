// One loaded window on screen: a top-level widget with a real widget for every control of the
// window's layout table. Widgets follow the models; user input reaches the models only through
// their user-event entry points, each run through Toolkit::deliver.
#pragma once

#include "ui/qt/twip_scale.h"
#include "ui/window.h"

#include <QWidget>
#include <functional>
#include <vector>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPushButton;

namespace zelvoro::ui::qt {

class ListWidget;

class FormView : public QWidget {
    Q_OBJECT

public:
    FormView(Window& window, const TwipScale& scale, const QIcon& icon);

    // The model window is being released: from now on no widget reads or reaches it.
    void detach();
    bool attached() const { return window_ != nullptr; }
    const TwipScale& scale() const { return scale_; }

    // The models changed.
    void show_text(const TextBox& box);
    void show_label(const Label& label);
    void show_list(const ListBox& list);
    void show_focus(const Control& control);
    // Shows, raises and activates the window; the first time it is placed mid-screen.
    void open();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Binding {
        Control* control;
        QWidget* widget;
    };

    void build();
    QWidget* container_of(const Control& control);
    QWidget* make_widget(Control& control, QWidget* parent);
    QLineEdit* make_text_box(TextBox& box, QWidget* parent);
    QLabel* make_label(const Label& label, QWidget* parent);
    ListWidget* make_list(ListBox& list, QWidget* parent);
    QPushButton* make_button(Button& button, QWidget* parent);
    QGroupBox* make_frame(const Frame& frame, QWidget* parent);
    void set_tab_order();
    void place_mid_screen();

    QWidget* widget_of(const Control& control) const;
    Control* control_of(const QObject* widget) const;

    bool key_pressed(TextBox& box, const QKeyEvent& event);
    void label_released(Label& label, const QWidget& widget, const QMouseEvent& event);
    void focus_entered(Control& control, Qt::FocusReason reason);
    void list_selection_changed(ListBox& list);
    void deliver(const std::function<void()>& event);

    Window* window_;
    TwipScale scale_;
    std::vector<Binding> bindings_;
    bool placed_ = false;
};

} // namespace zelvoro::ui::qt
