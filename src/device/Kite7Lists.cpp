#include "device/Kite7Lists.h"

#include "platform/Numbers.h"

namespace qvic::kite7lists {
namespace {

QStringList numbered(int first, int last, const QString &prefix = QString())
{
    QStringList items;
    items.reserve(last - first + 1);
    for (int n = first; n <= last; ++n)
        items << prefix + QString::number(n);
    return items;
}

} // namespace

QStringList comPorts()
{
    return numbered(1, 8);
}

QStringList speeds()
{
    return {QStringLiteral("Slow"), QStringLiteral("Med"), QStringLiteral("Fast")};
}

QStringList positions()
{
    return numbered(40, 218);
}

QStringList repetitions()
{
    return numbered(1, 127) << QStringLiteral("Infinite");
}

QStringList colors()
{
    // The device's own names, spelling included: the operators know them so.
    return {QStringLiteral("Black"),        QStringLiteral("Blue"),
            QStringLiteral("Red"),          QStringLiteral("Magneta"),
            QStringLiteral("Green"),        QStringLiteral("Cyan"),
            QStringLiteral("Dull Yellow"),  QStringLiteral("Gray"),
            QStringLiteral("No Background Color (Video)"),
            QStringLiteral("Bright Blue"),  QStringLiteral("Bright Red"),
            QStringLiteral("Bright Magneta"), QStringLiteral("Bright Green"),
            QStringLiteral("Bright Cyan"),  QStringLiteral("Yellow"),
            QStringLiteral("White")};
}

QStringList fonts()
{
    return numbered(1, 4, QStringLiteral("Font "));
}

QString positionText(int index)
{
    return QString::number(index + 1);
}

int indexOfPosition(const QString &kept, int count)
{
    const double number = numbers::leadingNumber(kept);
    if (!(number >= 1 && number < count + 1))
        return -1;
    return int(number) - 1;
}

} // namespace qvic::kite7lists
