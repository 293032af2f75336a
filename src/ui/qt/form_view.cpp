#include "ui/qt/form_view.h"

#include "ui/key_codes.h"
#include "ui/qt/list_widget.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/virtual_keys.h"
#include "ui/toolkit.h"

#include <QBrush>
#include <QCloseEvent>
#include <QColor>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

namespace zelvoro::ui::qt {

namespace {

void set_text_colour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    widget.setPalette(palette);
}

void apply_style(QWidget& widget, TextStyle style) {
    switch (style) {
    case TextStyle::normal:
        break;
    case TextStyle::link: {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(12);
        widget.setFont(font);
        set_text_colour(widget, QColor(0, 0, 255));
        break;
    }
    case TextStyle::accent:
        set_text_colour(widget, QColor(128, 0, 128));
        break;
    }
}

// A link is drawn in a larger font than the window's, in whatever face the system has for Arial:
// its label grows right and down from its place in the layout until the caption fits on one
// line, as far as the window reaches.
void fit_link(QLabel& label, QRect placed) {
    placed.setSize(placed.size().expandedTo(label.sizeHint()));
    label.setGeometry(placed.intersected(label.parentWidget()->rect()));
}

// The windows' text font: a Chinese face at 9 pt, whichever of the usual ones is installed.
QFont form_font() {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    return font;
}

// Focus the user gave a control (mouse, Tab, a shortcut); the focus the program sets and the
// focus a window gets back when it is activated again are already known to the models.
bool user_focus(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

QStringList items_of(const QListWidget& widget) {
    QStringList items;
    for (int row = 0; row < widget.count(); ++row) {
        items << widget.item(row)->text();
    }
    return items;
}

// Brings the widget's items in line with the model's, appending when only new items were added.
void show_items(QListWidget& widget, const QStringList& items) {
    const QStringList shown = items_of(widget);
    if (shown == items) {
        return;
    }
    if (shown.size() <= items.size() && items.mid(0, shown.size()) == shown) {
        widget.addItems(items.mid(shown.size()));
        return;
    }
    widget.clear();
    widget.addItems(items);
}

// Items whose note is a warning: a device uses an address that looked free.
const QColor warning_colour(192, 64, 0);

// Every note is its item's tooltip; a warning also colours the item.
void show_note(QListWidgetItem& item, const std::optional<ListItemNote>& note) {
    item.setToolTip(note ? from_utf8(note->tooltip) : QString());
    item.setData(Qt::ForegroundRole,
                 note && note->warning ? QVariant(QBrush(warning_colour)) : QVariant());
}

} // namespace

FormView::FormView(Window& window, const TwipScale& scale, const QIcon& icon)
    : window_(&window), scale_(scale) {
    setObjectName(from_utf8(window.name()));
    setWindowTitle(from_utf8(window.caption()));
    setWindowIcon(icon);
    setFont(form_font());
    setFixedSize(scale_.client_size(window.layout()));
    build();
}

void FormView::detach() {
    window_ = nullptr;
    bindings_.clear();
}

void FormView::build() {
    // Frames first: the controls placed in them need them as parents.
    for (const auto& control : window_->controls()) {
        if (control->kind() == ControlKind::frame) {
            bindings_.push_back({control.get(), make_widget(*control, container_of(*control))});
        }
    }
    for (const auto& control : window_->controls()) {
        if (control->kind() != ControlKind::frame) {
            if (QWidget* widget = make_widget(*control, container_of(*control))) {
                bindings_.push_back({control.get(), widget});
            }
        }
    }
    set_tab_order();
}

QWidget* FormView::container_of(const Control& control) {
    const std::string_view container = control.layout().container;
    if (container.empty()) {
        return this;
    }
    const Control* frame = window_->find(container);
    QWidget* widget = frame == nullptr ? nullptr : widget_of(*frame);
    return widget != nullptr ? widget : this;
}

QWidget* FormView::make_widget(Control& control, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (control.kind()) {
    case ControlKind::text_box:
        widget = make_text_box(static_cast<TextBox&>(control), parent);
        break;
    case ControlKind::label:
        widget = make_label(static_cast<Label&>(control), parent);
        break;
    case ControlKind::list_box:
        widget = make_list(static_cast<ListBox&>(control), parent);
        break;
    case ControlKind::button:
        widget = make_button(static_cast<Button&>(control), parent);
        break;
    case ControlKind::frame:
        widget = make_frame(static_cast<Frame&>(control), parent);
        break;
    case ControlKind::save_dialog:
        return nullptr; // invisible at run time
    }
    widget->setObjectName(from_utf8(control.name()));
    widget->setGeometry(scale_.rect(control.layout()));
    apply_style(*widget, control.layout().style);
    if (auto* label = qobject_cast<QLabel*>(widget);
        label != nullptr && control.layout().style == TextStyle::link) {
        fit_link(*label, scale_.rect(control.layout()));
    }
    widget->installEventFilter(this);
    return widget;
}

QLineEdit* FormView::make_text_box(TextBox& box, QWidget* parent) {
    auto* edit = new QLineEdit(from_utf8(box.text()), parent);
    edit->setReadOnly(box.locked());
    edit->setFocusPolicy(Qt::StrongFocus);
    connect(edit, &QLineEdit::textEdited, this, [this, &box](const QString& text) {
        deliver([&] { box.user_edit(text.toStdString()); });
        if (attached()) {
            show_text(box); // the model's final text, after its change handling
        }
    });
    return edit;
}

QLabel* FormView::make_label(const Label& label, QWidget* parent) {
    auto* widget = new QLabel(parent);
    widget->setTextFormat(Qt::PlainText);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    widget->setWordWrap(true);
    widget->setText(from_utf8(label.caption()));
    widget->setVisible(label.visible());
    return widget;
}

ListWidget* FormView::make_list(ListBox& list, QWidget* parent) {
    auto* widget = new ListWidget(parent);
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(widget, &QListWidget::itemSelectionChanged, this,
            [this, &list] { list_selection_changed(list); });
    connect(widget, &ListWidget::doubleClickedAnywhere, this,
            [this, &list] { deliver([&] { list.dbl_click(); }); });
    return widget;
}

QPushButton* FormView::make_button(Button& button, QWidget* parent) {
    auto* widget = new QPushButton(from_utf8(button.caption()), parent);
    widget->setAutoDefault(true); // Enter presses the button that has the focus
    connect(widget, &QPushButton::clicked, this,
            [this, &button] { deliver([&] { button.click(); }); });
    return widget;
}

QGroupBox* FormView::make_frame(const Frame& frame, QWidget* parent) {
    return new QGroupBox(from_utf8(frame.caption()), parent);
}

// The focusable controls in the order of their tab index.
void FormView::set_tab_order() {
    std::vector<Binding> order;
    std::copy_if(bindings_.begin(), bindings_.end(), std::back_inserter(order),
                 [](const Binding& b) {
                     return b.control->focusable() && b.control->layout().tab_index >= 0;
                 });
    std::stable_sort(order.begin(), order.end(), [](const Binding& a, const Binding& b) {
        return a.control->layout().tab_index < b.control->layout().tab_index;
    });
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1].widget, order[i].widget);
    }
}

QWidget* FormView::widget_of(const Control& control) const {
    const auto found = std::find_if(bindings_.begin(), bindings_.end(),
                                    [&](const Binding& b) { return b.control == &control; });
    return found == bindings_.end() ? nullptr : found->widget;
}

Control* FormView::control_of(const QObject* widget) const {
    const auto found = std::find_if(bindings_.begin(), bindings_.end(),
                                    [&](const Binding& b) { return b.widget == widget; });
    return found == bindings_.end() ? nullptr : found->control;
}

void FormView::show_text(const TextBox& box) {
    auto* edit = qobject_cast<QLineEdit*>(widget_of(box));
    const QString text = from_utf8(box.text());
    if (edit != nullptr && edit->text() != text) {
        const QSignalBlocker blocker(edit);
        edit->setText(text); // leaves the caret at the end
    }
}

void FormView::show_label(const Label& label) {
    if (auto* widget = qobject_cast<QLabel*>(widget_of(label))) {
        widget->setText(from_utf8(label.caption()));
        widget->setVisible(label.visible());
        if (label.layout().style == TextStyle::link) {
            fit_link(*widget, scale_.rect(label.layout()));
        }
    }
}

void FormView::show_list(const ListBox& list) {
    auto* widget = qobject_cast<QListWidget*>(widget_of(list));
    if (widget == nullptr) {
        return;
    }
    QStringList items;
    for (const std::string& item : list.items()) {
        items << from_utf8(item);
    }
    const QSignalBlocker blocker(widget);
    show_items(*widget, items);
    for (int i = 0; i < list.count(); ++i) {
        show_note(*widget->item(i), list.note(i));
    }
    if (list.selected_index() < 0) {
        widget->clearSelection();
        widget->setCurrentRow(-1);
    } else if (widget->currentRow() != list.selected_index() ||
               !widget->item(list.selected_index())->isSelected()) {
        widget->setCurrentRow(list.selected_index());
    }
}

void FormView::show_focus(const Control& control) {
    if (QWidget* widget = widget_of(control)) {
        widget->setFocus(Qt::OtherFocusReason);
    }
}

void FormView::open() {
    if (!placed_) {
        place_mid_screen();
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void FormView::place_mid_screen() {
    if (const QScreen* shown_on = screen()) {
        QRect frame = rect();
        frame.moveCenter(shown_on->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
    Control* control = control_of(watched);
    if (control == nullptr) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress:
        if (control->kind() == ControlKind::text_box) {
            return key_pressed(static_cast<TextBox&>(*control), static_cast<QKeyEvent&>(*event));
        }
        break;
    case QEvent::FocusIn:
        focus_entered(*control, static_cast<QFocusEvent&>(*event).reason());
        break;
    case QEvent::MouseButtonRelease:
        if (control->kind() == ControlKind::label) {
            label_released(static_cast<Label&>(*control), static_cast<QWidget&>(*watched),
                           static_cast<QMouseEvent&>(*event));
        }
        break;
    default:
        break;
    }
    return false;
}

// The KeyDown handler runs before the character reaches the field, and the character then goes
// to the field in which the key went down. Only the keypad's decimal point is dropped when its
// KeyDown moved the focus on: it has done its work as a step to the next field.
bool FormView::key_pressed(TextBox& box, const QKeyEvent& event) {
    const int key = virtual_key(event.key(), event.modifiers());
    if (key == 0) {
        return false;
    }
    deliver([&] { box.key_down(key, shift_state(event.modifiers())); });
    if (!attached() || window_->toolkit().ended()) {
        return true;
    }
    return key == key_code::keypad_decimal_point && !box.has_focus();
}

// A label is clicked when the left button goes up over it.
void FormView::label_released(Label& label, const QWidget& widget, const QMouseEvent& event) {
    if (event.button() == Qt::LeftButton && widget.rect().contains(event.position().toPoint())) {
        deliver([&] { label.click(); });
    }
}

void FormView::focus_entered(Control& control, Qt::FocusReason reason) {
    if (user_focus(reason) && !control.has_focus()) {
        deliver([&] { control.set_focus(); });
    }
}

void FormView::list_selection_changed(ListBox& list) {
    auto* widget = qobject_cast<QListWidget*>(widget_of(list));
    const QModelIndexList selected = widget->selectionModel()->selectedIndexes();
    const int row = selected.isEmpty() ? -1 : selected.front().row();
    deliver([&] { list.set_selected_index(row); });
    if (attached()) {
        show_list(list);
    }
}

void FormView::deliver(const std::function<void()>& event) {
    if (window_ != nullptr) {
        window_->toolkit().deliver(event);
    }
}

void FormView::closeEvent(QCloseEvent* event) {
    bool closed = false;
    if (Window* window = window_) {
        deliver([&] { closed = window->unload(); });
    }
    if (closed || !attached()) {
        event->accept();
    } else {
        event->ignore(); // Form_Unload cancelled: the window stays as it was
    }
}

} // namespace zelvoro::ui::qt
