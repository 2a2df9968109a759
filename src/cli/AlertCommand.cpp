#include "cli/AlertCommand.h"

#include "alerts/AlertPlan.h"
#include "cli/AlertReport.h"
#include "cli/AlertSource.h"
#include "cli/CliOptions.h"
#include "cli/CommandOutput.h"
#include "cli/PlayerChoice.h"
#include "cli/SendReport.h"
#include "cli/SendRun.h"
#include "compose/CrawlSettings.h"
#include "dispatch/PlayerGroups.h"
#include "dispatch/SendLog.h"
#include "dispatch/SendPreparation.h"
#include "platform/ScreenSize.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>


namespace qvic::cli {
namespace {

std::optional<AlertTargets> chooseTargets(const Options &options, const SharedState &state, QString *error)
{
    QStringList warnings;
    AlertTargets targets;
    if (options.areasFile) {
        PlayerGroups groups;
        const QString path = PlayerGroups::pathFor(state);
        for (const QString &problem : groups.load(path)) {
            if (!problem.startsWith(QLatin1String("line "))) {
                *error = problem;
                return std::nullopt;
            }
            warnings << path + QStringLiteral(": ") + problem;
        }
        warn(warnings);
        auto areas = AlertAreas::read(*options.areasFile, groups);
        if (const auto *problem = std::get_if<QString>(&areas)) {
            *error = *problem;
            return std::nullopt;
        }
        targets.areas = std::get<AlertAreas>(std::move(areas));
        return targets;
    }
    auto players = choosePlayers(options.players, options.group, state, &warnings, error);
    warn(warnings);
    if (!players)
        return std::nullopt;
    targets.players = *players;
    return targets;
}

// The looks named, else those of AppDir's looks file when there is one, else the built-in ones.
std::optional<AlertLooks> chooseLooks(const Options &options, const SharedState &state, QString *error)
{
    const QString standard = AlertLooks::defaultPath(QFileInfo(state.iniFile).absolutePath());
    const QString path = options.looksFile.value_or(QFileInfo::exists(standard) ? standard : QString());
    if (path.isEmpty())
        return AlertLooks();
    auto looks = AlertLooks::read(path);
    if (const auto *problem = std::get_if<QString>(&looks)) {
        *error = *problem;
        return std::nullopt;
    }
    return std::get<AlertLooks>(std::move(looks));
}

// The alert's crawl written as the window saves a crawl, for prepareSend to take.
std::optional<PreparedSend> prepareStart(const AlertDecision &decision, const SharedState &state,
                                         const QString &folder, QString *error)
{
    SharedState sending = state;
    const QString document = QDir(folder).filePath(QStringLiteral("crawl/") + kAlertDocumentName);
    QDir(folder).mkpath(QStringLiteral("crawl"));
    const double screenHeight = readScreenSize(state.iniFile).screenHeight;
    if (!saveCrawl(document, decision.crawl->document, decision.crawl->settings, screenHeight, sending, error))
        return std::nullopt;
    sending.currentFilePath = document;
    sending.currentFileName = kAlertDocumentName;
    PreparationFailure failure;
    auto prepared = prepareSend(sending, DeliveryAction::Start, false, QDir(folder).filePath(QStringLiteral("send")),
                                systemClock, &failure);
    if (!prepared)
        *error = failure.reason;
    return prepared;
}

struct AlertRun
{
    const Options &options;
    const SharedState &state;
    const AlertTargets &targets;
    const AlertLooks &looks;
    AlertOptions taking;

    AlertDecision decide(const CapAlert &alert) const
    {
        const QList<SendLogRow> log = SendLog::read(SendLog::pathFor(state)).rows;
        return planAlert(alert, taking, targets, looks, log, QDateTime::currentDateTime());
    }

    // Acts on one alert and tells it; the exit status it calls for.
    int act(const CapAlert &alert, Interruption &interruption) const
    {
        const AlertDecision decision = decide(alert);
        QList<PlayerResult> results;
        if (decision.action != AlertAction::None) {
            QTemporaryDir folder;
            if (const auto problem = folderProblem(folder))
                return refuse(*problem);
            QString error;
            const bool start = decision.action == AlertAction::Start;
            PreparationFailure failure;
            const auto prepared = start ? prepareStart(decision, state, folder.path(), &error)
                                        : prepareSend(state, DeliveryAction::Stop, false, folder.path(), systemClock,
                                                      &failure);
            if (!prepared)
                return refuse(start ? error : failure.reason);
            results = sendAndReport({decision.players, state.ftpUser, state.ftpPassword, prepared->files},
                                    options.maxConnections, options.json, interruption);
            const DeliveryAction action = start ? DeliveryAction::Start : DeliveryAction::Stop;
            if (!SendLog(SendLog::pathFor(state))
                     .append(action, start ? kAlertDocumentName : QString(), prepared->message, results, &error,
                             decision.reference))
                warn({QStringLiteral("the send was not logged: %1").arg(error)});
        }
        const QString told = options.json ? QString::fromUtf8(alertJson(alert, decision, results))
                                          : alertLine(alert, decision, results) + u'\n';
        if (!print(stdout, told))
            return refuse(QStringLiteral("write error"));
        return sendStatus(results);
    }
};

} // namespace

int runAlert(const Options &options, int argc, char *argv[])
{
    SharedState state;
    const CurlGlobal curl;
    if (const auto error = readyToReachPlayers(state, curl))
        return refuse(*error);
    QString error;
    const auto targets = chooseTargets(options, state, &error);
    if (!targets)
        return refuse(error);
    const auto looks = chooseLooks(options, state, &error);
    if (!looks)
        return refuse(error);

    const auto bytes = readAlertSource(options.source);
    if (const auto *problem = std::get_if<QString>(&bytes))
        return refuse(*problem);
    const auto read = readCapDocument(std::get<QByteArray>(bytes));
    if (const auto *refusal = std::get_if<CapRefusal>(&read))
        return refuse(QStringLiteral("%1 was refused: %2").arg(options.source, refusal->words));
    const CapDocument &document = std::get<CapDocument>(read);
    for (const QString &entry : document.refusedEntries)
        warn({QStringLiteral("%1: an entry was left out: %2").arg(options.source, entry)});
    for (const CapFeedLink &link : document.linkedOnly)
        warn({QStringLiteral("%1: the entry \"%2\" only links to its alert (%3), which is not fetched")
                  .arg(options.source, link.title, link.url)});
    if (document.alerts.isEmpty())
        return answer(options.json ? QString::fromUtf8(noAlertJson()) : noAlertLine(options.source) + u'\n');

    AlertOptions taking;
    taking.language = options.language;
    for (const QString &word : options.accepted)
        for (const CapStatus status : {CapStatus::Exercise, CapStatus::System, CapStatus::Test, CapStatus::Draft})
            if (capWord(status) == word)
                taking.accepted << status;
    const AlertRun run{options, state, *targets, *looks, taking};

    // Every alert's text is checked before anything is sent, and the password asked once.
    bool sends = false;
    for (const CapAlert &alert : document.alerts) {
        const AlertDecision decision = run.decide(alert);
        if (decision.refused)
            return refuse(QStringLiteral("the alert %1 in %2 was refused: %3")
                              .arg(alert.identifier, options.source, decision.reason));
        sends = sends || decision.action != AlertAction::None;
    }
    if (sends) {
        if (const auto refusal = passwordRefusal(options.passwordFile, state.passwordFile))
            return refuse(*refusal);
    }

    QCoreApplication application(argc, argv); // the engine's threads report through its event loop
    Interruption interruption;
    int status = 0;
    for (const CapAlert &alert : document.alerts) {
        status = std::max(status, run.act(alert, interruption));
        if (const int signal = interruption.signal())
            return 128 + signal;
    }
    return status;
}

} // namespace qvic::cli
