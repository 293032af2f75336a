#include "ui/qt/list_widget.h"

#include <QMouseEvent>

namespace zelvoro::ui::qt {

void ListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit doubleClickedAnywhere();
    }
}

} // namespace zelvoro::ui::qt
