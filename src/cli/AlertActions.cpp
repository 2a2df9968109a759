#include "cli/AlertActions.h"

#include "cli/CliOptions.h"
#include "cli/CommandOutput.h"
#include "cli/PlayerChoice.h"
#include "cli/SendRun.h"
#include "compose/CrawlSettings.h"
#include "dispatch/PlayerGroups.h"
#include "dispatch/SendLog.h"
#include "dispatch/SendPreparation.h"
#include "platform/ScreenSize.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

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

AlertOptions chooseStatuses(const Options &options)
{
    AlertOptions taking;
    taking.language = options.language;
    for (const QString &word : options.accepted)
        for (const CapStatus status : {CapStatus::Exercise, CapStatus::System, CapStatus::Test, CapStatus::Draft})
            if (capWord(status) == word)
                taking.accepted << status;
    return taking;
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

} // namespace

bool AlertSent::complete() const
{
    return !problem && std::all_of(results.cbegin(), results.cend(), [](const PlayerResult &player) {
               return player.delivered();
           });
}

AlertActions::AlertActions(const SharedState &state, AlertTargets targets, AlertLooks looks, AlertOptions taking,
                           int maxConnections)
    : m_state(state), m_targets(std::move(targets)), m_looks(std::move(looks)), m_taking(std::move(taking)),
      m_maxConnections(maxConnections)
{
}

std::optional<AlertActions> AlertActions::fromOptions(const Options &options, const SharedState &state,
                                                      QString *error)
{
    auto targets = chooseTargets(options, state, error);
    if (!targets)
        return std::nullopt;
    auto looks = chooseLooks(options, state, error);
    if (!looks)
        return std::nullopt;
    return AlertActions(state, *std::move(targets), *std::move(looks), chooseStatuses(options), options.maxConnections);
}

int runWithAlertActions(const Options &options,
                        const std::function<int(SharedState &state, const AlertActions &actions)> &command)
{
    SharedState state;
    const CurlGlobal curl; // lives as long as the command
    if (const auto error = readyToReachPlayers(state, curl))
        return refuse(*error);
    QString error;
    const auto actions = AlertActions::fromOptions(options, state, &error);
    if (!actions)
        return refuse(error);
    return command(state, *actions);
}

QList<SendLogRow> AlertActions::log() const
{
    return SendLog::read(SendLog::pathFor(m_state)).rows;
}

AlertDecision AlertActions::decide(const CapAlert &alert) const
{
    return planAlert(alert, m_taking, m_targets, m_looks, log(), QDateTime::currentDateTime());
}

AlertSent AlertActions::carryOut(const AlertDecision &decision, Interruption &interruption, bool tellEachPlayer) const
{
    AlertSent sent;
    if (decision.action == AlertAction::None)
        return sent;
    QTemporaryDir folder;
    if (const auto problem = folderProblem(folder)) {
        sent.problem = *problem;
        return sent;
    }
    const bool start = decision.action == AlertAction::Start;
    QString error;
    PreparationFailure failure;
    const auto prepared = start ? prepareStart(decision, m_state, folder.path(), &error)
                                : prepareSend(m_state, DeliveryAction::Stop, false, folder.path(), systemClock, &failure);
    if (!prepared) {
        sent.problem = start ? error : failure.reason;
        return sent;
    }
    sent.results = sendAndReport({decision.players, m_state.ftpUser, m_state.ftpPassword, prepared->files},
                                 m_maxConnections, tellEachPlayer, interruption);
    const DeliveryAction action = start ? DeliveryAction::Start : DeliveryAction::Stop;
    if (!SendLog(SendLog::pathFor(m_state))
             .append(action, start ? kAlertDocumentName : QString(), prepared->message, sent.results, &error,
                     decision.reference))
        warn({QStringLiteral("the send was not logged: %1").arg(error)});
    return sent;
}

void actOnAlerts(const QList<CapAlert> &alerts, const AlertActions &actions, Interruption &interruption,
                 bool tellEachPlayer, const std::function<void(const AlertActed &)> &tell)
{
    for (const CapAlert &alert : alerts) {
        AlertActed acted{alert, actions.decide(alert), {}};
        acted.sent = actions.carryOut(acted.decision, interruption, tellEachPlayer);
        tell(acted);
        if (interruption.signal())
            return;
    }
}

} // namespace qvic::cli
