#pragma once

#include <QString>

#include <optional>

namespace qvic::numbers {

// The number a text starts with, read as settings files written by existing
// installations need: blanks (space, tab, CR, LF) are ignored wherever they stand, then an
// optional sign, digits, a decimal point and an exponent (E or D). A text with
// no leading number gives 0, and so does a number too large for a double.
double leadingNumber(const QString &text);

// The number a whole field holds, blanks (space, tab) around it aside: an
// optional sign, digits with at most one decimal point, an optional exponent
// (E or D) with digits. Nothing for any other text or a number too large for a
// double. Read in one pass, however long the field.
std::optional<double> fieldNumber(const QString &field);

// The shortest text of a number with at most 15 significant digits:
// 1024.5, 600, 0.0017, 1E+15, 1E-05. Negative zero reads "0".
QString generalNumber(double value);

} // namespace qvic::numbers
