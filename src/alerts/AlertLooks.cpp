#include "alerts/AlertLooks.h"

#include "compose/ColorValue.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>

#include <optional>

namespace qvic {
namespace {

constexpr quint32 kBlack = 0x000000;
constexpr quint32 kWhite = 0xFFFFFF;
constexpr quint32 kRed = 0x0000FF;   // 0x00BBGGRR
constexpr quint32 kAmber = 0x00BFFF; // FFBF00 as people write it

AlertLook editorLook()
{
    AlertLook look;
    look.settings.dwell = QStringLiteral("60");
    look.settings.transparency = QStringLiteral("0");
    look.settings.speed = QStringLiteral("3");
    look.settings.location = QStringLiteral("0");
    look.settings.backColor = kBlack;
    look.fontFamily = QStringLiteral("Times New Roman");
    look.pointSize = 30;
    look.textColor = kWhite;
    look.bold = true;
    return look;
}

AlertLook lookOn(quint32 background, quint32 text)
{
    AlertLook look = editorLook();
    look.settings.backColor = background;
    look.textColor = text;
    return look;
}

const QStringList &sectionNames()
{
    // CapSeverity's order, then the section that stands for all of them.
    static const QStringList names{"Extreme", "Severe", "Moderate", "Minor", "Unknown", "Default"};
    return names;
}
constexpr int kDefaultSection = 5;

const QStringList &keyNames()
{
    static const QStringList names{"Dwell", "Background", "Transparent", "Transparency", "Speed",
                                   "Location",  "TextColor",  "Bold",         "Font",  "Size"};
    return names;
}

qsizetype indexWithoutCase(const QStringList &names, const QString &name)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

struct Entry
{
    QString key; // as keyNames() spells it
    QString value;
    int line = 0;
};

std::optional<qint64> wholeNumberIn(const QString &value, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!ok || number < low || number > high)
        return std::nullopt;
    return number;
}

// RRGGBB, as people write colours, to the program's 0x00BBGGRR.
std::optional<quint32> colourValue(const QString &value)
{
    static const QRegularExpression sixDigits(QStringLiteral("^#?([0-9A-Fa-f]{6})$"));
    const QRegularExpressionMatch match = sixDigits.match(value);
    if (!match.hasMatch())
        return std::nullopt;
    const quint32 rgb = match.captured(1).toUInt(nullptr, 16);
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

std::optional<bool> yesOrNo(const QString &value)
{
    const QString word = value.toLower();
    if (word == u"yes" || word == u"true" || word == u"1")
        return true;
    if (word == u"no" || word == u"false" || word == u"0")
        return false;
    return std::nullopt;
}

// Puts one key's value into the look; what a valid value looks like when it is none.
std::optional<QString> apply(AlertLook &look, const Entry &entry)
{
    const QString &key = entry.key;
    const QString &value = entry.value;
    if (key == u"Dwell") {
        const auto minutes = wholeNumberIn(value, 1, 1440);
        if (!minutes)
            return QStringLiteral("whole minutes from 1 to 1440");
        look.settings.dwell = QString::number(*minutes);
    } else if (key == u"Background" || key == u"TextColor") {
        const auto colour = colourValue(value);
        if (!colour)
            return QStringLiteral("six hexadecimal digits RRGGBB, like FFBF00");
        (key == u"Background" ? look.settings.backColor : look.textColor) = *colour;
    } else if (key == u"Transparent" || key == u"Bold") {
        const auto on = yesOrNo(value);
        if (!on)
            return QStringLiteral("yes or no");
        (key == u"Bold" ? look.bold : look.settings.transparent) = *on;
    } else if (key == u"Transparency") {
        const auto percent = wholeNumberIn(value, 0, 100);
        if (!percent)
            return QStringLiteral("a whole percentage from 0 to 100");
        look.settings.transparency = QString::number(*percent);
    } else if (key == u"Speed") {
        const auto speed = wholeNumberIn(value, -8, 8);
        if (!speed)
            return QStringLiteral("a whole number from -8 to 8");
        look.settings.speed = QString::number(*speed);
    } else if (key == u"Location") {
        const auto pixels = wholeNumberIn(value, 0, 100000);
        if (!pixels)
            return QStringLiteral("whole pixels from the top, 0 or more");
        look.settings.location = QString::number(*pixels);
    } else if (key == u"Font") {
        if (value.isEmpty() || value.size() > 64 || hasControlCharacter(value))
            return QStringLiteral("a font family name of at most 64 characters");
        look.fontFamily = value;
    } else if (key == u"Size") {
        const auto points = wholeNumberIn(value, 1, 1638);
        if (!points)
            return QStringLiteral("whole points from 1 to 1638");
        look.pointSize = double(*points);
    }
    return std::nullopt;
}

QString atLine(const QString &path, int line)
{
    return QStringLiteral("%1, line %2").arg(QDir::toNativeSeparators(path)).arg(line);
}

} // namespace

AlertLooks::AlertLooks()
    : m_looks{lookOn(kRed, kWhite), lookOn(kRed, kWhite), lookOn(kAmber, kBlack), editorLook(), editorLook()}
{
}

QString AlertLooks::defaultPath(const QString &appDir)
{
    return QDir(appDir).filePath(QStringLiteral("alert-looks.ini"));
}

const AlertLook &AlertLooks::lookFor(CapSeverity severity) const
{
    return m_looks[std::size_t(severity)];
}

std::variant<AlertLooks, QString> AlertLooks::read(const QString &path)
{
    QString error;
    const auto read = textfile::readUtf8File(path, &error);
    if (!read)
        return QStringLiteral("the looks file: %1").arg(error);
    const QString &text = *read;

    QList<QHash<QString, Entry>> sections(sectionNames().size()); // by lower-case key
    int section = -1;
    const QStringList lines = text.split(u'\n');
    for (int number = 1; number <= lines.size(); ++number) {
        const QString line = lines[number - 1].trimmed(); // drops a CR too
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            section = int(indexWithoutCase(sectionNames(), name));
            if (section < 0)
                return QStringLiteral("%1: [%2] is no section of a looks file (%3)")
                    .arg(atLine(path, number), name, sectionNames().join(QStringLiteral(", ")));
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            return QStringLiteral("%1: \"%2\" is neither a [section] nor KEY = VALUE").arg(atLine(path, number), line);
        const QString key = line.left(equals).trimmed();
        const qsizetype known = indexWithoutCase(keyNames(), key);
        if (known < 0)
            return QStringLiteral("%1: %2 is no key of a look (%3)")
                .arg(atLine(path, number), key, keyNames().join(QStringLiteral(", ")));
        if (section < 0)
            return QStringLiteral("%1: %2 stands before any [section]").arg(atLine(path, number), key);
        sections[section].insert(key.toLower(), {keyNames()[known], line.mid(equals + 1).trimmed(), number});
    }

    AlertLooks looks;
    for (int severity = 0; severity < kDefaultSection; ++severity) {
        AlertLook &look = looks.m_looks[std::size_t(severity)];
        for (const QString &key : keyNames()) {
            const QString folded = key.toLower();
            const auto own = sections[severity].constFind(folded);
            const auto shared = sections[kDefaultSection].constFind(folded);
            const Entry *entry = own != sections[severity].cend()                 ? &*own
                                 : shared != sections[kDefaultSection].cend() ? &*shared
                                                                                  : nullptr;
            if (!entry)
                continue;
            if (const auto wanted = apply(look, *entry))
                return QStringLiteral("%1: %2 = %3 is not %4")
                    .arg(atLine(path, entry->line), entry->key, entry->value, *wanted);
        }
        // As the window's Transparent box does: the key colour is the background's.
        look.settings.colorKey = look.settings.transparent ? color::hex6(look.settings.backColor) : QString();
    }
    return looks;
}

} // namespace qvic
