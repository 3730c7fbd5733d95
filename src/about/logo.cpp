#include "about/logo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace about
{

QPixmap makerLogo()
{
    constexpr int width = 67;
    constexpr int height = 143;
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(24, 36, 104));
    sky.setColorAt(1, QColor(18, 128, 146));
    p.fillRect(0, 0, width, height, sky);

    // The mark: a ring with a tail, the Q of the name, over a small rising sun.
    const QPointF centre(width / 2.0, 33);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 196, 60));
    p.drawEllipse(centre, 9, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 5.5, Qt::SolidLine, Qt::RoundCap));
    p.drawEllipse(centre, 19, 19);
    p.drawLine(centre + QPointF(9, 9), centre + QPointF(22, 22));

    // The name, written upwards along the picture.
    p.save();
    p.translate(width / 2.0, height - 6);
    p.rotate(-90);
    QFont nameFont(QStringLiteral("DejaVu Sans"));
    nameFont.setStyleHint(QFont::SansSerif);
    nameFont.setBold(true);
    nameFont.setPixelSize(12);
    nameFont.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    p.setFont(nameFont);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, -19, 84, 17), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("QUORVANE"));
    QFont smallFont = nameFont;
    smallFont.setBold(false);
    smallFont.setPixelSize(9);
    smallFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(smallFont);
    p.setPen(QColor(200, 230, 240));
    p.drawText(QRectF(0, 2, 84, 14), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("SOFTWARE"));
    p.restore();
    return pixmap;
}

} // namespace about
