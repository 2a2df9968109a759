#pragma once

#include <QByteArray>
#include <QString>

// Players and Windows tools read our text files in the Windows-1252 code page.
namespace qvic::win1252 {

// A character the code page cannot hold becomes "?".
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// The Windows-1252 byte of a character, or -1 when the code page has none.
int byteFor(char32_t code);
// True when every character of the text has a Windows-1252 byte.
bool canEncode(const QString &text);

} // namespace qvic::win1252
