#include "platform/ScreenSize.h"

#include "platform/Numbers.h"
#include "platform/ProfileString.h"

namespace qvic {

ScreenSize readScreenSize(const QString &iniFile)
{
    const QString width = profile::getString(iniFile, QStringLiteral("RESOLUTION"),
                                             QStringLiteral("width"), 10);
    if (width.isEmpty())
        return {};
    const double value = numbers::leadingNumber(width);
    return {value, value * 3 / 4};
}

} // namespace qvic
