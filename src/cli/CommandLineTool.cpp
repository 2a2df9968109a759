#include "cli/CommandLineTool.h"

#include "cli/AlertCommand.h"
#include "cli/CliOptions.h"
#include "cli/CliPassword.h"
#include "cli/CommandHelp.h"
#include "cli/CommandOutput.h"
#include "cli/PasswordCommand.h"
#include "cli/PlayerChoice.h"
#include "cli/SavedCrawl.h"
#include "cli/SendReport.h"
#include "cli/SendRun.h"
#include "cli/StatusReport.h"
#include "cli/WatchCommand.h"
#include "dispatch/PlayerStatus.h"
#include "dispatch/SendEngine.h"
#include "dispatch/SendPreparation.h"
#include "dispatch/SendLog.h"
#include "platform/AppFolders.h"
#include "platform/Text.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <optional>

namespace qvic::cli {
namespace {

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

// What start, stop and status do first: the folders and libcurl readied (before libcurl's
// first use, the address check included) and the players named; then the command's own part.
// A refusal on the way is told and gives its exit status.
int withPlayers(const Options &options,
                const std::function<int(SharedState &state, const QStringList &players)> &command)
{
    SharedState state;
    const CurlGlobal curl;
    if (const auto error = readyToReachPlayers(state, curl))
        return refuse(*error);
    QStringList warnings;
    QString error;
    const auto players = choosePlayers(options.players, options.group, state, &warnings, &error);
    warn(warnings);
    if (!players)
        return refuse(error);
    return command(state, *players);
}

int send(const Options &options, SharedState &state, const QStringList &players, int argc, char *argv[])
{
    QString error;

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

    if (const auto refusal = passwordRefusal(options.passwordFile, state.passwordFile))
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
        = sendAndReport({players, state.ftpUser, state.ftpPassword, prepared->files}, options.maxConnections,
                        !options.json, interruption);

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
int checkStatus(const Options &options, SharedState &state, const QStringList &players, int argc, char *argv[])
{

    QCoreApplication application(argc, argv); // the engine's threads report through its event loop
    Interruption interruption;
    const QList<SendLogRow> log = SendLog::read(SendLog::pathFor(state)).rows;
    SendEngine check;
    check.setMaxConnections(options.maxConnections);
    QList<std::optional<PlayerStatus>> statuses(players.size());
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
    check.start({players, state.ftpUser, state.ftpPassword, {}, statusReadPlan()});
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
    setJsonOutput(std::find(arguments.cbegin(), optionsEnd, QStringLiteral("--json")) != optionsEnd);
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
        return withPlayers(options, [&](SharedState &state, const QStringList &players) {
            return checkStatus(options, state, players, argc, argv);
        });
    case Command::Alert:
        return runAlert(options, argc, argv);
    case Command::Watch:
        return runWatch(options, argc, argv);
    case Command::Start:
    case Command::Stop:
        break;
    }
    return withPlayers(options, [&](SharedState &state, const QStringList &players) {
        return send(options, state, players, argc, argv);
    });
}

} // namespace qvic::cli
