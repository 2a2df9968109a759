#include "dispatch/SendEngine.h"

#include "dispatch/FtpFailure.h"
#include "dispatch/PlayerAddress.h"
#include "dispatch/PlayerSession.h"

#include <QHash>
#include <QMetaObject>
#include <QSet>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace qvic {

// One round of a send (a start or a retry), shared by the engine and its
// workers: the players still waiting, the connections of those under way, and
// whom to report to. The workers keep it alive after the engine is gone.
struct SendRun
{
    std::shared_ptr<const SendJob> job;
    QStringList players;
    int round = 0;

    std::mutex lock;
    std::condition_variable workersEnded;
    QList<int> waiting;
    std::map<int, std::shared_ptr<PlayerConnections>> underWay;
    bool cancelled = false;
    int workers = 0;
    SendEngine *engine = nullptr; // null once the engine stops listening
};

namespace {

// How long the engine's end waits for its workers to let go of their players.
// A cancel makes them quick; the bound only keeps a fault from hanging a window.
constexpr auto kWorkersEndWait = std::chrono::seconds(10);

} // namespace

SendEngine::SendEngine(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<PlayerResult>();
    // Before libcurl's first use on any thread; a second call only counts.
    static const bool curlReady = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(curlReady);
}

SendEngine::~SendEngine()
{
    if (!m_run)
        return;
    cancel();
    std::unique_lock lock(m_run->lock);
    m_run->engine = nullptr;
    m_run->workersEnded.wait_for(lock, kWorkersEndWait, [this] { return m_run->workers == 0; });
}

void SendEngine::setMaxConnections(int players)
{
    m_maxConnections = std::clamp(players, 1, 1024);
}

bool SendEngine::start(const SendRequest &request)
{
    if (m_running)
        return false;
    m_request = request;
    m_results.clear();
    m_original.clear();
    // Two spellings of one player would race for its files: it is sent to once.
    QHash<QString, int> firstOf;
    QList<int> everyone;
    for (const QString &player : request.players) {
        const int index = int(m_results.size());
        const QString identity = playerIdentity(player);
        m_original.append(identity.isEmpty() ? index : int(firstOf.value(identity, index)));
        firstOf.insert(identity, m_original.last());
        everyone.append(index);
        m_results.append(PlayerResult{});
        m_results.last().player = player;
    }
    m_job = std::make_shared<const SendJob>(SendJob::load(request, m_limits));
    return run(everyone);
}

bool SendEngine::retry(const QList<int> &players)
{
    if (m_running || !m_job)
        return false;
    QList<int> again;
    QSet<int> taken; // beside the list: a retry of thousands must not search it for each
    for (const int player : players) {
        if (player >= 0 && player < m_results.size() && !taken.contains(player)) {
            taken.insert(player);
            again.append(player);
        }
    }
    return run(again);
}

bool SendEngine::run(const QList<int> &players)
{
    if (players.isEmpty())
        return false;
    m_round = players;
    m_ended = 0;
    m_running = true;
    for (const int player : players) {
        m_results[player] = PlayerResult{};
        m_results[player].player = m_request.players[player];
    }
    QList<int> sent; // one of each player's spellings
    m_spellings.clear();
    for (const int player : players) {
        QList<int> &spellings = m_spellings[m_original[player]];
        if (spellings.isEmpty())
            sent.append(m_original[player]);
        spellings.append(player);
    }
    auto run = std::make_shared<SendRun>();
    run->job = m_job;
    run->players = m_request.players;
    run->round = ++m_roundNumber;
    run->waiting = sent;
    run->engine = this;
    m_run = run;
    const int workers = std::min<int>(m_maxConnections, int(sent.size()));
    run->workers = workers;
    for (int i = 0; i < workers; ++i)
        std::thread(&SendEngine::work, run).detach();
    return true;
}

void SendEngine::work(std::shared_ptr<SendRun> run)
{
    for (;;) {
        int player = -1;
        auto connections = std::make_shared<PlayerConnections>();
        {
            const std::lock_guard lock(run->lock);
            if (run->cancelled || run->waiting.isEmpty())
                break;
            player = run->waiting.takeFirst();
            run->underWay[player] = connections;
        }
        const auto report = [run, player](const PlayerResult &result) {
            const std::lock_guard lock(run->lock);
            if (SendEngine *engine = run->engine)
                QMetaObject::invokeMethod(
                    engine, [engine, round = run->round, player, result] { engine->onReport(round, player, result); },
                    Qt::QueuedConnection);
        };
        {
            // The session tells its outcome when the files are verified, then
            // closes its connection without waiting for the player.
            PlayerSession session(*run->job, run->players[player], *connections, report);
            session.run();
        }
        const std::lock_guard lock(run->lock);
        run->underWay.erase(player);
    }
    const std::lock_guard lock(run->lock);
    --run->workers;
    run->workersEnded.notify_all();
}

void SendEngine::cancel()
{
    if (!m_running || !m_run)
        return;
    QList<int> waiting;
    std::vector<std::shared_ptr<PlayerConnections>> underWay;
    {
        const std::lock_guard lock(m_run->lock);
        m_run->cancelled = true;
        waiting = std::exchange(m_run->waiting, {});
        for (const auto &[player, connections] : m_run->underWay)
            underWay.push_back(connections);
    }
    // Those under way end in their own thread and report it.
    for (const auto &connections : underWay)
        connections->cancel();
    const int round = m_roundNumber;
    for (const int player : std::as_const(waiting)) {
        PlayerResult cancelled;
        cancelled.player = m_request.players[player];
        cancelled.state = PlayerResult::State::Failed;
        cancelled.errorNumber = CURLE_ABORTED_BY_CALLBACK;
        cancelled.words = transferCancelledWords();
        onReport(round, player, cancelled);
    }
}

void SendEngine::onReport(int round, int player, const PlayerResult &result)
{
    if (round != m_roundNumber || !m_running || player < 0 || player >= m_results.size())
        return;
    // The player's other spellings in this round share its outcome.
    const QList<int> spellings = m_spellings.value(player);
    for (const int spelling : spellings) {
        PlayerResult shared = result;
        if (spelling != player) {
            shared.player = m_request.players[spelling];
            shared.note = QStringLiteral("the same player as %1, sent to once").arg(result.player);
        }
        const bool endsNow = shared.ended() && !m_results[spelling].ended();
        m_results[spelling] = shared;
        emit playerChanged(spelling);
        if (endsNow && ++m_ended == m_round.size()) {
            m_running = false;
            emit finished();
        }
    }
}

QList<int> SendEngine::failedPlayers() const
{
    QList<int> failed;
    for (int i = 0; i < m_results.size(); ++i)
        if (m_results[i].state == PlayerResult::State::Failed)
            failed.append(i);
    return failed;
}

} // namespace qvic
