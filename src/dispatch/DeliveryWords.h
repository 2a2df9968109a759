#pragma once

#include "dispatch/Delivery.h"

namespace qvic {

class OperatorDialogs;

// Tells the operator how a send from a window ended, in the program's words: its
// success, a command file that could not be built, or a failed upload that the
// transfer window has not told the operator of already.
void tellDeliveryOutcome(OperatorDialogs &dialogs, DeliveryAction action, const DeliveryReport &report);

} // namespace qvic
