#include "compose/ColorEntries.h"

#include <array>

namespace qvic::colorentries {
namespace {

// 0x00BBGGRR: black, white, blue, red, green.
constexpr std::array<quint32, 5> kValues = {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF, 0x00FF00};

} // namespace

const QStringList &names()
{
    static const QStringList entries = {QStringLiteral("Black"), QStringLiteral("White"),
                                        QStringLiteral("Blue"),  QStringLiteral("Red"),
                                        QStringLiteral("Green"), QStringLiteral("Custom Color")};
    return entries;
}

std::optional<quint32> valueAt(int index)
{
    if (index < 0 || index >= int(kValues.size()))
        return std::nullopt;
    return kValues[std::size_t(index)];
}

int indexOf(quint32 value)
{
    for (std::size_t i = 0; i < kValues.size(); ++i)
        if (kValues[i] == value)
            return int(i);
    return -1;
}

} // namespace qvic::colorentries
