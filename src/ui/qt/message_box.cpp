#include "ui/qt/message_box.h"

#include "ui/qt/qt_text.h"

#include <QPushButton>
#include <vector>

namespace zelvoro::ui::qt {

namespace {

struct BoxButton {
    QMessageBox::StandardButton button;
    const char* caption;
};

std::vector<BoxButton> buttons_of(MessageBoxStyle style) {
    switch (style) {
    case MessageBoxStyle::ok:
        return {{QMessageBox::Ok, "确定"}};
    case MessageBoxStyle::ok_cancel:
        return {{QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}};
    case MessageBoxStyle::yes_no:
        return {{QMessageBox::Yes, "是(&Y)"}, {QMessageBox::No, "否(&N)"}};
    }
    return {};
}

} // namespace

std::unique_ptr<QMessageBox> make_message_box(const MessageBoxRequest& request,
                                              std::string_view app_title, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(QMessageBox::NoIcon);
    box->setWindowTitle(from_utf8(request.title.value_or(app_title)));
    box->setTextFormat(Qt::PlainText);
    box->setText(from_utf8(request.text));
    box->setWindowModality(Qt::ApplicationModal);
    const std::vector<BoxButton> buttons = buttons_of(request.style);
    for (const BoxButton& entry : buttons) {
        box->addButton(entry.button)->setText(QString::fromUtf8(entry.caption));
    }
    box->setDefaultButton(buttons.front().button);
    box->setEscapeButton(box->button(buttons.back().button));
    return box;
}

MessageBoxResult message_box_result(MessageBoxStyle style, QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return MessageBoxResult::ok;
    case QMessageBox::Cancel:
        return MessageBoxResult::cancel;
    case QMessageBox::Yes:
        return MessageBoxResult::yes;
    case QMessageBox::No:
        return MessageBoxResult::no;
    default:
        return cancelling_result(style);
    }
}

} // namespace zelvoro::ui::qt
