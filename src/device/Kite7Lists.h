#pragma once

#include <QString>
#include <QStringList>

// The fixed lists of the Kite-7 settings and how a choice in them is kept.
// A numbered setting keeps the chosen entry's 1-based position ("1" for the
// first entry); the speed and the position keep the entry's own text.
namespace qvic::kite7lists {

// "1" to "8".
QStringList comPorts();
// "Slow", "Med", "Fast".
QStringList speeds();
// "40" to "218": the device's crawl line.
QStringList positions();
// "1" to "127", then "Infinite" (kept as "128").
QStringList repetitions();
// The device's sixteen colours, the same list for the banner and the font.
QStringList colors();
// "Font 1" to "Font 4".
QStringList fonts();

// What choosing the entry at 0-based index keeps: "1" for the first entry.
QString positionText(int index);
// The 0-based entry a kept position selects in a list of count entries, or -1
// when the kept text names no entry of it.
int indexOfPosition(const QString &kept, int count);


} // namespace qvic::kite7lists
