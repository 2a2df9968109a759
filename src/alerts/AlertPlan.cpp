#include "alerts/AlertPlan.h"

#include <QHash>
#include <QSet>

namespace qvic {
namespace {

QString withArticle(const QString &word)
{
    static const QString vowels = QStringLiteral("AEIOU");
    return (vowels.contains(word.front()) ? QStringLiteral("an ") : QStringLiteral("a ")) + word;
}

bool delivered(const SendLogRow &row)
{
    return row.outcome.startsWith(QLatin1String("delivered"));
}

QString playersWord(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 player") : QStringLiteral("%1 players").arg(count);
}

// Each player's latest start that it got, by address, from the log.
QHash<QString, const SendLogRow *> latestStarts(const QList<SendLogRow> &log)
{
    QHash<QString, const SendLogRow *> latest;
    for (const SendLogRow &row : log)
        if (row.action == u"start" && delivered(row))
            latest.insert(row.player, &row);
    return latest;
}

// The players whose latest start was one of the alerts referred to, in the log's order.
QStringList showingReferenced(const CapAlert &alert, const QList<SendLogRow> &log)
{
    QSet<QString> referenced;
    for (const CapReference &reference : alert.references)
        referenced.insert(alertReference(reference.sender, reference.identifier, reference.sent));
    const auto latest = latestStarts(log);
    QStringList players;
    for (const SendLogRow &row : log)
        if (latest.value(row.player) == &row && referenced.contains(row.alert))
            players << row.player;
    return players;
}

// The players that got this alert's action already.
QSet<QString> doneBefore(const QString &reference, const QString &action, const QList<SendLogRow> &log)
{
    QSet<QString> done;
    for (const SendLogRow &row : log)
        if (row.alert == reference && row.action == action && delivered(row))
            done.insert(row.player);
    return done;
}

// Takes the players left to act on into the decision; None when every one is done.
void leaveOutDone(AlertDecision &decision, const QStringList &players, const QSet<QString> &done,
                  const QString &allDone)
{
    qsizetype skipped = 0;
    for (const QString &player : players) {
        if (done.contains(player))
            ++skipped;
        else if (!decision.players.contains(player))
            decision.players << player;
    }
    if (decision.players.isEmpty()) {
        decision.action = AlertAction::None;
        decision.reason = allDone;
    } else if (skipped) {
        decision.reason = QStringLiteral("%1 already had it").arg(playersWord(skipped));
    }
}

AlertDecision none(AlertDecision decision, const QString &reason)
{
    decision.action = AlertAction::None;
    decision.reason = reason;
    return decision;
}

} // namespace

QString capTime(const QDateTime &time)
{
    return SendLog::timeWords(time); // the same form: the offset written out, even at UTC
}

QString alertReference(const QString &sender, const QString &identifier, const QDateTime &sent)
{
    return sender + u',' + identifier + u',' + capTime(sent);
}

AlertDecision planAlert(const CapAlert &alert, const AlertOptions &options, const AlertTargets &targets,
                        const AlertLooks &looks, const QList<SendLogRow> &log, const QDateTime &now)
{
    AlertDecision decision;
    decision.reference = alertReference(alert.sender, alert.identifier, alert.sent);
    const CapInfo *info = chooseInfo(alert, options.language);
    if (info) {
        decision.severity = info->severity;
        decision.expires = info->expires;
    }
    if (!options.accepted.contains(alert.status))
        return none(decision, QStringLiteral("%1 alert: only Actual alerts reach players unless --accept %2")
                                  .arg(withArticle(capWord(alert.status)), capWord(alert.status).toLower()));
    switch (alert.messageType) {
    case CapMessageType::Ack:
    case CapMessageType::Error:
        return none(decision, QStringLiteral("%1 changes nothing").arg(withArticle(capWord(alert.messageType))));
    case CapMessageType::Cancel: {
        const QStringList showing = showingReferenced(alert, log);
        if (showing.isEmpty())
            return none(decision, QStringLiteral("no player shows an alert it cancels"));
        decision.action = AlertAction::Stop;
        leaveOutDone(decision, showing, doneBefore(decision.reference, QStringLiteral("stop"), log),
                     QStringLiteral("already stopped on every player"));
        return decision;
    }
    case CapMessageType::Alert:
    case CapMessageType::Update:
        break;
    }
    if (!info)
        return none(decision, QStringLiteral("the alert holds no info to show"));
    if (hasExpired(*info, now))
        return none(decision, QStringLiteral("expired at %1").arg(capTime(*info->expires)));

    QStringList players = targets.players;
    if (targets.areas) {
        players = targets.areas->reach(*info).players;
        if (players.isEmpty() && alert.messageType == CapMessageType::Alert) {
            QStringList named;
            for (const CapArea &area : info->areas)
                named << area.description;
            return none(decision, QStringLiteral("no mapped area: %1")
                                      .arg(named.isEmpty() ? QStringLiteral("the alert names no area")
                                                           : named.join(QStringLiteral(", "))));
        }
    }
    // The replacement reaches every screen that showed what it replaces.
    if (alert.messageType == CapMessageType::Update)
        players << showingReferenced(alert, log);
    if (players.isEmpty())
        return none(decision, QStringLiteral("no mapped area, and no player shows an alert it updates"));

    decision.action = AlertAction::Start;
    leaveOutDone(decision, players, doneBefore(decision.reference, QStringLiteral("start"), log),
                 QStringLiteral("already on every player"));
    if (decision.action == AlertAction::None)
        return decision;
    auto crawl = alertCrawl(*info, looks.lookFor(info->severity), now);
    if (const auto *refusal = std::get_if<CapRefusal>(&crawl)) {
        decision.refused = true;
        decision.players.clear();
        return none(decision, refusal->words);
    }
    decision.crawl = std::get<AlertCrawl>(std::move(crawl));
    return decision;
}

AlertDecision planExpiry(const QString &reference, const QList<SendLogRow> &log)
{
    AlertDecision decision;
    decision.reference = reference;
    QStringList showing;
    for (const SendLogRow &row : log) {
        if (!delivered(row))
            continue;
        if (row.action == u"start" || row.action == u"stop")
            showing.removeOne(row.player);
        if (row.action == u"start" && row.alert == reference)
            showing << row.player;
    }
    if (showing.isEmpty())
        return none(decision, QStringLiteral("no player shows it"));
    decision.action = AlertAction::Stop;
    decision.players = showing;
    return decision;
}

} // namespace qvic
