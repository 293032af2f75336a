// The toolkit's message box on Qt: no icon, the buttons of its style with Chinese captions,
// the application's title when the box has none of its own.
#pragma once

#include "ui/backend.h"

#include <QMessageBox>
#include <memory>
#include <string_view>

namespace zelvoro::ui::qt {

std::unique_ptr<QMessageBox> make_message_box(const MessageBoxRequest& request,
                                              std::string_view app_title, QWidget* parent);

// The result of a box of `style` closed with `button` (QMessageBox::NoButton when it was
// closed without one: Escape or the close box give the box's cancelling answer).
MessageBoxResult message_box_result(MessageBoxStyle style, QMessageBox::StandardButton button);

} // namespace zelvoro::ui::qt
