// A list box widget that reports every left double-click in it, on an item or below the last
// one, after the click has updated the selection.
#pragma once

#include <QListWidget>

namespace zelvoro::ui::qt {

class ListWidget : public QListWidget {
    Q_OBJECT

public:
    using QListWidget::QListWidget;

signals:
    void doubleClickedAnywhere();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace zelvoro::ui::qt
