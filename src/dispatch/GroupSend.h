#pragma once

#include "dispatch/Delivery.h"
#include "dispatch/FtpClient.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>

namespace qvic {

class GroupTransfers;

// The pause a player needs between a command file and the device script that
// replaces it.
constexpr int kDeviceScriptPauseMs = 500;

// One file a group send puts on every player.
struct GroupFile
{
    QString localPath;
    QString remoteFile; // relative to the player's FTP root, backslash separators
    // Travels as remoteFile + ".part" and is renamed once whole and checked, so
    // a player never holds half of it under its real name.
    bool viaTemporaryName = false;
    // How long each player waits after its previous file before this one.
    int pauseBeforeMs = 0;
};

// The files of an action, in the order every player gets them: for Start the
// crawl document (by a temporary name) and the command file; for Stop the
// command file; for the Kite-7 actions the command file alone, which then
// holds the device script. A device script given for Start or Stop follows the
// command file to the same remote path after the pause. The command file keeps
// a direct upload: players may watch it.
QList<GroupFile> groupFiles(DeliveryAction action, const QString &documentPath,
                            const QString &commandPath, const QString &deviceScriptPath = {});

struct GroupRequest
{
    QStringList players; // as the address box takes them
    QString user;
    QString password;
    QList<GroupFile> files;
};

// How one player of a group send is doing, or how it ended.
struct PlayerResult
{
    enum class State { Waiting, LoggingOn, Sending, Delivered, DeliveredNotVerified, Failed };

    QString player;
    State state = State::Waiting;
    int errorNumber = 0;
    QString words;      // the failure as the operator reads it
    QString note;       // how a file got there other than plainly, e.g. "replaced by delete and rename"
    QString remoteFile; // the file on its way, or the one that failed
    qint64 bytesSent = 0;
    qint64 bytesVerified = 0; // the sizes the player reported back, where they matched
    double seconds = 0;       // since its logon began

    bool ended() const { return state >= State::Delivered; }
};

// "waiting", "logging on", "sending", "delivered", "delivered, not verified", "failed".
QString playerStateWords(PlayerResult::State state);

// Sends one action to many players at once: at most maxConnections players
// at a time, each on one FTP connection of its own, the rest waiting their
// turn. Every file is checked after its upload by asking the player its size.
// The transfers run on a thread of their own with its own event loop, because
// libcurl waits for some FTP replies without returning (the reply to a finished
// upload, a QUIT); the caller's event loop never waits for a player.
class GroupSend : public QObject
{
    Q_OBJECT

public:
    explicit GroupSend(QObject *parent = nullptr);
    ~GroupSend() override;

    void setMaxConnections(int players) { m_maxConnections = std::max(1, players); }
    // Those of a single send; tests shorten them.
    void setTimeLimits(const FtpClient::TimeLimits &limits) { m_limits = limits; }

    // Sends to every player of the request. False while a send runs.
    bool start(const GroupRequest &request);
    // Sends the last request again to these players (indices into it) only,
    // e.g. failedPlayers(). False while a send runs.
    bool retry(const QList<int> &players);
    // Stops every transfer not yet ended; those players fail as cancelled. An
    // upload under way is reset, so the player sees it broken, not complete.
    void cancel();

    bool isRunning() const { return m_running; }
    const QList<PlayerResult> &results() const { return m_results; }
    QList<int> failedPlayers() const;

signals:
    void playerChanged(int player);
    void finished();

private:
    bool run(const QList<int> &players, bool newRequest);

    QThread m_thread;
    GroupTransfers *m_transfers = nullptr;
    GroupRequest m_request;
    QList<PlayerResult> m_results;
    bool m_running = false;
    int m_maxConnections = 32;
    FtpClient::TimeLimits m_limits;
};

} // namespace qvic

Q_DECLARE_METATYPE(qvic::PlayerResult)
