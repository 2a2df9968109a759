#pragma once

#include "alerts/CapAlert.h"
#include "compose/CrawlSettings.h"

#include <QString>

#include <array>
#include <variant>

namespace qvic {

// How a crawl made from an alert looks: the six presentation settings of any
// crawl, and the one font, size, colour and weight of its text.
struct AlertLook
{
    CrawlSettings settings;
    QString fontFamily;
    double pointSize = 30;
    quint32 textColor = 0xFFFFFF; // a colour value, 0x00BBGGRR
    bool bold = true;
};

// A look for each CAP severity, read from a looks file or built in.
//
// The looks file is INI text in UTF-8: a section per severity ([Extreme],
// [Severe], [Moderate], [Minor], [Unknown]) and [Default], whose keys stand for
// every severity's own where that leaves them out. Keys: Dwell (minutes),
// Background and TextColor (six hexadecimal digits RRGGBB, as people write
// colours), Transparent and Bold (yes or no), Transparency (percent), Speed
// (-8 to 8), Location (pixels from the top), Font (a family name), Size
// (points). A key given nowhere keeps the built-in look's value. Lines starting
// with ';' or '#' are comments; sections and keys are matched without case.
class AlertLooks
{
public:
    // Extreme and Severe white bold on red, Moderate black bold on amber
    // (FFBF00), Minor and Unknown as the window's editor starts: white bold
    // Times New Roman 30 on black, dwell 60 minutes, speed 3, at the top.
    AlertLooks();

    // The looks of the file at path; its refusal names the file, the line and
    // the key: an unknown section or key, a value out of range, a line that is
    // no "key = value", a file that cannot be read or is no UTF-8.
    static std::variant<AlertLooks, QString> read(const QString &path);

    const AlertLook &lookFor(CapSeverity severity) const;

    // The file the program reads when none is named: AppDir/alert-looks.ini.
    static QString defaultPath(const QString &appDir);

private:
    std::array<AlertLook, 5> m_looks; // in CapSeverity's order
};

} // namespace qvic
