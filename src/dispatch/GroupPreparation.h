#pragma once

#include "commands/InstantFile.h"
#include "dispatch/Delivery.h"
#include "dispatch/GroupSend.h"

#include <QList>
#include <QString>

#include <optional>

namespace qvic {

struct SharedState;

// The files one action puts on every player of a group, built once.
struct PreparedGroupSend
{
    QList<GroupFile> files;
    QString message; // the command file's second line, for the send log
};

// Builds the action's command file, and the Kite-7 script that follows it when
// withDeviceScript, into folder with the program's builders, beside a copy of
// the crawl document state.strCurFilePath for a start (its settings file is
// read from beside the original), so every player and a retry get one crawl. Nothing of the state
// changes, so the single send's Instant.txt stays as it was. Empty, with the
// builder's reason in *error, when a file cannot be built.
std::optional<PreparedGroupSend> prepareGroupSend(const SharedState &state, DeliveryAction action,
                                                  bool withDeviceScript, const QString &folder,
                                                  const Clock &clock, QString *error = nullptr);

// A single send's report as a group player's result, for the send log: the
// error's words are those the operator read.
PlayerResult singleSendResult(const QString &player, const DeliveryReport &report);

} // namespace qvic
