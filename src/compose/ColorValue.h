#pragma once

#include <QColor>
#include <QString>
#include <QtGlobal>

// A colour value holds a 24-bit colour as 0x00BBGGRR, red in the low byte, as
// players and settings files carry it (blue is 16711680, red 255).
namespace qvic::color {

// Upper-case hexadecimal digits, zero-filled on the left to six, so they read
// BBGGRR: white FFFFFF, red 0000FF, green 00FF00.
QString hex6(quint32 value);

quint32 fromQColor(const QColor &colour);
QColor toQColor(quint32 value);

} // namespace qvic::color
