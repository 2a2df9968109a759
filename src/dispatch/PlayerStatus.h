#pragma once

#include "dispatch/SendLog.h"
#include "dispatch/SendRequest.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace qvic {

// What a player's last command file says: the start command's document and
// presentation, the stop, or something else, and when it was written.
struct CommandFile
{
    enum class Kind { Start, Stop, DeviceScript };
    Kind kind = Kind::Stop;
    QDateTime stamp;      // the sending computer's local time, as line 1 gives it
    QString message;      // line 2 after "Message="
    QString document;     // a start's crawl document
    qint64 dwellSeconds = 0;
};

// Reads a command file as the program writes it: "Time=MM/DD/YYYY hh:mm:ss AM"
// and "Message=..." on two lines ending in CR LF (LF alone is taken too). The
// bytes come from a player and are not trusted: anything else (binary bytes,
// another encoding, lines ending in CR alone, a time that is no time, a command
// the program does not write, a document named with a path) gives nothing and
// says in *why what was found.
std::optional<CommandFile> readCommandFile(const QByteArray &bytes, QString *why);

// The remote file whose size tells whether a start command's document is on the
// player ("media\\Lobby.rtf"); empty for any other command file.
QString documentToMeasure(const QByteArray &commandFile);

// The read that a status check makes of every player: its command file, at
// most 64 KB, then the size of the document a start names.
ReadPlan statusReadPlan();

// What a player shows, from what a read found there.
struct PlayerStatus
{
    enum class State { Showing, Ended, Stopped, Missing, Unknown, Unreachable };

    QString player;
    State state = State::Unknown;
    QString document;
    std::optional<QDateTime> since;
    std::optional<QDateTime> until;
    QString details;            // what was found, in words
    QString differsFromLastSend; // empty when the player holds what this computer last sent it
    QString error;              // why the player could not be read
};

// "showing", "ended", "stopped", "missing", "unknown", "unreachable".
QString statusStateWords(PlayerStatus::State state);

// The status of one player from its read (an ended result of a read), at now,
// against the send log's lines (the last delivered send to the same player).
PlayerStatus statusOf(const PlayerResult &read, const QDateTime &now, const QList<SendLogRow> &log);

} // namespace qvic
