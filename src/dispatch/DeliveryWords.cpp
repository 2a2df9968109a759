#include "dispatch/DeliveryWords.h"

#include "dispatch/GroupPreparation.h"
#include "dispatch/SendLog.h"
#include "platform/OperatorDialogs.h"
#include "state/SharedState.h"

namespace qvic {
namespace {

struct Words
{
    QString done;
    QString doneWithDevice; // the device script followed the command file
    QString deviceScriptNotBuilt;
};

Words wordsFor(DeliveryAction action)
{
    switch (action) {
    case DeliveryAction::Start:
        return {QStringLiteral("Successfully sent out the QV instant crawl."),
                QStringLiteral("Successfully sent out QV instant crawl and Kite-7 instant crawl."),
                QStringLiteral("Error creating Start Crawl Instant.txt file.")};
    case DeliveryAction::Stop:
        return {QStringLiteral("Successfully 'Stop' the QV instant crawl."),
                QStringLiteral("Successfully 'Stop' QV instant crawl and Kite-7 instant crawl."),
                QStringLiteral("Error creating 'Stop' Crawl Instant.txt file.")};
    case DeliveryAction::Kite7Start:
        return {QStringLiteral("Successfully sent out Kite-7 instant crawl."), {},
                QStringLiteral("Error creating Kite-7 Instant.txt file.")};
    case DeliveryAction::Kite7Stop:
        return {QStringLiteral("Successfully sent out Kite-7 Stop Crawl Instant.txt file."), {},
                QStringLiteral("Error creating Kite-7 Stop Crawl Instant.txt file.")};
    }
    return {};
}

} // namespace

void tellDeliveryOutcome(OperatorDialogs &dialogs, DeliveryAction action, const DeliveryReport &report)
{
    const Words words = wordsFor(action);
    const bool deviceOnly = action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop;
    if (const DeliveryStep *failed = report.failure()) {
        if (failed->kind == DeliveryStep::Kind::BuildCommand)
            dialogs.exclamation(QStringLiteral("Error creating Instant.txt file."));
        else if (failed->kind == DeliveryStep::Kind::BuildDeviceScript)
            dialogs.exclamation(words.deviceScriptNotBuilt);
        return;
    }
    dialogs.information(report.sentDeviceScript() && !deviceOnly ? words.doneWithDevice : words.done);
}

void recordDelivery(OperatorDialogs &dialogs, const SharedState &state, const Clock &clock,
                    DeliveryAction action, const QString &player, const DeliveryReport &report)
{
    // A send that failed before anything was built put nothing on the player.
    if (report.steps.isEmpty())
        return;
    const QString document = action == DeliveryAction::Start ? state.strCurFileName : QString();
    QString error;
    if (!SendLog(SendLog::pathFor(state), clock)
             .append(action, document, report.message, {singleSendResult(player, report)}, &error))
        dialogs.exclamation(QStringLiteral("The send log could not be written.\n%1").arg(error));
}

} // namespace qvic
