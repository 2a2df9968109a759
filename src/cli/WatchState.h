#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

namespace qvic::cli {

// An alert the watch started, kept until its expiry is dealt with.
struct WatchedAlert
{
    QString reference;  // as the send log names it: "sender,identifier,sent"
    QString identifier; // for the lines told about it
    QString severity;   // CAP's word, or empty
    QDateTime expires;
};

// What a feed watch keeps across restarts, so that none repeats a send or
// forgets one. A JSON file of its own (UTF-8), replaced whole at each change:
//   {"feed": URL, "etag": "...", "lastModified": "...",
//    "started": [{"alert": "sender,identifier,sent", "identifier": "...",
//                 "severity": "Severe", "expires": "2026-12-07T09:30:00-06:00"}],
//    "seen": ["sender,identifier,sent", ...]}
// The validators belong to the feed named; "seen" holds the alerts of the last
// document read whose line was told. What was sent to whom is the send log's.
struct WatchState
{
    QString feed;
    QString etag;         // the feed's validators when everything it asked for was done, else empty
    QString lastModified;
    QList<WatchedAlert> started;
    QStringList seen;

    QByteArray toJson() const;
    // The state in bytes; a refusal in words when they are not one.
    static std::variant<WatchState, QString> fromJson(const QByteArray &bytes);

    // AppDir/watch-state.json.
    static QString defaultPath(const QString &appDir);
};

// The state saved at path: a missing file is a fresh state, one that cannot be
// read or is not a state is told in words naming the file.
std::variant<WatchState, QString> readWatchState(const QString &path);

// Replaces the file at path with the state, atomically; false with the reason in *error.
bool writeWatchState(const QString &path, const WatchState &state, QString *error);

} // namespace qvic::cli
