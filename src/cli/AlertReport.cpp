#include "cli/AlertReport.h"

#include "cli/SendReport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace qvic::cli {
namespace {

QString actionWord(AlertAction action)
{
    switch (action) {
    case AlertAction::Start:
        return QStringLiteral("start");
    case AlertAction::Stop:
        return QStringLiteral("stop");
    case AlertAction::None:
        break;
    }
    return QStringLiteral("none");
}

QString sentence(const QString &words)
{
    return words.isEmpty() ? words : words.front().toUpper() + words.mid(1) + u'.';
}

} // namespace

QString alertLine(const CapAlert &alert, const AlertDecision &decision, const QList<PlayerResult> &players)
{
    const QString kind = decision.severity ? capWord(*decision.severity) + QStringLiteral(", ") + capWord(alert.status)
                                           : capWord(alert.status);
    const QString head = QStringLiteral("Alert %1 (%2): ").arg(alert.identifier, kind);
    if (decision.action == AlertAction::None)
        return head + QStringLiteral("nothing sent: %1.").arg(decision.reason);
    const QString action = decision.action == AlertAction::Start ? QStringLiteral("Start") : QStringLiteral("Stop");
    const QString summary = head + summaryLine(action, players);
    return decision.reason.isEmpty() ? summary : summary + u' ' + sentence(decision.reason);
}

QByteArray alertJson(const CapAlert &alert, const AlertDecision &decision, const QList<PlayerResult> &players)
{
    const bool start = decision.action == AlertAction::Start;
    QJsonObject all = sendObject(QStringLiteral("alert"), start ? kAlertDocumentName : QString(), false, players);
    all.insert(QStringLiteral("alert"),
               QJsonObject{{"identifier", alert.identifier},
                           {"msgType", capWord(alert.messageType)},
                           {"status", capWord(alert.status)},
                           {"severity", decision.severity ? QJsonValue(capWord(*decision.severity)) : QJsonValue()},
                           {"expires", decision.expires ? QJsonValue(capTime(*decision.expires)) : QJsonValue()}});
    all.insert(QStringLiteral("action"), actionWord(decision.action));
    all.insert(QStringLiteral("reason"), decision.reason);
    return QJsonDocument(all).toJson(QJsonDocument::Compact) + '\n';
}

QString noAlertLine(const QString &source)
{
    return QStringLiteral("No alert in %1: nothing sent.").arg(source == u"-" ? QStringLiteral("standard input") : source);
}

QStringList documentWarnings(const QString &source, const CapDocument &document)
{
    QStringList warnings;
    for (const QString &entry : document.refusedEntries)
        warnings << QStringLiteral("%1: an entry was left out: %2").arg(source, entry);
    for (const CapFeedLink &link : document.linkedOnly)
        warnings << QStringLiteral("%1: the entry \"%2\" only links to its alert (%3), which is not fetched")
                        .arg(source, link.title, link.url);
    return warnings;
}

QString failedPlayers(const QList<PlayerResult> &players)
{
    QStringList failed;
    for (const PlayerResult &player : players)
        if (!player.delivered())
            failed << QStringLiteral("%1 (%2)").arg(player.player, player.words.simplified()); // on one line
    return failed.isEmpty() ? QString() : QStringLiteral(" Failed: %1.").arg(failed.join(QStringLiteral(", ")));
}

QString expiryLine(const QString &identifier, const QString &severity, const QList<PlayerResult> &players)
{
    return QStringLiteral("Alert %1 (%2) expired: %3").arg(identifier, severity, summaryLine(QStringLiteral("Stop"), players));
}

QByteArray noAlertJson()
{
    QJsonObject all = sendObject(QStringLiteral("alert"), {}, false, {});
    all.insert(QStringLiteral("alert"), QJsonValue());
    all.insert(QStringLiteral("action"), QStringLiteral("none"));
    all.insert(QStringLiteral("reason"), QStringLiteral("no alert"));
    return QJsonDocument(all).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace qvic::cli
