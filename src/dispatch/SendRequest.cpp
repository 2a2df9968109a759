#include "dispatch/SendRequest.h"

#include <QFileInfo>

namespace qvic {

QList<SendFile> filesFor(DeliveryAction action, const QString &documentPath, const QString &commandPath,
                         const QString &deviceScriptPath)
{
    QList<SendFile> files;
    if (action == DeliveryAction::Start)
        files.append({documentPath, QStringLiteral("media\\") + QFileInfo(documentPath).fileName(), true, 0});
    files.append({commandPath, kCommandFileRemote, false, 0});
    const bool deviceOnly = action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop;
    if (!deviceOnly && !deviceScriptPath.isEmpty())
        files.append({deviceScriptPath, kCommandFileRemote, false, kDeviceScriptPauseMs});
    return files;
}

QString playerStateWords(PlayerResult::State state)
{
    switch (state) {
    case PlayerResult::State::Waiting:
        return QStringLiteral("waiting");
    case PlayerResult::State::LoggingOn:
        return QStringLiteral("logging on");
    case PlayerResult::State::Sending:
        return QStringLiteral("sending");
    case PlayerResult::State::Delivered:
        return QStringLiteral("delivered");
    case PlayerResult::State::DeliveredNotVerified:
        return QStringLiteral("delivered, not verified");
    case PlayerResult::State::Failed:
        return QStringLiteral("failed");
    }
    return {};
}

} // namespace qvic
