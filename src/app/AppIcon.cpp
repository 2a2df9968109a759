#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qvic {

QImage drawAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;

    // The player's screen.
    QRectF screen(1.5 * unit, 3 * unit, 29 * unit, 22 * unit);
    painter.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.5 * unit));
    painter.setBrush(QColor(0x10, 0x2a, 0x5c));
    painter.drawRoundedRect(screen, 3 * unit, 3 * unit);
    // Its stand.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x30, 0x30, 0x38));
    painter.drawRect(QRectF(13 * unit, 25 * unit, 6 * unit, 3 * unit));
    painter.drawRoundedRect(QRectF(8 * unit, 27.5 * unit, 16 * unit, 2.5 * unit), unit, unit);

    // The crawl: a band across the lower part with text running left.
    painter.setBrush(QColor(0xf5, 0xb8, 0x00));
    painter.drawRect(QRectF(3 * unit, 16 * unit, 26 * unit, 6 * unit));
    painter.setBrush(QColor(0x10, 0x2a, 0x5c));
    for (int i = 0; i < 4; ++i)
        painter.drawRect(QRectF((5 + 6 * i) * unit, 18 * unit, 4 * unit, 2 * unit));
    QPainterPath arrow;
    arrow.moveTo(9 * unit, 7 * unit);
    arrow.lineTo(5 * unit, 10 * unit);
    arrow.lineTo(9 * unit, 13 * unit);
    painter.setPen(QPen(Qt::white, 2 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(arrow);
    painter.drawLine(QPointF(5.5 * unit, 10 * unit), QPointF(26 * unit, 10 * unit));
    painter.end();
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : appIconSizes)
        icon.addPixmap(QPixmap::fromImage(drawAppIcon(size)));
    return icon;
}

} // namespace qvic
