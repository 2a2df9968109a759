#include "cli/WatchCommand.h"

#include "cli/AlertActions.h"
#include "cli/CliOptions.h"
#include "cli/CommandOutput.h"
#include "cli/FeedWatch.h"
#include "cli/SendRun.h"
#include "state/SharedState.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace qvic::cli {
namespace {

// The state saved for this feed, or a fresh one: a state that cannot be read
// is told, and the watch starts afresh, the send log still keeping any alert
// from going out twice.
WatchState loadState(const QString &path, const QString &url)
{
    auto read = readWatchState(path);
    if (const auto *problem = std::get_if<QString>(&read)) {
        QString words = *problem;
        if (words.endsWith(u'.'))
            words.chop(1);
        warn({QStringLiteral("%1; the watch starts afresh").arg(words)});
        read = WatchState{};
    }
    WatchState state = std::get<WatchState>(std::move(read));
    if (state.feed != url) { // another feed's validators and alerts say nothing about this one
        state.feed = url;
        state.etag.clear();
        state.lastModified.clear();
        state.seen.clear();
    }
    return state;
}

// Polls the feed until a signal ends the watch; its state saved after every poll.
int watchFeed(const Options &options, const SharedState &state, const AlertActions &actions, int argc, char *argv[])
{
    QString error;
    const QString statePath
        = options.stateFile.value_or(WatchState::defaultPath(QFileInfo(state.iniFile).absolutePath()));
    const WatchState saved = loadState(statePath, options.source);
    if (!writeWatchState(statePath, saved, &error)) // a watch that cannot keep its state would forget
        return refuse(error);
    if (const auto refusal = passwordRefusal(options.passwordFile, state.passwordFile))
        return refuse(*refusal);

    QCoreApplication application(argc, argv); // the engine's threads report through its event loop
    Interruption interruption;
    FeedWatch watch(options.source, actions, saved, statePath);
    tellWatch(QStringLiteral("Watching %1 every %2 s.").arg(options.source).arg(options.interval));
    QEventLoop idle;
    QTimer nextPoll;
    nextPoll.setSingleShot(true);
    nextPoll.setTimerType(Qt::PreciseTimer); // a coarse one may fire 5 % late: 3 s of 60
    QObject::connect(&nextPoll, &QTimer::timeout, &idle, &QEventLoop::quit);
    for (;;) {
        const QDeadlineTimer due(std::chrono::seconds(options.interval));
        watch.poll(interruption);
        watch.save();
        if (interruption.signal())
            break;
        interruption.setCancel([&idle] { idle.quit(); }, {});
        nextPoll.start(std::chrono::milliseconds(due.remainingTime()));
        idle.exec();
        interruption.setCancel({});
        if (interruption.signal())
            break;
    }
    watch.save();
    tellWatch(QStringLiteral("Watch ended by signal %1; its state is in %2.").arg(interruption.signal()).arg(statePath));
    return 0;
}

} // namespace

int runWatch(const Options &options, int argc, char *argv[])
{
    return runWithAlertActions(options, [&](SharedState &state, const AlertActions &actions) {
        return watchFeed(options, state, actions, argc, argv);
    });
}

} // namespace qvic::cli
