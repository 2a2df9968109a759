#pragma once

#include "alerts/AlertPlan.h"
#include "alerts/CapAlert.h"
#include "dispatch/SendRequest.h"

#include <QByteArray>
#include <QList>
#include <QString>

// How the alert commands tell what they did about each alert.
namespace qvic::cli {

// "Alert KSTO-0001 (Extreme, Actual): Start sent to 2 players: 2 delivered.", or
// for nothing done "Alert KSTO-0001 (Minor, Test): nothing sent: a Test alert: ...".
QString alertLine(const CapAlert &alert, const AlertDecision &decision, const QList<PlayerResult> &players);

// The send's JSON object (see sendJson), "command" being "alert", with
// {"alert": {"identifier", "msgType", "status", "severity", "expires"},
// "action": "start" | "stop" | "none", "reason"}; one line.
QByteArray alertJson(const CapAlert &alert, const AlertDecision &decision, const QList<PlayerResult> &players);

// For a document that holds no alert: "No alert in SOURCE: nothing sent.", or
// the object with "alert": null, "action": "none", "reason": "no alert".
QString noAlertLine(const QString &source);
QByteArray noAlertJson();

// What a document leaves out, in words: the feed's entries whose alert was
// refused, and those that only link to their alert, which is not fetched.
QStringList documentWarnings(const QString &source, const CapDocument &document);

// The players of a send that failed, with why: " Failed: 10.0.0.6 (Can't logon
// to this IP Address)."; empty when none did. For a line that tells no player's own.
QString failedPlayers(const QList<PlayerResult> &players);

// The stop of an alert that expired: "Alert KSTO-0001 (Extreme) expired: Stop
// sent to 2 players: 2 delivered."
QString expiryLine(const QString &identifier, const QString &severity, const QList<PlayerResult> &players);

} // namespace qvic::cli
