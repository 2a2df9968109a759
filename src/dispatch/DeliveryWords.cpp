#include "dispatch/DeliveryWords.h"

namespace qvic {

QString deliveredWords(DeliveryAction action, bool withDeviceScript)
{
    switch (action) {
    case DeliveryAction::Start:
        return withDeviceScript ? QStringLiteral("Successfully sent out QV instant crawl and Kite-7 instant crawl.")
                                : QStringLiteral("Successfully sent out the QV instant crawl.");
    case DeliveryAction::Stop:
        return withDeviceScript ? QStringLiteral("Successfully 'Stop' QV instant crawl and Kite-7 instant crawl.")
                                : QStringLiteral("Successfully 'Stop' the QV instant crawl.");
    case DeliveryAction::Kite7Start:
        return QStringLiteral("Successfully sent out Kite-7 instant crawl.");
    case DeliveryAction::Kite7Stop:
        return QStringLiteral("Successfully sent out Kite-7 Stop Crawl Instant.txt file.");
    }
    return {};
}

QString notBuiltWords(DeliveryAction action, PreparationFailure::Step step)
{
    if (step != PreparationFailure::Step::DeviceScript)
        return QStringLiteral("Error creating Instant.txt file.");
    switch (action) {
    case DeliveryAction::Start:
        return QStringLiteral("Error creating Start Crawl Instant.txt file.");
    case DeliveryAction::Stop:
        return QStringLiteral("Error creating 'Stop' Crawl Instant.txt file.");
    case DeliveryAction::Kite7Start:
        return QStringLiteral("Error creating Kite-7 Instant.txt file.");
    case DeliveryAction::Kite7Stop:
        return QStringLiteral("Error creating Kite-7 Stop Crawl Instant.txt file.");
    }
    return {};
}

} // namespace qvic
