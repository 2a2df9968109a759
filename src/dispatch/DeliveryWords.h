#pragma once

#include "dispatch/SendPreparation.h"
#include "dispatch/SendRequest.h"

#include <QString>

namespace qvic {

// What the operator reads after a send from a window that reached its player:
// "Successfully sent out the QV instant crawl." and the like; withDeviceScript
// when the Kite-7 script followed the command file.
QString deliveredWords(DeliveryAction action, bool withDeviceScript);

// What the operator reads when a file of the send could not be built, so
// nothing was sent: "Error creating Instant.txt file." and the like.
QString notBuiltWords(DeliveryAction action, PreparationFailure::Step step);

} // namespace qvic
