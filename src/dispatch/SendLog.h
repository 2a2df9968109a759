#pragma once

#include "commands/InstantFile.h"
#include "dispatch/SendRequest.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qvic {

struct SharedState;

// One line of the send log as it was written.
struct SendLogRow
{
    QString time;     // ISO 8601 with its offset: "2026-12-06T22:15:03+01:00"
    QString action;   // "start", "stop", "kite7 start", "kite7 stop"
    QString document;
    QString settings; // the command file's second line; may be empty for a stop
    QString player;
    QString outcome;  // "delivered", "delivered, not verified", "failed: " and the words
    qint64 bytesVerified = 0;
    // The alert the send was for, as CAP refers to it: "sender,identifier,sent";
    // empty for every other send, and on lines of logs written before it existed.
    QString alert;
};

// The log of every start and stop, one line per player, in AppDir's
// sendlog.csv: CSV a spreadsheet opens (RFC 4180: a header line first, fields
// holding commas, quotes or line breaks in double quotes, CR LF), UTF-8. The
// log is only ever appended to; it takes no password, so none can reach it.
// Logs written before the last column (alert) existed hold seven fields a
// line; they read as they are, and new lines are appended under their header.
class SendLog
{
public:
    explicit SendLog(QString path, Clock clock = systemClock);

    // One line per player, all written at once, the header first when the file
    // is new. Other processes' appends wait for this one. False, with the reason
    // naming the file in *error, when the lines cannot be added; then none of
    // them is, and the lines already there stay as they were.
    // alert: the alert the send is for (see SendLogRow), empty for any other send.
    bool append(DeliveryAction action, const QString &document, const QString &settingsLine,
                const QList<PlayerResult> &players, QString *error = nullptr, const QString &alert = {});

    struct Contents
    {
        QList<SendLogRow> rows;
        int skipped = 0; // lines that are not log lines (hand-edited, cut short)
        QString error;   // why the file could not be read at all; a missing file is an empty log
    };
    static Contents read(const QString &path);

    static QString actionWords(DeliveryAction action);
    static QString outcomeWords(const PlayerResult &player);
    // "2026-12-06T22:15:03+01:00": the offset written out even at UTC, as every line's is.
    static QString timeWords(const QDateTime &when);
    static const QStringList &header();

    // AppDir/sendlog.csv, beside the program's IC.ini.
    static QString pathFor(const SharedState &state);

private:
    QString m_path;
    Clock m_clock;
};

} // namespace qvic
