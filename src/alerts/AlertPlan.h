#pragma once

#include "alerts/AlertAreas.h"
#include "alerts/AlertCrawl.h"
#include "alerts/AlertLooks.h"
#include "alerts/CapAlert.h"
#include "dispatch/SendLog.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qvic {

// How alerts are taken.
struct AlertOptions
{
    QString language; // the info in this language, else the first (see chooseInfo)
    QList<CapStatus> accepted{CapStatus::Actual};
};

// Where an alert's crawl goes: the players named, or those its areas reach.
struct AlertTargets
{
    QStringList players;
    std::optional<AlertAreas> areas; // when set, the players are not used
};

enum class AlertAction { None, Start, Stop };

// What to do about one alert.
struct AlertDecision
{
    AlertAction action = AlertAction::None;
    // For None, why nothing is done ("an Ack changes nothing"); for a start or a
    // stop, the players left out because they have it already, or empty.
    QString reason;
    bool refused = false; // None because the alert's text cannot be shown
    QString reference;    // the alert as the send log records it, see alertReference
    QStringList players;  // for a start or a stop, in order
    std::optional<AlertCrawl> crawl; // for a start
    std::optional<CapSeverity> severity; // of the info chosen, when there is one
    std::optional<QDateTime> expires;
};

// A time in CAP's form, with its offset: 2026-12-07T09:00:00-06:00.
QString capTime(const QDateTime &time);

// "sender,identifier,sent" as CAP refers to an alert, sent in CAP's form with
// its offset.
QString alertReference(const QString &sender, const QString &identifier, const QDateTime &sent);

// Decides what one alert does, from the send log's lines (oldest first) as the
// ledger of what each player was sent before:
// - a status not accepted, an Ack or an Error, an expired alert, or one for
//   no mapped area does nothing, and says why;
// - Alert and Update start their crawl on the targets; an Update also on the
//   players still showing an alert it refers to. A player whose log says it got
//   this alert already is left out; one whose earlier attempt failed is not.
// - Cancel stops the players whose latest start was an alert it refers to,
//   whatever the targets, except those this Cancel stopped already.
AlertDecision planAlert(const CapAlert &alert, const AlertOptions &options, const AlertTargets &targets,
                        const AlertLooks &looks, const QList<SendLogRow> &log, const QDateTime &now);

// What the expiry of an alert (its reference) calls for: a stop on the players
// still showing it, those whose latest start was this alert and that no stop
// reached since; None when no player shows it (another crawl or a Cancel took
// its place, or the stop went out already).
AlertDecision planExpiry(const QString &reference, const QList<SendLogRow> &log);

} // namespace qvic
