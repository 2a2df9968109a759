#include "dispatch/GroupSend.h"

#include "dispatch/GroupTransfers.h"

#include <QFileInfo>

namespace qvic {

QList<GroupFile> groupFiles(DeliveryAction action, const QString &documentPath,
                            const QString &commandPath, const QString &deviceScriptPath)
{
    const QString command = QStringLiteral("settings\\Instant.txt");
    QList<GroupFile> files;
    if (action == DeliveryAction::Start)
        files.append({documentPath, QStringLiteral("media\\") + QFileInfo(documentPath).fileName(), true, 0});
    files.append({commandPath, command, false, 0});
    const bool deviceOnly = action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop;
    if (!deviceOnly && !deviceScriptPath.isEmpty())
        files.append({deviceScriptPath, command, false, kDeviceScriptPauseMs});
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

GroupSend::GroupSend(QObject *parent) : QObject(parent), m_transfers(new GroupTransfers)
{
    qRegisterMetaType<PlayerResult>();
    m_transfers->moveToThread(&m_thread);
    // Queued: the transfers report from their own thread.
    connect(m_transfers, &GroupTransfers::playerChanged, this, [this](int player, const PlayerResult &result) {
        if (player >= 0 && player < m_results.size()) {
            m_results[player] = result;
            emit playerChanged(player);
        }
    });
    connect(m_transfers, &GroupTransfers::finished, this, [this] {
        m_running = false;
        emit finished();
    });
    m_thread.setObjectName(QStringLiteral("group send"));
    m_thread.start();
}

GroupSend::~GroupSend()
{
    disconnect(m_transfers, nullptr, this, nullptr);
    // Deleted in its own thread, where its sockets and timers live; it cancels
    // whatever still runs.
    QMetaObject::invokeMethod(m_transfers, [transfers = m_transfers] { delete transfers; },
                              Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool GroupSend::start(const GroupRequest &request)
{
    if (m_running)
        return false;
    m_request = request;
    m_results.clear();
    QList<int> players;
    for (const QString &player : request.players) {
        players.append(int(m_results.size()));
        m_results.append(PlayerResult{});
        m_results.last().player = player;
    }
    return run(players, true);
}

bool GroupSend::retry(const QList<int> &players)
{
    if (m_running)
        return false;
    QList<int> again;
    for (const int player : players) {
        if (player < 0 || player >= m_results.size() || again.contains(player))
            continue;
        again.append(player);
        m_results[player] = PlayerResult{};
        m_results[player].player = m_request.players[player];
    }
    return run(again, false);
}

bool GroupSend::run(const QList<int> &players, bool newRequest)
{
    m_running = true;
    QMetaObject::invokeMethod(
        m_transfers,
        [transfers = m_transfers, request = m_request, players, newRequest, limits = m_limits,
         connections = m_maxConnections] {
            transfers->run(request, players, newRequest, limits, connections);
        },
        Qt::QueuedConnection);
    return true;
}

void GroupSend::cancel()
{
    if (m_running)
        QMetaObject::invokeMethod(m_transfers, &GroupTransfers::cancel, Qt::QueuedConnection);
}

QList<int> GroupSend::failedPlayers() const
{
    QList<int> failed;
    for (int i = 0; i < m_results.size(); ++i)
        if (m_results[i].state == PlayerResult::State::Failed)
            failed.append(i);
    return failed;
}

} // namespace qvic
