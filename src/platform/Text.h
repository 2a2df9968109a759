#pragma once

#include <QString>

namespace qvic {

// The text without its leading and trailing space characters; tabs and line
// breaks stay, as the program has always trimmed.
QString trimSpaces(const QString &text);

} // namespace qvic
