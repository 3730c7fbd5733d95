#include "platform/appicon.h"

#include <QPainter>
#include <QPainterPath>

namespace platform
{

QPixmap applicationPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);

    // The folder: a tab, a back and a front leaf.
    const QColor outline(140, 100, 10);
    QPainterPath back;
    back.moveTo(3, 11);
    back.lineTo(17, 11);
    back.lineTo(21, 15);
    back.lineTo(41, 15);
    back.lineTo(41, 39);
    back.lineTo(3, 39);
    back.closeSubpath();
    p.setPen(QPen(outline, 1.5));
    p.setBrush(QColor(230, 180, 40));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(3, 39);
    front.lineTo(8, 20);
    front.lineTo(45, 20);
    front.lineTo(41, 39);
    front.closeSubpath();
    QLinearGradient shine(0, 20, 0, 39);
    shine.setColorAt(0, QColor(255, 228, 110));
    shine.setColorAt(1, QColor(245, 196, 50));
    p.setBrush(shine);
    p.drawPath(front);

    // The magnifying glass over the lower right corner.
    p.setPen(QPen(QColor(60, 60, 70), 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(36, 36), QPointF(45, 45));
    p.setPen(QPen(QColor(50, 50, 60), 3));
    p.setBrush(QColor(190, 225, 250, 220));
    p.drawEllipse(QPointF(29, 29), 9, 9);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
    p.drawArc(QRectF(23, 23, 9, 9), 100 * 16, 80 * 16);
    return pixmap;
}

QIcon applicationIcon()
{
    static const QIcon icon = [] {
        QIcon drawn;
        for (int size : { 48, 32, 16 })
            drawn.addPixmap(applicationPixmap(size));
        return drawn;
    }();
    return icon;
}

} // namespace platform
