#include "ui/qt/window_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace zelvoro::ui::qt {

namespace {

void draw_background(QPainter& painter) {
    QLinearGradient fill(0, 0, 0, window_icon_size);
    fill.setColorAt(0.0, QColor(40, 150, 190));
    fill.setColorAt(1.0, QColor(16, 82, 128));
    painter.setPen(QPen(QColor(10, 55, 90), 1.5));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 45, 45), 9, 9);
}

void draw_waves(QPainter& painter, QPointF centre) {
    painter.setBrush(Qt::NoBrush);
    for (const double radius : {9.0, 14.0}) {
        painter.setPen(QPen(QColor(170, 235, 255, radius < 10 ? 220 : 140), 2.0));
        painter.drawEllipse(centre, radius, radius);
    }
}

void draw_hosts(QPainter& painter, QPointF centre) {
    constexpr std::array hosts{QPointF(9, 9), QPointF(39, 9), QPointF(9, 39), QPointF(39, 39)};
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.6));
    for (const QPointF& host : hosts) {
        painter.drawLine(centre, host);
    }
    painter.setPen(QPen(QColor(10, 55, 90), 1.2));
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        // One host stays silent: it is drawn grey.
        painter.setBrush(i == 3 ? QColor(170, 170, 170) : QColor(120, 230, 120));
        painter.drawRect(QRectF(hosts[i].x() - 4.5, hosts[i].y() - 4.5, 9, 9));
    }
    painter.setBrush(QColor(255, 200, 60));
    painter.drawEllipse(centre, 5.5, 5.5);
}

} // namespace

QImage draw_window_icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = static_cast<double>(size) / window_icon_size;
    painter.scale(scale, scale);
    const QPointF centre(window_icon_size / 2.0, window_icon_size / 2.0);
    draw_background(painter);
    draw_waves(painter, centre);
    draw_hosts(painter, centre);
    return image;
}

QPixmap draw_window_icon() {
    return QPixmap::fromImage(draw_window_icon(window_icon_size));
}

QIcon window_icon() {
    return QIcon(draw_window_icon());
}

} // namespace zelvoro::ui::qt
