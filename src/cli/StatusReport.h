#pragma once

#include "dispatch/PlayerStatus.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qvic::cli {

// One player's status on a line: "10.0.0.5: showing Lobby.rtf since
// 2026-12-07T09:00:00+01:00 until 2026-12-07T10:00:00+01:00", then the words
// found and how it differs from the last send; "10.0.0.6: unreachable: Can't
// logon to this IP Address".
QString statusLine(const PlayerStatus &status);

// "Status of 3 players: 2 showing, 1 unreachable."
QString statusSummary(const QList<PlayerStatus> &statuses);

// {"command": "status", "players": [{"address", "state", "document", "since",
// "until", "details", "differsFromLastSend", "error"}]}: times in ISO 8601 with
// their offset, absent fields null.
QByteArray statusJson(const QList<PlayerStatus> &statuses);

// 0 when every player answered, 2 when one could not be read.
int statusExit(const QList<PlayerStatus> &statuses);

} // namespace qvic::cli
