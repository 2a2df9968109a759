#include "dispatch/GroupPreparation.h"

#include "commands/Kite7Script.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qvic {
namespace {

bool build(DeliveryAction action, const SharedState &state, const Clock &clock, QString *error)
{
    switch (action) {
    case DeliveryAction::Start:
        return createInstantFile(kStartInstantCrawl, state, clock, error);
    case DeliveryAction::Stop:
        return createInstantFile(kStopInstantCrawl, state, clock, error);
    case DeliveryAction::Kite7Start:
        return createKite7Msg(state, clock, error);
    case DeliveryAction::Kite7Stop:
        return createKite7StopCrawlMsg(state, clock, error);
    }
    return false;
}

} // namespace

std::optional<PreparedGroupSend> prepareGroupSend(const SharedState &state, DeliveryAction action,
                                                  bool withDeviceScript, const QString &folder,
                                                  const Clock &clock, QString *error)
{
    SharedState building = state;
    const QDir dir(folder);
    const QString command = dir.filePath(QStringLiteral("Instant.txt"));
    building.strInstantFile = command;
    if (!build(action, building, clock, error))
        return std::nullopt;
    PreparedGroupSend prepared;
    prepared.message = commandFileMessage(command);

    QString deviceScript;
    const bool deviceFollows = withDeviceScript
                               && (action == DeliveryAction::Start || action == DeliveryAction::Stop);
    if (deviceFollows) {
        deviceScript = dir.filePath(QStringLiteral("Kite7.txt"));
        building.strInstantFile = deviceScript;
        const auto device = action == DeliveryAction::Start ? DeliveryAction::Kite7Start
                                                            : DeliveryAction::Kite7Stop;
        if (!build(device, building, clock, error))
            return std::nullopt;
    }
    // The document as it is now: a save during the send, or before a retry, must not
    // give some players another crawl than the command file describes.
    QString document;
    if (action == DeliveryAction::Start) {
        document = dir.filePath(QStringLiteral("document/") + QFileInfo(state.strCurFilePath).fileName());
        QFile::remove(document); // a folder may be prepared again
        if (!dir.mkpath(QStringLiteral("document")) || !QFile::copy(state.strCurFilePath, document)) {
            if (error)
                *error = QStringLiteral("Cannot read %1 to send it.").arg(state.strCurFilePath);
            return std::nullopt;
        }
    }
    prepared.files = groupFiles(action, document, command, deviceScript);
    return prepared;
}

PlayerResult singleSendResult(const QString &player, const DeliveryReport &report)
{
    PlayerResult result;
    result.player = player;
    if (const DeliveryStep *failure = report.failure()) {
        result.state = PlayerResult::State::Failed;
        result.remoteFile = failure->remoteFile;
        result.errorNumber = failure->upload.errorNumber;
        result.words = !failure->buildError.isEmpty()  ? failure->buildError
                       : !failure->upload.words.isEmpty() ? failure->upload.words
                                                          : QStringLiteral("The transfer did not finish.");
        return result;
    }
    // A single send checks the document's size alone and keeps no byte counts:
    // it cannot say what was verified as a group send does.
    result.state = PlayerResult::State::DeliveredNotVerified;
    return result;
}

} // namespace qvic
