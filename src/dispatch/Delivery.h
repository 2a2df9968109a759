#pragma once

#include "commands/InstantFile.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace qvic {

struct SharedState;

// What a send does on a player.
enum class DeliveryAction {
    Start,      // the crawl document, then the start command file
    Stop,       // the stop command file
    Kite7Start, // the Kite-7 device script alone
    Kite7Stop,  // the Kite-7 stop script alone
};

// One file to put on one player.
struct Upload
{
    QString host;       // "address", "address:port" or "[v6]:port"
    QString user;
    QString password;
    QString localName;  // the name a transfer window shows
    QString localPath;
    QString remoteFile; // relative to the player's FTP root, backslash separators
    // Sent under a temporary name and renamed once the player holds it whole
    // (the crawl document; a player may watch the command file for writes).
    bool viaTemporaryName = false;
};

// How an upload ended.
struct UploadResult
{
    bool sent = false;
    int errorNumber = 0;
    QString words;             // the failure as the operator reads it
    bool toldOperator = false; // the transfer dialog has shown the words already
};

// Carries one upload out: the transfer dialog for a window, the FTP client
// directly for callers without one.
class TransferStep
{
public:
    virtual ~TransferStep() = default;
    virtual UploadResult upload(const Upload &upload) = 0;
};

// One step of a send and how it went.
struct DeliveryStep
{
    enum class Kind { BuildCommand, SendDocument, SendCommand, BuildDeviceScript, SendDeviceScript };
    Kind kind = Kind::BuildCommand;
    bool done = false;
    QString remoteFile;   // for the uploads
    UploadResult upload;  // for the uploads
    QString buildError;   // for the builds
};

struct DeliveryReport
{
    QList<DeliveryStep> steps; // in the order they ran; a failed one is the last
    QString message;           // the second line of the first command file built, for the send log
    bool delivered() const { return !steps.isEmpty() && steps.last().done; }
    const DeliveryStep *failure() const { return delivered() || steps.isEmpty() ? nullptr : &steps.last(); }
    bool sentDeviceScript() const;
};

// The second line of a command file ("Message=..."), as the player reads it;
// empty when the file cannot be read.
QString commandFileMessage(const QString &path);

// The words the program has always given for an FTP failure, by its number.
QString transferFailureWords(int errorNumber, const QString &description);
// And for a transfer the operator cancelled.
QString transferCancelledWords();

// Sends a crawl, or its stop, to one player: builds the command files with the
// program's builders (into state.strInstantFile) and uploads them in the
// program's order and to its remote paths, through the given transfer step.
// Knows no window; the caller checks its inputs, asks for the password, and
// turns the report into messages.
class DeliveryService
{
public:
    // The pause before a device script that follows a command file: the player
    // needs a moment between the two.
    using Pause = std::function<void()>;

    DeliveryService(const SharedState &state, TransferStep &transfer, Clock clock, Pause pause);

    // With withDeviceScript, a Start or Stop is followed by the Kite-7 script
    // to the same remote path. The crawl document is state.strCurFilePath.
    DeliveryReport deliver(DeliveryAction action, const QString &player, bool withDeviceScript = false);

private:
    bool build(DeliveryReport &report, DeliveryStep::Kind kind, DeliveryAction action);
    bool send(DeliveryReport &report, DeliveryStep::Kind kind, const QString &player,
              const QString &localName, const QString &localPath, const QString &remoteFile,
              bool viaTemporaryName = false);

    const SharedState &m_state;
    TransferStep &m_transfer;
    Clock m_clock;
    Pause m_pause;
};

} // namespace qvic
