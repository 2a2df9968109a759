#pragma once

#include <QByteArray>
#include <QString>

// Players and Windows tools read our text files in the Windows-1252 code page.
namespace qvic::win1252 {

// A character the code page cannot hold becomes "?".
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// True when every character of the text has a Windows-1252 byte.
bool canEncode(const QString &text);

} // namespace qvic::win1252
