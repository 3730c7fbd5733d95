#include "backupdir/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace backupdir
{

namespace
{
    constexpr int pictureSize = 16;

    // A small yellow folder in the lower left of the picture, leaving room for a mark at the top right.
    void drawFolder(QPainter& p)
    {
        const QColor outline(128, 96, 0);
        QPainterPath back;
        back.moveTo(0.5, 4.5);
        back.lineTo(5.5, 4.5);
        back.lineTo(7.5, 6.5);
        back.lineTo(12.5, 6.5);
        back.lineTo(12.5, 14.5);
        back.lineTo(0.5, 14.5);
        back.closeSubpath();
        p.setPen(QPen(outline, 1));
        p.setBrush(QColor(230, 180, 40));
        p.drawPath(back);
        QPainterPath front;
        front.moveTo(0.5, 14.5);
        front.lineTo(2.5, 8.5);
        front.lineTo(14.5, 8.5);
        front.lineTo(12.5, 14.5);
        front.closeSubpath();
        p.setBrush(QColor(255, 222, 100));
        p.drawPath(front);
    }

    QPixmap blank()
    {
        QPixmap pixmap(pictureSize, pictureSize);
        pixmap.fill(Qt::transparent);
        return pixmap;
    }
} // namespace

QPixmap folderUpPicture()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    drawFolder(p);
    // A green arrow rising out of the folder.
    p.setRenderHint(QPainter::Antialiasing);
    const QColor arrow(0, 120, 0);
    p.setPen(QPen(arrow, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(11, 10), QPointF(11, 3));
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    const QPointF head[] = { { 11, 0 }, { 15, 4.5 }, { 7, 4.5 } };
    p.drawPolygon(head, 3);
    return pixmap;
}

QPixmap newFolderPicture()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    drawFolder(p);
    // A four-pointed spark above the folder's right edge.
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(12, 4);
    QPainterPath spark;
    spark.moveTo(centre + QPointF(0, -4));
    spark.lineTo(centre + QPointF(1, -1));
    spark.lineTo(centre + QPointF(4, 0));
    spark.lineTo(centre + QPointF(1, 1));
    spark.lineTo(centre + QPointF(0, 4));
    spark.lineTo(centre + QPointF(-1, 1));
    spark.lineTo(centre + QPointF(-4, 0));
    spark.lineTo(centre + QPointF(-1, -1));
    spark.closeSubpath();
    p.setPen(QPen(QColor(200, 120, 0), 0.8));
    p.setBrush(QColor(255, 240, 60));
    p.drawPath(spark);
    return pixmap;
}

} // namespace backupdir
