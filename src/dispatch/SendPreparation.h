#pragma once

#include "commands/InstantFile.h"
#include "dispatch/SendRequest.h"

#include <QList>
#include <QString>

#include <optional>

namespace qvic {

struct SharedState;

// The files one action puts on its players, built once, in a folder of their own.
struct PreparedSend
{
    QList<SendFile> files;
    QString message;      // the command file's second line, for the send log
    QString commandFile;  // the command file as built
    QString deviceScript; // the device script that follows it, when one does
};

// What stopped a preparation.
struct PreparationFailure
{
    enum class Step { CommandFile, DeviceScript, Document };
    Step step = Step::CommandFile;
    QString reason;
};

// Builds the action's command file, and the Kite-7 script that follows it when
// withDeviceScript, into folder with the program's builders, beside a copy of
// the crawl document state.currentFilePath for a start (its settings file is
// read from beside the original), so that every player and a retry get one
// crawl, whatever is saved meanwhile. A document that is not there stays named
// by its own path: each player then fails with the words of a missing file.
// Nothing of the state changes. Empty, with what failed, when a file cannot be built.
std::optional<PreparedSend> prepareSend(const SharedState &state, DeliveryAction action, bool withDeviceScript,
                                        const QString &folder, const Clock &clock,
                                        PreparationFailure *failure = nullptr);

// The second line of a command file ("Message=..."), as the player reads it;
// empty when the file cannot be read.
QString commandFileMessage(const QString &path);

} // namespace qvic
