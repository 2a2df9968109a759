#pragma once

#include "dispatch/SendRequest.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <memory>

namespace qvic {

struct SendJob;
struct SendRun;

// The one engine under every send: the main window's Start and Stop, the
// Kite-7 window's own, a group, the command line. A single send is a send to a
// group of one.
//
// At most maxConnections players are served at once, each by a worker thread
// of its own on one FTP connection, the rest waiting for a free worker, as a
// shell loop of `xargs -P` runs its processes. libcurl waits for some replies
// inside its own calls; so only the player concerned waits, never another
// player, never the caller's thread. Progress and outcomes arrive as queued
// signals in the thread the engine lives in.
class SendEngine : public QObject
{
    Q_OBJECT

public:
    explicit SendEngine(QObject *parent = nullptr);
    // Cancels what still runs and waits for the workers to let go of the players.
    ~SendEngine() override;

    void setMaxConnections(int players);
    int maxConnections() const { return m_maxConnections; }
    // Tests and benchmarks shorten them.
    void setTimeLimits(const SendTimeLimits &limits) { m_limits = limits; }

    // Sends to every player of the request; the files are read now, once. A
    // player given twice under two spellings (LOCALHOST:2121, 127.0.0.1:2121)
    // is sent to once, and both get its outcome. False while a send runs.
    bool start(const SendRequest &request);
    // Sends the last request's files again to these players (indices into it)
    // only, e.g. failedPlayers(). False while a send runs.
    bool retry(const QList<int> &players);
    // Stops every player not yet ended; those fail as cancelled. An upload under
    // way is reset, so the player sees it broken, not complete.
    void cancel();

    bool isRunning() const { return m_running; }
    const SendRequest &request() const { return m_request; }
    const QList<PlayerResult> &results() const { return m_results; }
    QList<int> failedPlayers() const;

signals:
    void playerChanged(int player);
    void finished();

private:
    bool run(const QList<int> &players);
    // A worker: takes the next waiting player and sends to it, until none waits.
    static void work(std::shared_ptr<SendRun> run);
    void onReport(int round, int player, const PlayerResult &result);

    SendRequest m_request;
    SendTimeLimits m_limits;
    QList<PlayerResult> m_results;
    QList<int> m_round;    // the players of the running round
    QList<int> m_original; // for each player, the first of its spellings in the request
    // For each player sent to in the running round, its spellings in the round, in
    // the round's order: found at each report without going through the round.
    QHash<int, QList<int>> m_spellings;
    int m_roundNumber = 0;
    int m_ended = 0;
    int m_maxConnections = 32;
    bool m_running = false;
    std::shared_ptr<const SendJob> m_job; // the files, read once for every round
    std::shared_ptr<SendRun> m_run;
};

} // namespace qvic
