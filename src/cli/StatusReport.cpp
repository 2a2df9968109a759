#include "cli/StatusReport.h"

#include "dispatch/SendLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <algorithm>

namespace qvic::cli {
namespace {

QString oneLine(QString words)
{
    return words.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(u'\n', u' ').replace(u'\r', u' ');
}

QJsonValue timeOrNull(const std::optional<QDateTime> &when)
{
    return when ? QJsonValue(SendLog::timeWords(*when)) : QJsonValue(QJsonValue::Null);
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(oneLine(text));
}

} // namespace

QString statusLine(const PlayerStatus &status)
{
    QString line = status.player + QStringLiteral(": ") + statusStateWords(status.state);
    if (status.state == PlayerStatus::State::Unreachable)
        return line + QStringLiteral(": ") + oneLine(status.error);
    if (!status.document.isEmpty())
        line += u' ' + status.document;
    if (status.since)
        line += QStringLiteral(" since ") + SendLog::timeWords(*status.since);
    if (status.until)
        line += QStringLiteral(" until ") + SendLog::timeWords(*status.until);
    for (const QString &words : {status.details, status.differsFromLastSend})
        if (!words.isEmpty())
            line += QStringLiteral("; ") + oneLine(words);
    return line;
}

QString statusSummary(const QList<PlayerStatus> &statuses)
{
    QMap<PlayerStatus::State, int> counts;
    for (const PlayerStatus &status : statuses)
        ++counts[status.state];
    QStringList parts;
    for (auto count = counts.cbegin(); count != counts.cend(); ++count)
        parts << QStringLiteral("%1 %2").arg(count.value()).arg(statusStateWords(count.key()));
    return QStringLiteral("Status of %1 %2: %3.")
        .arg(statuses.size())
        .arg(statuses.size() == 1 ? QStringLiteral("player") : QStringLiteral("players"), parts.join(QLatin1String(", ")));
}

QByteArray statusJson(const QList<PlayerStatus> &statuses)
{
    QJsonArray players;
    for (const PlayerStatus &status : statuses)
        players.append(QJsonObject{{"address", status.player},
                                   {"state", statusStateWords(status.state)},
                                   {"document", textOrNull(status.document)},
                                   {"since", timeOrNull(status.since)},
                                   {"until", timeOrNull(status.until)},
                                   {"details", textOrNull(status.details)},
                                   {"differsFromLastSend", textOrNull(status.differsFromLastSend)},
                                   {"error", textOrNull(status.error)}});
    return QJsonDocument(QJsonObject{{"command", "status"}, {"players", players}}).toJson(QJsonDocument::Compact) + '\n';
}

int statusExit(const QList<PlayerStatus> &statuses)
{
    const bool allAnswered = std::none_of(statuses.cbegin(), statuses.cend(), [](const PlayerStatus &status) {
        return status.state == PlayerStatus::State::Unreachable;
    });
    return allAnswered ? 0 : 2;
}

} // namespace qvic::cli
