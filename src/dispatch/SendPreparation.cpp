#include "dispatch/SendPreparation.h"

#include "commands/Kite7Script.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"
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

std::nullopt_t failWith(PreparationFailure *failure, PreparationFailure::Step step, const QString &reason)
{
    if (failure)
        *failure = {step, reason};
    return std::nullopt;
}

} // namespace

std::optional<PreparedSend> prepareSend(const SharedState &state, DeliveryAction action, bool withDeviceScript,
                                        const QString &folder, const Clock &clock, PreparationFailure *failure)
{
    using Step = PreparationFailure::Step;
    const bool deviceOnly = action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop;
    const QDir dir(folder);
    PreparedSend prepared;
    SharedState building = state;
    building.instantFile = prepared.commandFile = dir.filePath(QStringLiteral("Instant.txt"));
    QString error;
    if (!build(action, building, clock, &error))
        return failWith(failure, deviceOnly ? Step::DeviceScript : Step::CommandFile, error);
    prepared.message = commandFileMessage(prepared.commandFile);

    if (withDeviceScript && !deviceOnly) {
        building.instantFile = prepared.deviceScript = dir.filePath(QStringLiteral("Kite7.txt"));
        const auto device = action == DeliveryAction::Start ? DeliveryAction::Kite7Start : DeliveryAction::Kite7Stop;
        if (!build(device, building, clock, &error))
            return failWith(failure, Step::DeviceScript, error);
    }
    QString document;
    if (action == DeliveryAction::Start) {
        document = state.currentFilePath;
        if (QFileInfo(document).isFile()) {
            const QString copy = dir.filePath(QStringLiteral("document/") + QFileInfo(document).fileName());
            QFile::remove(copy); // a folder may be prepared again
            if (!dir.mkpath(QStringLiteral("document")) || !QFile::copy(document, copy))
                return failWith(failure, Step::Document, QStringLiteral("Cannot read %1 to send it.").arg(document));
            document = copy;
        }
    }
    prepared.files = filesFor(action, document, prepared.commandFile, prepared.deviceScript);
    return prepared;
}

QString commandFileMessage(const QString &path)
{
    const auto bytes = textfile::readFile(path);
    if (!bytes)
        return {};
    const QList<QByteArray> lines = bytes->split('\n');
    return lines.size() < 2 ? QString() : win1252::decode(lines.at(1)).remove(u'\r');
}

} // namespace qvic
