#include "cli/SendReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace qvic::cli {
namespace {

using State = PlayerResult::State;

// The transfer words keep the window's line breaks; a line of output holds them as spaces.
QString oneLine(QString words)
{
    words.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    words.replace(u'\n', u' ');
    words.replace(u'\r', u' ');
    return words;
}

qsizetype count(const QList<PlayerResult> &players, bool failed)
{
    return std::count_if(players.begin(), players.end(),
                         [failed](const PlayerResult &p) { return (p.state == State::Failed) == failed; });
}

} // namespace

QString playerLine(const PlayerResult &player)
{
    QString outcome = playerStateWords(player.state);
    if (player.state == State::Failed)
        outcome += QStringLiteral(": ") + oneLine(player.words);
    else if (player.state == State::Delivered)
        outcome += QStringLiteral(", %1 bytes verified").arg(player.bytesVerified);
    if (!player.note.isEmpty())
        outcome += QStringLiteral(", ") + player.note;
    return QStringLiteral("%1: %2 (%3 s)").arg(player.player, outcome).arg(player.seconds, 0, 'f', 1);
}

QString summaryLine(const QString &action, const QList<PlayerResult> &players)
{
    const qsizetype failed = count(players, true);
    QString line = QStringLiteral("%1 sent to %2 %3: %4 delivered")
                       .arg(action)
                       .arg(players.size())
                       .arg(players.size() == 1 ? QStringLiteral("player") : QStringLiteral("players"))
                       .arg(players.size() - failed);
    if (failed)
        line += QStringLiteral(", %1 failed").arg(failed);
    return line + u'.';
}

QJsonObject sendObject(const QString &command, const QString &crawl, bool kite7, const QList<PlayerResult> &players)
{
    QJsonArray each;
    for (const PlayerResult &player : players)
        each.append(QJsonObject{{"address", player.player},
                                {"outcome", playerStateWords(player.state)},
                                {"error", player.state == State::Failed ? player.words : QString()},
                                {"note", player.note},
                                {"bytesVerified", player.bytesVerified},
                                {"seconds", std::round(player.seconds * 1000) / 1000}});
    QJsonObject all{{"command", command},
                    {"kite7", kite7},
                    {"players", each},
                    {"delivered", count(players, false)},
                    {"failed", count(players, true)}};
    if (!crawl.isEmpty())
        all.insert(QStringLiteral("crawl"), crawl);
    return all;
}

QByteArray sendJson(const QString &command, const QString &crawl, bool kite7, const QList<PlayerResult> &players)
{
    return QJsonDocument(sendObject(command, crawl, kite7, players)).toJson(QJsonDocument::Compact) + '\n';
}

int sendStatus(const QList<PlayerResult> &players)
{
    return count(players, true) ? 2 : 0;
}

} // namespace qvic::cli
