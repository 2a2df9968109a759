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

} // namespace qvic::cli
