#pragma once

#include "commands/InstantFile.h"
#include "dispatch/SendRequest.h"

class QWidget;

namespace qvic {

class OperatorDialogs;
struct SharedState;

// A start, a stop or a Kite-7 action sent to the one player of the address
// box, from a window, once the password was given: builds the files (the
// command file also into state.instantFile, the last one sent), shows the
// transfer window while the engine sends them, adds the send to the send log
// and tells the outcome in the program's words. Whether the player got everything.
bool sendToPlayer(SharedState &state, OperatorDialogs &dialogs, QWidget *parent, DeliveryAction action,
                  const QString &player, bool withDeviceScript, const Clock &clock,
                  const SendTimeLimits &limits = {});

} // namespace qvic
