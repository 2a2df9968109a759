#include "cli/SendRun.h"

#include "cli/CliPassword.h"
#include "cli/CommandOutput.h"
#include "cli/SendReport.h"
#include "dispatch/SendEngine.h"
#include "platform/AppFolders.h"
#include "state/SharedState.h"

#include <QEventLoop>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <csignal>

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

namespace qvic::cli {
namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void forwardSignal(int signal)
{
    const char number = char(signal);
    (void)!::write(g_signalPipe[1], &number, 1);
}

} // namespace

std::optional<QString> startUp(SharedState &state)
{
    if (auto error = setUpFolders(state, appDir(), winDir()))
        return error;
    setKite7Defaults(state);
    return std::nullopt;
}

CurlGlobal::CurlGlobal() : ready(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

CurlGlobal::~CurlGlobal()
{
    if (ready)
        curl_global_cleanup();
}

std::optional<QString> readyToReachPlayers(SharedState &state, const CurlGlobal &curl)
{
    if (auto error = startUp(state))
        return error;
    if (!curl.ready)
        return QStringLiteral("libcurl could not be initialised");
    std::signal(SIGPIPE, SIG_IGN);
    return std::nullopt;
}

std::optional<QString> folderProblem(const QTemporaryDir &folder)
{
    if (folder.isValid())
        return std::nullopt;
    return QStringLiteral("cannot make a temporary folder for the command file: %1").arg(folder.errorString());
}

std::optional<QString> passwordRefusal(const std::optional<QString> &passwordFile, const QString &passFile)
{
    QString error;
    auto password = readPassword(passwordFile, &error);
    if (!password)
        return error;
    const auto refusal = refusePassword(*password, passFile);
    password->fill(QChar(0)); // checked: no longer needed
    return refusal;
}

Interruption::Interruption()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { takeSignals(); });
    struct sigaction forwarding{};
    forwarding.sa_handler = forwardSignal;
    forwarding.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &forwarding, nullptr);
}

Interruption::~Interruption()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    m_notifier.reset();
    for (int &fd : g_signalPipe)
        if (fd >= 0)
            ::close(fd), fd = -1;
}

int Interruption::signal()
{
    takeSignals();
    return m_signal;
}

void Interruption::takeSignals()
{
    char number = 0;
    while (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], &number, 1) == 1) {
        if (m_signal)
            continue;
        m_signal = number;
        if (m_cancel) {
            if (!m_cancelWords.isEmpty())
                print(stderr, QStringLiteral("qv-instant-crawl: %1\n").arg(m_cancelWords));
            m_cancel();
        }
    }
}

QList<PlayerResult> sendAndReport(const SendRequest &request, int maxConnections, bool tellEachPlayer,
                                  Interruption &interruption)
{
    SendEngine send;
    send.setMaxConnections(maxConnections);
    QList<bool> told(request.players.size(), false);
    QEventLoop loop;
    QObject::connect(&send, &SendEngine::playerChanged, [&](int player) {
        const PlayerResult &result = send.results()[player];
        if (result.ended() && !told[player] && tellEachPlayer)
            print(stdout, playerLine(result) + u'\n'); // as each finishes: a long send shows its progress
        told[player] = told[player] || result.ended();
    });
    QObject::connect(&send, &SendEngine::finished, &loop, &QEventLoop::quit);
    interruption.setCancel([&send] { send.cancel(); });
    const auto ended = qScopeGuard([&interruption] { interruption.setCancel({}); });
    send.start(request);
    loop.exec();
    return send.results();
}

} // namespace qvic::cli
