#include "dispatch/ui/SingleSend.h"

#include "dispatch/DeliveryWords.h"
#include "dispatch/SendLog.h"
#include "dispatch/SendPreparation.h"
#include "dispatch/ui/TransferWindow.h"
#include "platform/OperatorDialogs.h"
#include "platform/TextFile.h"
#include "state/SharedState.h"

#include <QTemporaryDir>

namespace qvic {
namespace {

// The last command file sent stays in the program's Settings folder, as the
// player got it.
bool keepAsLastCommandFile(const SharedState &state, const QString &built)
{
    const auto bytes = textfile::readFile(built);
    return bytes && textfile::replaceFile(state.instantFile, *bytes);
}

} // namespace

bool sendToPlayer(SharedState &state, OperatorDialogs &dialogs, QWidget *parent, DeliveryAction action,
                  const QString &player, bool withDeviceScript, const Clock &clock, const SendTimeLimits &limits)
{
    QTemporaryDir folder;
    PreparationFailure failure;
    const auto prepared = folder.isValid()
        ? prepareSend(state, action, withDeviceScript, folder.path(), clock, &failure)
        : std::nullopt;
    const bool deviceOnly = action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop;
    if (!prepared) {
        dialogs.exclamation(notBuiltWords(action, failure.step));
        return false;
    }
    if (!keepAsLastCommandFile(state, prepared->commandFile)) {
        dialogs.exclamation(notBuiltWords(action, deviceOnly ? PreparationFailure::Step::DeviceScript
                                                             : PreparationFailure::Step::CommandFile));
        return false;
    }

    const QString document = action == DeliveryAction::Start ? state.currentFileName : QString();
    TransferWindow window({{player}, state.ftpUser, state.ftpPassword, prepared->files}, dialogs, parent);
    window.setTimeLimits(limits);
    // Logged as the send ends, before any message: its time is the send's end.
    window.setOnEnded([&](const PlayerResult &outcome) {
        QString error;
        if (!SendLog(SendLog::pathFor(state), clock).append(action, document, prepared->message, {outcome}, &error))
            dialogs.exclamation(QStringLiteral("The send log could not be written.\n%1").arg(error));
    });
    window.exec();
    const PlayerResult &outcome = window.outcome();

    // The device script replaced the command file on the player once it went out.
    const bool deviceScriptSent = !prepared->deviceScript.isEmpty() && outcome.file == prepared->files.size() - 1;
    if (deviceScriptSent)
        keepAsLastCommandFile(state, prepared->deviceScript);
    if (!outcome.delivered())
        return false;
    dialogs.information(deliveredWords(action, !prepared->deviceScript.isEmpty()));
    return true;
}

} // namespace qvic
