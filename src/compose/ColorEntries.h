#pragma once

#include <QStringList>
#include <QtGlobal>

#include <optional>

// The six entries of the font-colour and background-colour lists.
namespace qvic::colorentries {

constexpr int kCustomColor = 5;

// "Black", "White", "Blue", "Red", "Green", "Custom Color".
const QStringList &names();
// The colour value of entries 0 to 4; nothing for "Custom Color".
std::optional<quint32> valueAt(int index);
// The entry that names a colour value, or -1: never "Custom Color".
int indexOf(quint32 value);

} // namespace qvic::colorentries
