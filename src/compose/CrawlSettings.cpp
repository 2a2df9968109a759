#include "compose/CrawlSettings.h"

#include "state/SharedState.h"
#include "compose/ColorValue.h"
#include "platform/Numbers.h"
#include "platform/QuotedFields.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"

#include <QFileInfo>

#include <cmath>

namespace qvic {
namespace {

using numbers::fieldNumber;
using numbers::generalNumber;
using numbers::leadingNumber;

// A double carries binary noise below its 15th significant digit (1/600 * 10000
// is 16.666666666666668, 0.015 * 100 is 1.4999999999999998). The settings are
// decimal texts, so halves are judged on the value's 15-digit decimal form.
double decimalValue(double value)
{
    return QString::number(value, 'g', 15).toDouble();
}

// The value with exactly `decimals` decimals, halves rounded away from zero,
// one integer digit at least, "." as decimal point.
QString fixedText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double scaled = std::round(decimalValue(value * scale)); // std::round: halves away
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 1e15)
        return QString::number(value, 'f', decimals);
    const auto units = qint64(std::fabs(scaled));
    const auto whole = qint64(scale);
    QString text = QString::number(units / whole);
    if (decimals > 0)
        text += u'.' + QStringLiteral("%1").arg(units % whole, decimals, 10, QLatin1Char('0'));
    return units != 0 && scaled < 0 ? u'-' + text : text; // never "-0.00"
}

// Halves to the even neighbour, judged on the decimal form; unset beyond 32 bits.
std::optional<qint64> wholeNumber(double value)
{
    const double rounded = std::nearbyint(decimalValue(value));
    if (!std::isfinite(rounded) || rounded < -2147483648.0 || rounded > 2147483647.0)
        return std::nullopt;
    return qint64(rounded);
}

} // namespace

QString CrawlSettingsFields::line() const
{
    return QStringList{dwell, colorKey, transparency, speed, location, backColor}.join(u',');
}

CrawlSettings LoadedCrawlSettings::appliedTo(const CrawlSettings &before) const
{
    CrawlSettings after = before;
    if (refusal)
        return after;
    if (dwell)
        after.dwell = *dwell;
    after.colorKey = colorKey;
    after.transparency = transparency;
    after.speed = speed;
    if (location)
        after.location = *location;
    if (backColor)
        after.backColor = *backColor;
    after.transparent = transparent;
    if (transparent && (!before.transparent || after.colorKey.isEmpty()))
        after.colorKey = color::hex6(after.backColor);
    else if (!transparent && before.transparent)
        after.colorKey.clear();
    return after;
}

QString instFilePath(const QString &documentPath)
{
    return documentPath.left(std::max<qsizetype>(0, documentPath.size() - 3))
           + QStringLiteral("inst");
}

QString fixDecimalPoint(const QString &text)
{
    if (text.mid(1, 1) == QStringLiteral("."))
        return text;
    return text.left(1) + u'.' + text.mid(2);
}

CrawlSettingsFields settingsFields(const CrawlSettings &settings, double screenHeight)
{
    CrawlSettingsFields fields;
    fields.dwell = generalNumber(leadingNumber(settings.dwell) * 60);
    fields.colorKey = settings.transparent ? QStringLiteral("0x") + settings.colorKey
                                           : QStringLiteral("none");

    const double transparency = leadingNumber(settings.transparency);
    fields.transparency = transparency >= 0 && transparency <= 100
                              ? fixDecimalPoint(fixedText(transparency / 100, 2))
                              : QStringLiteral("0.0");

    fields.speed = settings.speed;

    // With no screen height there is no fraction to form; the field stays empty.
    const double location = leadingNumber(settings.location);
    if (!(location >= 0 && location <= screenHeight))
        fields.location = QStringLiteral("1.0");
    else if (screenHeight != 0)
        fields.location = fixDecimalPoint(fixedText(location / screenHeight, 4));

    fields.backColor = QString::number(settings.backColor);
    return fields;
}

namespace {

// The settings file's bytes, its fields and line left in the state's settings* fields.
QByteArray settingsFileBytes(const CrawlSettings &settings, double screenHeight, SharedState &state)
{
    const CrawlSettingsFields fields = settingsFields(settings, screenHeight);
    state.settingsDwell = fields.dwell;
    state.settingsColorKey = fields.colorKey;
    state.settingsTransparency = fields.transparency;
    state.settingsSpeed = fields.speed;
    state.settingsLocation = fields.location;
    state.settingsBackColor = fields.backColor;
    state.settingsLine = fields.line();
    return textfile::crlfLines({state.settingsLine});
}

} // namespace

bool saveInstFile(const QString &documentPath, const CrawlSettings &settings, double screenHeight,
                  SharedState &state, QString *error)
{
    return textfile::replaceFile(instFilePath(documentPath), settingsFileBytes(settings, screenHeight, state),
                                 error);
}

bool saveCrawl(const QString &documentPath, const QByteArray &document, const CrawlSettings &settings,
               double screenHeight, SharedState &state, QString *error)
{
    // The document goes last: only the files before it are held in memory to be put back.
    return textfile::replaceFiles({{instFilePath(documentPath), settingsFileBytes(settings, screenHeight, state)},
                                   {documentPath, document}},
                                  error);
}

std::optional<QStringList> readSettingsFile(const QString &settingsPath, FieldScope scope,
                                            QString *error)
{
    const auto bytes = textfile::readFile(settingsPath, error, textfile::kSmallFileLimit);
    if (!bytes)
        return std::nullopt;
    const auto lines = scope == FieldScope::FirstLine ? quotedfields::Lines::First
                                                      : quotedfields::Lines::All;
    QStringList fields = quotedfields::read(win1252::decode(*bytes),
                                            quotedfields::Blanks::AroundField, lines, 6);
    for (const QString &field : fields) {
        if (hasControlCharacter(field)) {
            failWith(error, QStringLiteral("Cannot use %1: a crawl setting in it holds a control "
                                           "character.")
                                .arg(settingsPath));
            return std::nullopt;
        }
        if (field.size() > kMaxSettingsField) {
            failWith(error, QStringLiteral("Cannot use %1: a crawl setting in it is longer than "
                                           "%2 characters.")
                                .arg(settingsPath)
                                .arg(kMaxSettingsField));
            return std::nullopt;
        }
    }
    return fields;
}

LoadedCrawlSettings loadInstFile(const QString &documentPath, double screenHeight)
{
    const QString path = instFilePath(documentPath);
    QStringList field;
    if (QFileInfo::exists(path)) {
        QString error;
        const auto read = readSettingsFile(path, FieldScope::FirstLine, &error);
        if (!read) {
            LoadedCrawlSettings refused;
            refused.refusal = error;
            return refused;
        }
        field = *read;
    }
    while (field.size() < 6)
        field.append(QString());

    LoadedCrawlSettings loaded;
    if (const auto seconds = fieldNumber(field[0]))
        loaded.dwell = generalNumber(*seconds / 60);

    loaded.colorKey = field[1];
    if (loaded.colorKey.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        loaded.colorKey.remove(0, 2);

    const auto fraction = fieldNumber(field[2]);
    loaded.transparency = fraction ? generalNumber(*fraction * 100) : field[2];

    loaded.speed = field[3];

    if (const auto row = wholeNumber(leadingNumber(field[4]) * screenHeight))
        loaded.location = QString::number(*row);

    if (const auto colour = wholeNumber(leadingNumber(field[5])); colour && *colour >= 0
                                                                  && *colour <= 0xFFFFFF)
        loaded.backColor = quint32(*colour);

    loaded.transparent = loaded.colorKey.compare(QStringLiteral("none"), Qt::CaseInsensitive) != 0;
    return loaded;
}

} // namespace qvic
