#pragma once

#include "alerts/AlertPlan.h"
#include "dispatch/SendRequest.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The one path from an alert to the players, shared by the commands that take
// alerts (alert, watch): where alerts go, how they look and which are taken,
// each decided from the send log as it stands, sent through the one engine and
// logged with the alert it was for.
namespace qvic {
struct SharedState;
}

namespace qvic::cli {

struct Options;
class Interruption;

// How a decision's send went: each player's outcome, or why nothing was sent.
struct AlertSent
{
    QList<PlayerResult> results;
    std::optional<QString> problem; // the crawl or command file could not be made

    // Whether every player given got what it was sent.
    bool complete() const;
};

class AlertActions
{
public:
    // The players (--player, --group) or areas file, the looks (--looks, else AppDir's
    // looks file when there is one, else the built-in ones) and the statuses taken
    // (--accept); nothing, with the reason in *error, when a file is refused.
    static std::optional<AlertActions> fromOptions(const Options &options, const SharedState &state, QString *error);

    // What the alert calls for now (see planAlert).
    AlertDecision decide(const CapAlert &alert) const;

    // Carries a start or stop out: the alert's crawl written as the window saves
    // one, the files sent to the decision's players (a line for each as it ends
    // when tellEachPlayer), and the send logged with decision.reference. A signal
    // caught meanwhile cancels it. Needs a running QCoreApplication's thread.
    AlertSent carryOut(const AlertDecision &decision, Interruption &interruption, bool tellEachPlayer) const;

    // The send log's lines, oldest first.
    QList<SendLogRow> log() const;

private:
    AlertActions(const SharedState &state, AlertTargets targets, AlertLooks looks, AlertOptions taking,
                 int maxConnections);

    const SharedState &m_state;
    AlertTargets m_targets;
    AlertLooks m_looks;
    AlertOptions m_taking;
    int m_maxConnections;
};

// One alert acted on.
struct AlertActed
{
    const CapAlert &alert;
    AlertDecision decision;
    AlertSent sent; // empty when the decision was None
};

// What the alert and watch commands do first: the folders and libcurl readied, the
// players or areas, looks and statuses read from their files; then the command's own
// part runs with them. A refusal on the way is told and gives its exit status.
int runWithAlertActions(const Options &options,
                        const std::function<int(SharedState &state, const AlertActions &actions)> &command);

// Decides and carries out each alert in document order, each against the send
// log as the ones before it left it (an Update may follow the alert it replaces
// in the same feed), and hands each outcome to tell. Stops after a send that a
// signal cancelled, leaving the alerts after it.
void actOnAlerts(const QList<CapAlert> &alerts, const AlertActions &actions, Interruption &interruption,
                 bool tellEachPlayer, const std::function<void(const AlertActed &)> &tell);

} // namespace qvic::cli
