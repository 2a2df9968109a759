#include "cli/CommandLineTool.h"

#include "cli/CliOptions.h"
#include "cli/CliPassword.h"
#include "cli/PasswordCommand.h"
#include "cli/PlayerChoice.h"
#include "cli/SavedCrawl.h"
#include "cli/SendReport.h"
#include "cli/StatusReport.h"
#include "dispatch/PlayerStatus.h"
#include "dispatch/SendEngine.h"
#include "dispatch/SendPreparation.h"
#include "dispatch/SendLog.h"
#include "platform/AppFolders.h"
#include "platform/Text.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

namespace qvic::cli {
namespace {

bool print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size())
           && std::fflush(stream) == 0;
}

// With --json every outcome is one JSON object on standard output, a refusal too.
bool g_json = false;

// Tells why the command stops and gives the exit status; with --json also as
// {"error": ..., "exitStatus": ...} on standard output.
int refuse(const QString &problem, int status = 1, const QString &hint = {})
{
    print(stderr, QStringLiteral("qv-instant-crawl: %1\n").arg(problem) + (hint.isEmpty() ? QString() : hint + u'\n'));
    if (g_json)
        print(stdout, QString::fromUtf8(QJsonDocument(QJsonObject{{"error", problem}, {"exitStatus", status}})
                                            .toJson(QJsonDocument::Compact))
                          + u'\n');
    return status;
}

void warn(const QStringList &warnings)
{
    for (const QString &warning : warnings)
        print(stderr, QStringLiteral("qv-instant-crawl: warning: %1\n").arg(warning));
}

// A text the operator asked for that never reached them (a full disk, a closed pipe) is a failure.
int answer(const QString &text)
{
    return print(stdout, text) ? 0 : refuse(QStringLiteral("write error"));
}

// Readies the state as the window's start-up does: the folders, the account,
// the Kite-7 defaults (never saved, so every start begins with them).
std::optional<QString> startUp(SharedState &state)
{
    if (auto error = setUpFolders(state, appDir(), winDir()))
        return error;
    setKite7Defaults(state);
    return std::nullopt;
}

int listPlayers(const Options &options)
{
    SharedState state;
    if (const auto error = startUp(state))
        return refuse(*error);
    QStringList warnings;
    QString error;
    const auto listing = cli::listPlayers(state, &warnings, &error);
    warn(warnings);
    if (!listing)
        return refuse(error);
    return answer(QString::fromLocal8Bit(listingText(*listing, options.json)));
}

// SIGINT, SIGTERM and SIGHUP during a send cancel it rather than end the
// program at once: no upload is left half done under a player's real name,
// the send log and the output still tell how each player ended, and the
// send's temporary folder is removed. A second signal ends the program as usual.
int g_signalPipe[2] = {-1, -1};

extern "C" void forwardSignal(int signal)
{
    const char number = char(signal);
    (void)!::write(g_signalPipe[1], &number, 1);
}

// Catches the signals from its construction to its destruction; one that
// comes before the send starts or after it ended is noted, and told by signal().
class Interruption
{
public:
    Interruption()
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
    ~Interruption()
    {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            std::signal(signal, SIG_DFL);
        m_notifier.reset();
        for (int &fd : g_signalPipe)
            if (fd >= 0)
                ::close(fd), fd = -1;
    }
    // What a signal does while the send runs; empty once it has ended.
    void setCancel(std::function<void()> cancel) { m_cancel = std::move(cancel); }
    // The first signal caught, 0 when none was.
    int signal()
    {
        takeSignals();
        return m_signal;
    }

private:
    void takeSignals()
    {
        char number = 0;
        while (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], &number, 1) == 1) {
            if (m_signal)
                continue;
            m_signal = number;
            if (m_cancel) {
                print(stderr, QStringLiteral("qv-instant-crawl: interrupted; cancelling the transfers\n"));
                m_cancel();
            }
        }
    }

    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_cancel;
    int m_signal = 0;
};

QList<PlayerResult> sendAndReport(const SendRequest &request, const Options &options, Interruption &interruption)
{
    SendEngine send;
    send.setMaxConnections(options.maxConnections);
    QList<bool> told(request.players.size(), false);
    QEventLoop loop;
    QObject::connect(&send, &SendEngine::playerChanged, [&](int player) {
        const PlayerResult &result = send.results()[player];
        if (result.ended() && !told[player] && !options.json)
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

// Why the folder for a send's files could not be made; nothing when it was.
std::optional<QString> folderProblem(const QTemporaryDir &folder)
{
    if (folder.isValid())
        return std::nullopt;
    return QStringLiteral("cannot make a temporary folder for the command file: %1").arg(folder.errorString());
}

struct CurlGlobal
{
    const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    ~CurlGlobal()
    {
        if (ready)
            curl_global_cleanup();
    }
};

int send(const Options &options, int argc, char *argv[])
{
    SharedState state;
    if (const auto error = startUp(state))
        return refuse(*error);
    const CurlGlobal curl; // before libcurl's first use, the address check included
    if (!curl.ready)
        return refuse(QStringLiteral("libcurl could not be initialised"));
    // A reader that goes away (| head) must not end the send half way, unlogged.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList warnings;
    QString error;
    const auto players = choosePlayers(options.players, options.group, state, &warnings, &error);
    warn(warnings);
    if (!players)
        return refuse(error);

    const bool start = options.command == Command::Start;
    if (start) {
        const auto crawl = loadSavedCrawl(options.crawl, state.crawlFolder, &error);
        if (!crawl)
            return refuse(error);
        state.currentFilePath = crawl->path;
        state.currentFileName = crawl->name;
        state.kite7Message = crawl->plainText;
        // As the Kite-7 dialog refuses it: the device would crawl an empty line.
        if (options.kite7 && trimSpaces(crawl->plainText).isEmpty())
            return refuse(QStringLiteral("the crawl %1 holds only spaces: the Kite-7 device would have "
                                         "nothing to crawl")
                              .arg(crawl->path));
    }
    const Kite7Choices &kite7 = options.kite7Choices;
    state.kite7ComPort = kite7.comPort.value_or(state.kite7ComPort);
    state.kite7Speed = kite7.speed.value_or(state.kite7Speed);
    state.kite7Position = kite7.position.value_or(state.kite7Position);
    state.kite7Repeat = kite7.repeat.value_or(state.kite7Repeat);

    // Built once before the password, so a settings file that cannot make a
    // command is told without asking for it; and again after, for a fresh time
    // stamp. The first folder is gone before the password is asked for: a signal
    // may end the program while it waits, and would leave the folder behind.
    const DeliveryAction action = start ? DeliveryAction::Start : DeliveryAction::Stop;
    PreparationFailure failure;
    {
        QTemporaryDir folder;
        if (const auto problem = folderProblem(folder))
            return refuse(*problem);
        if (!prepareSend(state, action, options.kite7, folder.path(), systemClock, &failure))
            return refuse(failure.reason);
    }

    auto password = readPassword(options.passwordFile, &error);
    if (!password)
        return refuse(error);
    const auto refusal = refusePassword(*password, state.passwordFile);
    password->fill(QChar(0)); // checked: no longer needed
    if (refusal)
        return refuse(*refusal);

    QCoreApplication application(argc, argv); // the group send's threads report through its event loop
    // Caught from before the folder exists to after it is removed, so that no
    // signal the program takes leaves it behind.
    Interruption interruption;
    QTemporaryDir folder;
    if (const auto problem = folderProblem(folder))
        return refuse(*problem);
    const auto prepared = prepareSend(state, action, options.kite7, folder.path(), systemClock, &failure);
    if (!prepared)
        return refuse(failure.reason);
    if (const int signal = interruption.signal())
        return refuse(QStringLiteral("interrupted; nothing was sent"), 128 + signal);
    const QList<PlayerResult> results
        = sendAndReport({*players, state.ftpUser, state.ftpPassword, prepared->files}, options, interruption);

    // Every send is logged, one line per player, as the window logs its own.
    const QString document = start ? state.currentFileName : QString();
    if (!SendLog(SendLog::pathFor(state)).append(action, document, prepared->message, results, &error))
        warn({QStringLiteral("the send was not logged: %1").arg(error)});
    const QString summary
        = options.json ? QString::fromUtf8(sendJson(commandName(options.command), document, options.kite7, results))
                       : summaryLine(start ? QStringLiteral("Start") : QStringLiteral("Stop"), results) + u'\n';
    if (!print(stdout, summary))
        refuse(QStringLiteral("write error"));
    const int signal = interruption.signal();
    return signal ? 128 + signal : sendStatus(results);
}

// Reads every player given and tells what each shows: a line as each answers,
// then a summary, or one JSON object. Nothing changes on a player: no password.
int checkStatus(const Options &options, int argc, char *argv[])
{
    SharedState state;
    if (const auto error = startUp(state))
        return refuse(*error);
    const CurlGlobal curl;
    if (!curl.ready)
        return refuse(QStringLiteral("libcurl could not be initialised"));
    std::signal(SIGPIPE, SIG_IGN);
    QStringList warnings;
    QString error;
    const auto players = choosePlayers(options.players, options.group, state, &warnings, &error);
    warn(warnings);
    if (!players)
        return refuse(error);

    QCoreApplication application(argc, argv); // the engine's threads report through its event loop
    Interruption interruption;
    const QList<SendLogRow> log = SendLog::read(SendLog::pathFor(state)).rows;
    SendEngine check;
    check.setMaxConnections(options.maxConnections);
    QList<std::optional<PlayerStatus>> statuses(players->size());
    QEventLoop loop;
    QObject::connect(&check, &SendEngine::playerChanged, [&](int player) {
        const PlayerResult &result = check.results()[player];
        if (!result.ended() || statuses[player])
            return;
        statuses[player] = statusOf(result, QDateTime::currentDateTime(), log);
        if (!options.json)
            print(stdout, statusLine(*statuses[player]) + u'\n'); // as each answers
    });
    QObject::connect(&check, &SendEngine::finished, &loop, &QEventLoop::quit);
    interruption.setCancel([&check] { check.cancel(); });
    check.start({*players, state.ftpUser, state.ftpPassword, {}, statusReadPlan()});
    loop.exec();
    interruption.setCancel({});

    QList<PlayerStatus> all;
    for (const auto &status : std::as_const(statuses))
        all << status.value_or(PlayerStatus{});
    const QString report = options.json ? QString::fromUtf8(statusJson(all)) : statusSummary(all) + u'\n';
    if (!print(stdout, report))
        return refuse(QStringLiteral("write error"));
    const int signal = interruption.signal();
    return signal ? 128 + signal : statusExit(all);
}

// Sets the first password or changes it; the outcome in a line or as JSON.
int changePassword(const Options &options)
{
    SharedState state;
    if (const auto error = startUp(state))
        return refuse(*error);
    PasswordReader reader(options.passwordFile);
    const PasswordOutcome outcome = setPassword(state.passwordFile, reader);
    if (!outcome.done)
        return refuse(outcome.problem);
    if (options.json)
        return answer(QString::fromUtf8(QJsonDocument(QJsonObject{{"command", "password"},
                                                                  {"passwordFile", state.passwordFile},
                                                                  {"outcome", outcome.first ? "set" : "changed"}})
                                            .toJson(QJsonDocument::Compact))
                      + u'\n');
    return answer(outcome.first ? QStringLiteral("The first password is set in %1.\n").arg(state.passwordFile)
                                : QStringLiteral("The password is changed in %1.\n").arg(state.passwordFile));
}

} // namespace

bool isCommandLine(int argc, char *argv[])
{
    return argc > 1 && argv[1][0] != '-';
}

int run(int argc, char *argv[], const QString &versionText)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto optionsEnd = std::find(arguments.cbegin(), arguments.cend(), QStringLiteral("--"));
    g_json = std::find(arguments.cbegin(), optionsEnd, QStringLiteral("--json")) != optionsEnd;
    const Parsed parsed = parseArguments(arguments);
    if (const auto *error = std::get_if<UsageError>(&parsed)) {
        // A subcommand's own help tells its options.
        const QString helpCommand = commandNamed(arguments.value(0)) ? u' ' + arguments.value(0) : QString();
        return refuse(error->problem, 1,
                      QStringLiteral("Try 'qv-instant-crawl%1 --help' for more information.").arg(helpCommand));
    }
    if (const auto *help = std::get_if<HelpRequest>(&parsed))
        return answer(helpText(help->command));
    if (std::holds_alternative<VersionRequest>(parsed))
        return answer(versionText);
    const Options &options = std::get<Options>(parsed);
    switch (options.command) {
    case Command::Players:
        return listPlayers(options);
    case Command::Password:
        return changePassword(options);
    case Command::Status:
        return checkStatus(options, argc, argv);
    case Command::Start:
    case Command::Stop:
        break;
    }
    return send(options, argc, argv);
}

} // namespace qvic::cli
