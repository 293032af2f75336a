// Design-time twips (1/1440 inch) to device-independent pixels at a given logical DPI.
#pragma once

#include "ui/layout.h"

#include <QRect>
#include <QSize>

class QScreen;

namespace zelvoro::ui::qt {

class TwipScale {
public:
    // Logical dots per inch, horizontally and vertically.
    TwipScale(double dpi_x, double dpi_y) : dpi_x_(dpi_x), dpi_y_(dpi_y) {}

    // The scale of a screen's logical DPI; 96 DPI when there is no screen.
    static TwipScale of(const QScreen* screen);

    double dpi_x() const { return dpi_x_; }
    double dpi_y() const { return dpi_y_; }

    int x(int twips) const;
    int y(int twips) const;
    // Position and size are converted separately, as the layout gives them.
    QRect rect(const ControlLayout& control) const;
    QSize client_size(const WindowLayout& window) const;

private:
    double dpi_x_;
    double dpi_y_;
};

} // namespace zelvoro::ui::qt
