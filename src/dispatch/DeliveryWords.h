#pragma once

#include "dispatch/Delivery.h"

namespace qvic {

class OperatorDialogs;

// Tells the operator how a send from a window ended, in the program's words: its
// success, or a command file that could not be built. A failed upload says
// nothing here: the transfer window has told the operator already.
void tellDeliveryOutcome(OperatorDialogs &dialogs, DeliveryAction action, const DeliveryReport &report);

} // namespace qvic
