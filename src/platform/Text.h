#pragma once

#include <QString>

namespace qvic {

// The text without its leading and trailing space characters; tabs and line
// breaks stay: they are no padding but part of the text, for the field's own check to judge.
QString trimSpaces(const QString &text);

// True when the text holds a control character (C0, DEL or C1): a line break,
// a tab or a NUL has no place in a single-line field of our files.
bool hasControlCharacter(const QString &text);

// Puts the reason where the caller wants it (when it does) and returns false,
// so a failing step reads `return failWith(error, reason);`.
bool failWith(QString *error, const QString &reason);

} // namespace qvic
