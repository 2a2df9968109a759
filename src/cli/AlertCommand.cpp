#include "cli/AlertCommand.h"

#include "cli/AlertActions.h"
#include "cli/AlertReport.h"
#include "cli/AlertSource.h"
#include "cli/CliOptions.h"
#include "cli/CommandOutput.h"
#include "cli/SendReport.h"
#include "cli/SendRun.h"
#include "state/SharedState.h"

#include <QCoreApplication>

#include <algorithm>

namespace qvic::cli {

namespace {

// Reads the SOURCE and acts on each of its alerts: the password asked once, when one sends.
int actOnSource(const Options &options, const SharedState &state, const AlertActions &actions, int argc, char *argv[])
{
    const auto bytes = readAlertSource(options.source);
    if (const auto *problem = std::get_if<QString>(&bytes))
        return refuse(*problem);
    const auto read = readCapDocument(std::get<QByteArray>(bytes));
    if (const auto *refusal = std::get_if<CapRefusal>(&read))
        return refuse(QStringLiteral("%1 was refused: %2").arg(options.source, refusal->words));
    const CapDocument &document = std::get<CapDocument>(read);
    warn(documentWarnings(options.source, document));
    if (document.alerts.isEmpty())
        return answer(options.json ? QString::fromUtf8(noAlertJson()) : noAlertLine(options.source) + u'\n');

    // Every alert's text is checked before anything is sent, and the password asked once.
    bool sends = false;
    for (const CapAlert &alert : document.alerts) {
        const AlertDecision decision = actions.decide(alert);
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
    actOnAlerts(document.alerts, actions, interruption, !options.json, [&](const AlertActed &acted) {
        if (acted.sent.problem) {
            status = std::max(status, refuse(*acted.sent.problem));
            return;
        }
        const QString told = options.json
                                 ? QString::fromUtf8(alertJson(acted.alert, acted.decision, acted.sent.results))
                                 : alertLine(acted.alert, acted.decision, acted.sent.results) + u'\n';
        status = std::max(status, print(stdout, told) ? sendStatus(acted.sent.results)
                                                      : refuse(QStringLiteral("write error")));
    });
    if (const int signal = interruption.signal())
        return 128 + signal;
    return status;
}

} // namespace

int runAlert(const Options &options, int argc, char *argv[])
{
    return runWithAlertActions(options, [&](SharedState &state, const AlertActions &actions) {
        return actOnSource(options, state, actions, argc, argv);
    });
}
} // namespace qvic::cli
