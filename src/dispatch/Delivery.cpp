#include "dispatch/Delivery.h"

#include "state/SharedState.h"
#include "commands/Kite7Script.h"
#include "dispatch/FtpClient.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"

#include <utility>

namespace qvic {
namespace {

const QString kInstantName = QStringLiteral("Instant.txt");
const QString kInstantRemote = QStringLiteral("settings\\Instant.txt");

} // namespace

bool DeliveryReport::sentDeviceScript() const
{
    return delivered() && steps.last().kind == DeliveryStep::Kind::SendDeviceScript;
}

QString commandFileMessage(const QString &path)
{
    const auto bytes = textfile::readFile(path);
    if (!bytes)
        return {};
    const QList<QByteArray> lines = bytes->split('\n');
    return lines.size() < 2 ? QString() : win1252::decode(lines.at(1)).remove(u'\r');
}

QString transferFailureWords(int errorNumber, const QString &description)
{
    switch (errorNumber) {
    case ftperror::LogonRefused:
        return QStringLiteral("Can't logon to this IP Address");
    case ftperror::RemoteFileRefused:
        return QStringLiteral("Can't find the transferred file.\r\nTransferring process is cancelled.");
    case ftperror::NotConnected:
        return QStringLiteral("The IP Address is not connected.");
    default:
        return QStringLiteral("Error transferring file.\r\nFTP Error: %1\r\nErr Desp: %2")
            .arg(errorNumber)
            .arg(description);
    }
}

QString transferCancelledWords()
{
    return QStringLiteral("Transferring process is cancelled.");
}

DeliveryService::DeliveryService(const SharedState &state, TransferStep &transfer, Clock clock,
                                 Pause pause)
    : m_state(state), m_transfer(transfer), m_clock(std::move(clock)), m_pause(std::move(pause))
{
}

DeliveryReport DeliveryService::deliver(DeliveryAction action, const QString &player,
                                        bool withDeviceScript)
{
    using Kind = DeliveryStep::Kind;
    DeliveryReport report;
    const bool deviceOnly = action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop;
    // The command file is written before the document travels: a failed document
    // upload leaves a fresh local command file, as it always has.
    if (!build(report, deviceOnly ? Kind::BuildDeviceScript : Kind::BuildCommand, action))
        return report;
    if (action == DeliveryAction::Start
        && !send(report, Kind::SendDocument, player, m_state.strCurFileName, m_state.strCurFilePath,
                 QStringLiteral("media\\") + m_state.strCurFileName, true))
        return report;
    if (!send(report, deviceOnly ? Kind::SendDeviceScript : Kind::SendCommand, player, kInstantName,
              m_state.strInstantFile, kInstantRemote))
        return report;
    if (deviceOnly || !withDeviceScript)
        return report;

    if (m_pause)
        m_pause();
    const DeliveryAction device = action == DeliveryAction::Start ? DeliveryAction::Kite7Start
                                                                  : DeliveryAction::Kite7Stop;
    if (build(report, Kind::BuildDeviceScript, device))
        send(report, Kind::SendDeviceScript, player, kInstantName, m_state.strInstantFile, kInstantRemote);
    return report;
}

bool DeliveryService::build(DeliveryReport &report, DeliveryStep::Kind kind, DeliveryAction action)
{
    DeliveryStep step;
    step.kind = kind;
    switch (action) {
    case DeliveryAction::Start:
        step.done = createInstantFile(kStartInstantCrawl, m_state, m_clock, &step.buildError);
        break;
    case DeliveryAction::Stop:
        step.done = createInstantFile(kStopInstantCrawl, m_state, m_clock, &step.buildError);
        break;
    case DeliveryAction::Kite7Start:
        step.done = createKite7Msg(m_state, m_clock, &step.buildError);
        break;
    case DeliveryAction::Kite7Stop:
        step.done = createKite7StopCrawlMsg(m_state, m_clock, &step.buildError);
        break;
    }
    report.steps.append(step);
    if (step.done && report.message.isEmpty())
        report.message = commandFileMessage(m_state.strInstantFile);
    return step.done;
}

bool DeliveryService::send(DeliveryReport &report, DeliveryStep::Kind kind, const QString &player,
                           const QString &localName, const QString &localPath,
                           const QString &remoteFile, bool viaTemporaryName)
{
    DeliveryStep step;
    step.kind = kind;
    step.remoteFile = remoteFile;
    step.upload = m_transfer.upload({player, m_state.strFtpUser, m_state.strFtpPassword, localName,
                                     localPath, remoteFile, viaTemporaryName});
    step.done = step.upload.sent;
    report.steps.append(step);
    return step.done;
}

} // namespace qvic
