#pragma once

#include "cli/WatchState.h"

#include <QByteArray>
#include <QString>

namespace qvic {
struct CapDocument;
}

namespace qvic::cli {

class AlertActions;
class Interruption;
struct AlertActed;

// One feed watched: each poll stops the alerts it started that have expired,
// then reads the feed (conditionally, with the validators of its last answer)
// and acts on its alerts through the alert command's own path. Every action and
// every failed poll is told on a line of standard output with its time; a poll
// that finds nothing new tells nothing.
//
// A player that failed is tried again at the next poll: until every send a
// document called for is complete, the feed is asked for in full, and its
// alerts are decided again (the send log leaves out the players that have them).
class FeedWatch
{
public:
    FeedWatch(QString url, const AlertActions &actions, WatchState state, QString statePath);

    // One poll; a signal caught cancels what it is doing.
    void poll(Interruption &interruption);

    // Writes the state file when the state changed; a failure is warned of, and
    // tried again at the next save.
    void save();

    const WatchState &state() const { return m_state; }

private:
    void stopExpired(Interruption &interruption);
    void readFeed(Interruption &interruption);
    void actOn(const CapDocument &document, Interruption &interruption);
    void note(const AlertActed &acted, QStringList &seen);

    QString m_url;
    const AlertActions &m_actions;
    WatchState m_state;
    QString m_statePath;
    QByteArray m_saved;        // the state as the file holds it
    QString m_saveProblem;     // the last failure warned of
    QByteArray m_lastDocument; // the feed as last read in full
    bool m_retry = false;      // a send the last document called for is not complete
};

// Prints a line of the watch's output: the time, then what happened.
void tellWatch(const QString &what);

} // namespace qvic::cli
