#pragma once

#include "dispatch/SendRequest.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace qvic::cli {

// How a finished player did, on one line: "10.0.0.5: delivered, 20170 bytes
// verified (0.4 s)" or "10.0.0.6: failed: Can't logon to this IP Address (10.0 s)".
QString playerLine(const PlayerResult &player);

// "Start sent to 3 players: 2 delivered, 1 failed."
QString summaryLine(const QString &action, const QList<PlayerResult> &players);

// The whole send as one JSON object, its shape documented in the manual page:
// {"command", "crawl", "kite7", "players": [{"address", "outcome", "error",
// "note", "bytesVerified", "seconds"}], "delivered", "failed"}.
QByteArray sendJson(const QString &command, const QString &crawl, bool kite7, const QList<PlayerResult> &players);
// The same object, for a command that adds to it.
QJsonObject sendObject(const QString &command, const QString &crawl, bool kite7, const QList<PlayerResult> &players);

// 0 when every player got everything, 2 when one did not.
int sendStatus(const QList<PlayerResult> &players);

} // namespace qvic::cli
