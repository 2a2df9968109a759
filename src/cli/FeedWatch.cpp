#include "cli/FeedWatch.h"

#include "alerts/AlertPlan.h"
#include "cli/AlertActions.h"
#include "cli/AlertReport.h"
#include "cli/AlertSource.h"
#include "cli/CommandOutput.h"
#include "cli/SendRun.h"
#include "dispatch/SendLog.h"

#include <algorithm>

namespace qvic::cli {

void tellWatch(const QString &what)
{
    print(stdout, SendLog::timeWords(QDateTime::currentDateTime()) + u' ' + what + u'\n');
}

FeedWatch::FeedWatch(QString url, const AlertActions &actions, WatchState state, QString statePath)
    : m_url(std::move(url)), m_actions(actions), m_state(std::move(state)), m_statePath(std::move(statePath)),
      m_saved(m_state.toJson())
{
}

void FeedWatch::poll(Interruption &interruption)
{
    stopExpired(interruption);
    if (!interruption.signal())
        readFeed(interruption);
}

void FeedWatch::save()
{
    const QByteArray bytes = m_state.toJson();
    if (bytes == m_saved)
        return;
    QString error;
    if (writeWatchState(m_statePath, m_state, &error)) {
        m_saved = bytes;
        m_saveProblem.clear();
    } else if (error != m_saveProblem) { // once, not at every poll
        warn({QStringLiteral("the watch's state was not saved: %1").arg(error)});
        m_saveProblem = error;
    }
}

// The stop goes out once: a player it fails on has the crawl end by itself, its
// dwell having run to the expiry. One a signal cancelled is kept for the next run.
void FeedWatch::stopExpired(Interruption &interruption)
{
    const QDateTime now = QDateTime::currentDateTime();
    for (qsizetype i = 0; i < m_state.started.size();) {
        const WatchedAlert alert = m_state.started[i];
        if (alert.expires > now) {
            ++i;
            continue;
        }
        const AlertDecision decision = planExpiry(alert.reference, m_actions.log());
        if (decision.action == AlertAction::Stop) {
            const AlertSent sent = m_actions.carryOut(decision, interruption, false);
            if (sent.problem)
                tellWatch(QStringLiteral("Alert %1 (%2) expired: nothing sent: %3.")
                              .arg(alert.identifier, alert.severity, *sent.problem));
            else
                tellWatch(expiryLine(alert.identifier, alert.severity, sent.results) + failedPlayers(sent.results));
        }
        if (interruption.signal())
            return;
        m_state.started.removeAt(i);
    }
}

void FeedWatch::readFeed(Interruption &interruption)
{
    // Validators only once all the last document called for is done: a full answer
    // is what lets a failed player be tried again.
    const bool conditional = !m_retry;
    const FeedRequest request{m_url, conditional ? m_state.etag : QString(),
                              conditional ? m_state.lastModified : QString()};
    const auto fetched = fetchFeed(request, {}, [&interruption] { return interruption.signal() != 0; });
    if (interruption.signal())
        return;
    if (const auto *problem = std::get_if<QString>(&fetched)) {
        tellWatch(QStringLiteral("Poll failed: %1.").arg(*problem));
        return;
    }
    const FeedResponse &response = std::get<FeedResponse>(fetched);
    if (response.notModified)
        return;
    // A feed that gives no validators answers in full every time.
    const bool changed = response.bytes != m_lastDocument;
    m_lastDocument = response.bytes;
    if (changed || m_retry) {
        const auto read = readCapDocument(response.bytes);
        if (const auto *refusal = std::get_if<CapRefusal>(&read)) {
            tellWatch(QStringLiteral("Poll failed: %1 was refused: %2.").arg(m_url, refusal->words));
            m_retry = false; // nothing to retry until the feed changes
        } else {
            const CapDocument &document = std::get<CapDocument>(read);
            if (changed)
                warn(documentWarnings(m_url, document));
            actOn(document, interruption);
        }
    }
    m_state.etag = m_retry ? QString() : response.etag;
    m_state.lastModified = m_retry ? QString() : response.lastModified;
}

void FeedWatch::actOn(const CapDocument &document, Interruption &interruption)
{
    m_retry = false;
    QStringList seen;
    actOnAlerts(document.alerts, m_actions, interruption, false, [&](const AlertActed &acted) { note(acted, seen); });
    if (interruption.signal())
        m_retry = true; // the alerts after the cancelled send were left
    m_state.seen = seen;
}

// Tells what was done about an alert (what was not, once), and keeps what the
// next polls need: the alerts started, with their expiry, and whether to retry.
void FeedWatch::note(const AlertActed &acted, QStringList &seen)
{
    const AlertDecision &decision = acted.decision;
    seen << decision.reference;
    if (decision.action == AlertAction::None) {
        if (!m_state.seen.contains(decision.reference))
            tellWatch(alertLine(acted.alert, decision, {}));
        return;
    }
    if (acted.sent.problem) {
        tellWatch(QStringLiteral("Alert %1: nothing sent: %2.").arg(acted.alert.identifier, *acted.sent.problem));
        m_retry = true;
        return;
    }
    const QList<PlayerResult> &results = acted.sent.results;
    tellWatch(alertLine(acted.alert, decision, results) + failedPlayers(results));
    m_retry = m_retry || !acted.sent.complete();
    const bool reached = std::any_of(results.cbegin(), results.cend(), [](const PlayerResult &player) {
        return player.delivered();
    });
    if (decision.action != AlertAction::Start || !decision.expires || !reached)
        return;
    const WatchedAlert started{decision.reference, acted.alert.identifier,
                               decision.severity ? capWord(*decision.severity) : QString(), *decision.expires};
    const auto known = std::find_if(m_state.started.begin(), m_state.started.end(), [&](const WatchedAlert &alert) {
        return alert.reference == started.reference;
    });
    if (known == m_state.started.end())
        m_state.started << started;
    else
        *known = started;
}

} // namespace qvic::cli
