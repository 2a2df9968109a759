#include "commands/InstantFile.h"

#include "state/SharedState.h"
#include "compose/ColorValue.h"
#include "compose/CrawlSettings.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"

#include <QRegularExpression>

namespace qvic {
namespace {

// The background field as a signed 32-bit whole number, written the way the
// players expect: upper-case hexadecimal, at least six digits.
std::optional<QString> colourDigits(const QString &field)
{
    static const QRegularExpression whole(QStringLiteral(R"(^[+-]?\d+$)"));
    if (!whole.match(field).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = field.toLongLong(&ok);
    if (!ok || value < -2147483648LL || value > 2147483647LL)
        return std::nullopt;
    return color::hex6(quint32(qint32(value)));
}

} // namespace

QDateTime systemClock()
{
    return QDateTime::currentDateTime();
}

QString timeStampLine(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QString::asprintf("Time=%02d/%02d/%04d %02d:%02d:%02d %s", date.month(), date.day(),
                             date.year(), hour12, time.minute(), time.second(),
                             time.hour() < 12 ? "AM" : "PM");
}

bool createInstantFile(const QString &message, const SharedState &state, const Clock &clock,
                       QString *error)
{
    const QString stamp = timeStampLine(clock());
    QString line2 = QStringLiteral("Message=") + message;

    if (message == kStartInstantCrawl) {
        if (state.currentFilePath.isEmpty())
            return failWith(error, QStringLiteral("No crawl document has been saved."));
        const QString settingsPath = instFilePath(state.currentFilePath);
        QString readError;
        const auto read = readSettingsFile(settingsPath, FieldScope::AcrossLines, &readError);
        if (!read)
            return failWith(error, readError);
        const QStringList &fields = *read;
        if (fields.size() < 6)
            return failWith(error, QStringLiteral("%1 holds %2 of the six crawl settings.")
                                   .arg(settingsPath)
                                   .arg(fields.size()));
        const auto colour = colourDigits(fields[5]);
        if (!colour)
            return failWith(error, QStringLiteral("The background colour \"%1\" in %2 is not a "
                                              "whole number.")
                                   .arg(fields[5], settingsPath));
        line2 += u',' + state.currentFileName + u',' + QStringList(fields.mid(0, 5)).join(u',')
                 + u',' + *colour;
    }

    // The player reads each line as a command: no part of one may start another.
    if (hasControlCharacter(line2))
        return failWith(error, QStringLiteral("Cannot write %1: the command would hold a control "
                                              "character.")
                                   .arg(state.instantFile));
    return textfile::replaceFile(state.instantFile, textfile::crlfLines({stamp, line2}), error);
}

bool documentNameFitsCommand(const QString &name)
{
    return !hasControlCharacter(name) && !name.contains(u',') && !name.contains(u'"')
           && !name.contains(u'\\') && win1252::canEncode(name);
}

} // namespace qvic
