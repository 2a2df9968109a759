#include "platform/Win1252.h"

#include <QList>

#include <array>

namespace qvic::win1252 {
namespace {

// 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

int byteFor(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return int(code);
    for (int i = 0; i < int(kHighControls.size()); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == code)
            return 0x80 + i;
    return -1;
}

QByteArray encode(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (char32_t code : text.toUcs4()) {
        const int b = byteFor(code);
        bytes.append(b < 0 ? '?' : char(b));
    }
    return bytes;
}

QString decode(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0 && kHighControls[b - 0x80] != 0)
            text.append(QChar(kHighControls[b - 0x80]));
        else
            text.append(QChar(b)); // undefined bytes pass through as C1 controls
    }
    return text;
}

bool canEncode(const QString &text)
{
    for (char32_t code : text.toUcs4())
        if (byteFor(code) < 0)
            return false;
    return true;
}

} // namespace qvic::win1252
