#pragma once

#include "dispatch/SendRequest.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;
class QTemporaryDir;

// The steps every sending subcommand shares (start, stop, alert): the folders
// readied as the window readies them, libcurl, the password, the signals that
// cancel a send, and the send itself with a line per player as it ends.
namespace qvic {
struct SharedState;
}

namespace qvic::cli {

// Readies the state as the window's start-up does: the folders, the account,
// the Kite-7 defaults (never saved, so every start begins with them).
std::optional<QString> startUp(SharedState &state);

// libcurl readied for the command's life, before its first use.
struct CurlGlobal
{
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal &) = delete;
    CurlGlobal &operator=(const CurlGlobal &) = delete;
    const bool ready;
};

// What every command that reaches players does first: the folders readied as
// for startUp, libcurl checked (curl lives as long as the command), and SIGPIPE
// ignored, so that a reader that goes away (| head) does not end a send half
// way, unlogged. Nothing when ready, else why not.
std::optional<QString> readyToReachPlayers(SharedState &state, const CurlGlobal &curl);

// Why the folder for a send's files could not be made; nothing when it was.
std::optional<QString> folderProblem(const QTemporaryDir &folder);

// Asks for the password of a send (see readPassword) and checks it as the
// password dialog does; nothing when it opens the send, else why not.
std::optional<QString> passwordRefusal(const std::optional<QString> &passwordFile, const QString &passFile);

// SIGINT, SIGTERM and SIGHUP during a send cancel it rather than end the
// program at once: no upload is left half done under a player's real name,
// the send log and the output still tell how each player ended, and the
// send's temporary folder is removed. A second signal ends the program as usual.
// Catches the signals from its construction to its destruction; one that
// comes before a send starts or after it ended is noted, and told by signal().
class Interruption
{
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption &) = delete;
    Interruption &operator=(const Interruption &) = delete;
    // What a signal does while the send runs; empty once it has ended. The words
    // go to standard error when a signal comes; none for a wait that is no send.
    void setCancel(std::function<void()> cancel,
                   QString words = QStringLiteral("interrupted; cancelling the transfers"))
    {
        m_cancel = std::move(cancel);
        m_cancelWords = std::move(words);
    }
    // The first signal caught, 0 when none was.
    int signal();

private:
    void takeSignals();

    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_cancel;
    QString m_cancelWords;
    int m_signal = 0;
};

// Sends the request through the one engine, at most maxConnections players at
// a time, printing each player's line as it ends when tellEachPlayer; a signal
// caught meanwhile cancels it. Needs a running QCoreApplication's thread.
QList<PlayerResult> sendAndReport(const SendRequest &request, int maxConnections, bool tellEachPlayer,
                                  Interruption &interruption);

} // namespace qvic::cli
