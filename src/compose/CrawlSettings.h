#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace qvic {

struct SharedState;

// The six presentation settings of a crawl as the main window's controls hold
// them: texts exactly as typed or chosen, and the editor's background colour.
struct CrawlSettings
{
    QString dwell;            // m_dwellBox, minutes
    bool transparent = false; // m_transparentBox: the background is the crawl's colour key
    QString colorKey;         // m_colorKeyBox, six hexadecimal digits BBGGRR
    QString transparency;     // m_transparencyBox, percent 0 to 100
    QString speed;            // m_speedList's text
    QString location;         // m_locationBox, pixels from the top, 0 to the screen height
    quint32 backColor = 0;    // the editor's background, a colour value 0x00BBGGRR
};

// The six fields of a settings line, as they are written.
struct CrawlSettingsFields
{
    QString dwell;        // seconds
    QString colorKey;     // "0x" and the key, or "none"
    QString transparency; // fraction with two decimals, or "0.0"
    QString speed;        // the speed text unchanged
    QString location;     // fraction of the screen height with four decimals, or "1.0"
    QString backColor;    // decimal colour value

    // The fields joined by ",", without the line end.
    QString line() const;
};

// What a settings file tells the six controls. An unset member means the file
// gave nothing usable for it and the control keeps what it shows.
struct LoadedCrawlSettings
{
    std::optional<QString> dwell; // unset when field 1 is not a number
    QString colorKey;             // field 2 without a leading "0x"
    QString transparency;
    QString speed;
    std::optional<QString> location;  // unset when the pixel row is beyond a whole number
    std::optional<quint32> backColor; // unset when field 6 is no colour value
    bool transparent = false;         // false only for a key field "none" in any case
    // Why the settings file was refused, naming it; a refused file changes no control.
    std::optional<QString> refusal;

    // The controls after the load, starting from what they showed before it.
    // Changing the Transparency box runs its own action: ticking takes the
    // background's digits as the key, clearing empties the key. A box left
    // ticked with no key also takes the background's digits, so a later save
    // never writes a bare "0x".
    CrawlSettings appliedTo(const CrawlSettings &before) const;
};

// The settings file beside a crawl document: the document path less its last
// three characters, then "inst" (Lobby.rtf gives Lobby.inst, Notice gives Notinst).
QString instFilePath(const QString &documentPath);

// Makes the second character a ".", for a formatted number with one integer
// digit: 0,25 becomes 0.25, and 0.25 stays as it is.
QString fixDecimalPoint(const QString &text);

// The settings line's fields for the given settings and player screen height.
CrawlSettingsFields settingsFields(const CrawlSettings &settings, double screenHeight);

// Builds the settings line, leaves its six fields and the line in the state's
// settings* fields and replaces the settings file of documentPath (Windows-1252,
// CR LF) atomically. False, with the reason in *error, when the file cannot be
// written; the state is filled all the same.
bool saveInstFile(const QString &documentPath, const CrawlSettings &settings, double screenHeight,
                  SharedState &state, QString *error = nullptr);

// Saves a crawl: the document's bytes at documentPath and its settings file
// beside it, both or neither, so a document never goes out with another's
// settings. The state is filled as saveInstFile fills it. False, with the
// reason naming the file in *error, when either cannot be written; then both
// files are as they were.
bool saveCrawl(const QString &documentPath, const QByteArray &document, const CrawlSettings &settings,
               double screenHeight, SharedState &state, QString *error = nullptr);

// Settings fields are read as settings files written by existing installations
// need: fields end at a comma or a line end, blanks around a field are
// dropped, and a field in double quotes loses its quotes (and may hold commas).
// FirstLine stops at the end of the first line; AcrossLines reads on.
enum class FieldScope { FirstLine, AcrossLines };

// No setting the program writes comes near this; a longer field is no settings file's.
inline constexpr int kMaxSettingsField = 255;

// The first six fields of a settings file. Nothing, with the reason naming the
// file, when it cannot be read (missing, not a regular file, larger than the
// small-file limit) or a field holds a control character (a line break would
// become a line of its own in the player's command file) or is longer than
// kMaxSettingsField characters.
std::optional<QStringList> readSettingsFile(const QString &settingsPath, FieldScope scope,
                                            QString *error = nullptr);

// The controls' new values from the settings file of documentPath. A missing
// file gives every field its fallback; a file readSettingsFile refuses gives
// the refusal and changes nothing.
LoadedCrawlSettings loadInstFile(const QString &documentPath, double screenHeight);

} // namespace qvic
