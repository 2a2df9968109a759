#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

namespace qvic {

// What a send does on a player.
enum class DeliveryAction {
    Start,      // the crawl document, then the start command file
    Stop,       // the stop command file
    Kite7Start, // the Kite-7 device script alone
    Kite7Stop,  // the Kite-7 stop script alone
};

// The pause a player needs between a command file and the device script that
// replaces it.
constexpr int kDeviceScriptPauseMs = 500;

// The name a player's command file has in its settings folder.
inline const QString kCommandFileRemote = QStringLiteral("settings\\Instant.txt");

// One file a send puts on every player.
struct SendFile
{
    QString localPath;
    QString remoteFile; // relative to the player's FTP root, backslash separators
    // Travels as remoteFile + ".part" and is renamed once whole and checked, so
    // a player never holds half of it under its real name.
    bool viaTemporaryName = false;
    // How long each player waits after its previous file before this one.
    int pauseBeforeMs = 0;

    // The file's own name, as the transfer window shows it.
    QString name() const { return remoteFile.section(QLatin1Char('\\'), -1); }
};

// Which files an action puts on a player, in the order it gets them: for Start
// the crawl document (by a temporary name) and the command file; for Stop the
// command file; for the Kite-7 actions the command file alone, which then holds
// the device script. A device script given for Start or Stop follows the
// command file to the same remote path after the pause. The command file keeps
// a direct upload: players may watch it.
QList<SendFile> filesFor(DeliveryAction action, const QString &documentPath, const QString &commandPath,
                         const QString &deviceScriptPath = {});

// The time limits of every send, each measured the same way for every player.
struct SendTimeLimits
{
    std::chrono::milliseconds connect{10000}; // reaching the player and logging on
    std::chrono::seconds response{15};        // any one reply of the player
    std::chrono::seconds stall{30};           // an upload the player acknowledges no byte of for this long
};

// A read that changes nothing on a player: one file fetched (at most limit
// bytes), then the size of the file it names asked.
struct ReadPlan
{
    QString remoteFile;  // relative to the player's FTP root, backslash separators
    qint64 limit = 65536;
    // The remote file whose size the fetched bytes call for ("media\Lobby.rtf"),
    // or empty for none. Called on the engine's threads: it must be a pure function.
    std::function<QString(const QByteArray &)> fileToMeasure;
};

// One action for many players (or one): the same files to each, or a read.
struct SendRequest
{
    QStringList players; // as the address box takes them
    QString user;
    QString password;
    QList<SendFile> files;
    std::optional<ReadPlan> read = std::nullopt; // with it, the files are ignored and nothing is written
};

// What a read found on a player.
struct PlayerReading
{
    QByteArray bytes;          // the file, when it was there and within the limit
    bool missing = false;      // the player has no such file, or will not give it
    bool tooLarge = false;     // longer than the limit
    QString measuredFile;      // the file whose size was asked, if any
    std::optional<qint64> measuredSize; // its size, when the player told it
    bool measuredMissing = false;       // the player has no such file
};

// How one player of a send is doing, or how it ended.
struct PlayerResult
{
    enum class State { Waiting, LoggingOn, Sending, Delivered, DeliveredNotVerified, Failed };

    QString player;
    State state = State::Waiting;
    int errorNumber = 0;
    QString words;      // the failure as the operator reads it
    QString note;       // how a file got there other than plainly, e.g. "replaced by delete and rename"
    QString remoteFile; // the file on its way, or the one that failed
    int file = -1;      // its index in the request's files
    qint64 fileAcknowledged = 0; // bytes of that file the player has acknowledged
    qint64 bytesSent = 0;        // of all files, as far as the player has acknowledged them
    qint64 bytesVerified = 0;    // the sizes the player reported back, where they matched
    double seconds = 0;          // since its logon began
    std::optional<PlayerReading> reading; // what a read found, once it has

    bool ended() const { return state >= State::Delivered; }
    bool delivered() const { return state == State::Delivered || state == State::DeliveredNotVerified; }
};

// "waiting", "logging on", "sending", "delivered", "delivered, not verified", "failed".
QString playerStateWords(PlayerResult::State state);

} // namespace qvic

Q_DECLARE_METATYPE(qvic::PlayerResult)
