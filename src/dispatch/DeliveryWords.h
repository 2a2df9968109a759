#pragma once

#include "dispatch/Delivery.h"

namespace qvic {

class OperatorDialogs;
struct SharedState;

// Tells the operator how a send from a window ended, in the program's words: its
// success, or a command file that could not be built. A failed upload says
// nothing here: the transfer window has told the operator already.
void tellDeliveryOutcome(OperatorDialogs &dialogs, DeliveryAction action, const DeliveryReport &report);

// Adds a single send to the send log: the crawl document for a start, the
// command line sent, the player and how it went. A log that cannot be written
// is told; the send itself stands.
void recordDelivery(OperatorDialogs &dialogs, const SharedState &state, const Clock &clock,
                    DeliveryAction action, const QString &player, const DeliveryReport &report);

} // namespace qvic
