// A Start (a crawl document of about 20 KB and Instant.txt) to many players served by one
// local process on as many ports: the send engine, with its delivery checks, against
// `xargs -P 32 curl -T doc -T Instant.txt` uploading the same two files to the same players,
// in turns, first on loopback, then with players far away (each reply held back, as over a
// network with that round trip). Then a group of 20 far-away players, one of which never
// answers QUIT, against 20 healthy ones: the time until the healthy players' results are in.
// Prints the wall times (median of the rounds), the commands each player got, and our
// process's peak resident memory.
//
// Then the "Players and Groups" window's Start on Group (driven offscreen) beside the command
// line's `start` of the same saved crawl to the same players, with the wall and processor time
// of each: the window's live table must cost little beside the sending. And 100 healthy
// players with one that never answers an upload's end (226), against the 100 alone: the send
// must take no longer than the response limit beyond them.
//
//     bench_group_send [--players N] [--reply-delay-ms MS] [--rounds R]

#include "dispatch/SendEngine.h"
#include "dispatch/ui/GroupSendPanel.h"
#include "dispatch/ui/PlayerGroupsWindow.h"
#include "platform/AppFolders.h"
#include "state/SharedState.h"

// The benchmark borrows the tests' stand-in players and recording dialogs.
#include "RecordingDialogs.h"
#include "StandInPlayers.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace qvic;
using qvic::test::StandInPlayers;

namespace {

constexpr int kParallel = 32;

struct Settings
{
    int players = 200;
    int replyDelayMs = 20;
    int rounds = 3;
};

QByteArray crawlDocument()
{
    QByteArray bytes = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs48 ";
    for (int i = 0; bytes.size() < 20000; ++i)
        bytes += "Welcome to the lobby, session " + QByteArray::number(i) + " starts at ten.\\par ";
    return bytes + '}';
}

// Seconds until every player but those in `ignored` has its outcome, or -1 when one of
// them did not get both files verified.
double sendOurs(const QStringList &players, const QString &document, const QString &command,
                const QList<int> &ignored = {})
{
    SendEngine send;
    send.setMaxConnections(kParallel);
    QEventLoop loop;
    QElapsedTimer clock;
    double seconds = -1;
    const auto othersDone = [&] {
        for (int player = 0; player < send.results().size(); ++player)
            if (!ignored.contains(player) && !send.results()[player].ended())
                return false;
        return true;
    };
    QObject::connect(&send, &SendEngine::playerChanged, &loop, [&] {
        if (seconds < 0 && othersDone()) {
            seconds = double(clock.nsecsElapsed()) / 1e9;
            loop.quit();
        }
    });
    clock.start();
    send.start({players, QStringLiteral("qv7player"), QStringLiteral("tk2harbor"),
                filesFor(DeliveryAction::Start, document, command)});
    loop.exec();
    for (int player = 0; player < send.results().size(); ++player) {
        const PlayerResult &result = send.results()[player];
        if (!ignored.contains(player) && result.state != PlayerResult::State::Delivered) {
            std::fprintf(stderr, "%s: %s %s\n", qPrintable(result.player), qPrintable(playerStateWords(result.state)),
                         qPrintable(result.words));
            return -1;
        }
    }
    send.cancel(); // the ignored ones
    return seconds;
}

// Seconds for curl: one process per player, each uploading both files on one connection.
double sendCurl(const QStringList &players, const QString &document, const QString &command, const QString &listPath)
{
    QFile list(listPath);
    if (!list.open(QIODevice::WriteOnly))
        return -1;
    for (const QString &host : players)
        list.write(QStringLiteral("-T %1 ftp://%2/media/Lobby.rtf -T %3 ftp://%2/settings/Instant.txt\n")
                       .arg(document, host, command)
                       .toUtf8());
    list.close();
    QProcess xargs;
    xargs.setProcessChannelMode(QProcess::ForwardedChannels);
    xargs.setStandardInputFile(listPath);
    QElapsedTimer clock;
    clock.start();
    xargs.start(QStringLiteral("xargs"),
                {QStringLiteral("-P"), QString::number(kParallel), QStringLiteral("-L"), QStringLiteral("1"),
                 QStringLiteral("curl"), QStringLiteral("-sS"), QStringLiteral("--ftp-pasv"), QStringLiteral("--noproxy"),
                 QStringLiteral("*"), QStringLiteral("-u"), QStringLiteral("qv7player:tk2harbor")});
    if (!xargs.waitForFinished(600000) || xargs.exitStatus() != QProcess::NormalExit || xargs.exitCode() != 0) {
        std::fprintf(stderr, "xargs curl failed (%d)\n", xargs.exitCode());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

// Whether every player holds both files as sent.
bool everyPlayerHoldsBoth(const StandInPlayers &players, const QByteArray &document, const QByteArray &command)
{
    for (int player = 0; player < players.size(); ++player)
        if (test::readAll(players.root(player) + QStringLiteral("/media/Lobby.rtf")) != document
            || test::readAll(players.root(player) + QStringLiteral("/settings/Instant.txt")) != command) {
            std::fprintf(stderr, "%s lacks a file\n", qPrintable(players.host(player)));
            return false;
        }
    return true;
}

// The most our process has held in memory so far, in MB.
double peakResidentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("VmHWM:\\s*(\\d+) kB")).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toDouble() / 1024 : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Ours against curl to the same players in turns; false when a send fell short.
bool compareWithCurl(const Settings &settings, int replyDelayMs, const QTemporaryDir &work)
{
    const QString document = work.filePath(QStringLiteral("Lobby.rtf"));
    const QString command = work.filePath(QStringLiteral("Instant.txt"));
    StandInPlayers players(QList<StandInPlayers::Fault>(settings.players, StandInPlayers::Fault::None));
    players.setReplyDelayMs(replyDelayMs);
    if (!players.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(players.errorString()));
        return false;
    }
    std::vector<double> ours, theirs;
    for (int round = 1; round <= settings.rounds; ++round) {
        ours.push_back(sendOurs(players.hosts(), document, command));
        if (ours.back() < 0 || !everyPlayerHoldsBoth(players, test::readAll(document), test::readAll(command)))
            return false;
        if (round == 1) {
            const QStringList commands = players.commands(0);
            QStringList verbs;
            for (const QString &line : commands)
                verbs << line.section(u' ', 0, 0);
            std::printf("commands per player: %lld (%s)\n", qint64(commands.size()), qPrintable(verbs.join(u' ')));
        }
        theirs.push_back(sendCurl(players.hosts(), document, command, work.filePath(QStringLiteral("players.txt"))));
        if (theirs.back() < 0)
            return false;
        std::printf("round %d: ours %.3f s, curl %.3f s\n", round, ours.back(), theirs.back());
    }
    const double oursSeconds = median(ours), curlSeconds = median(theirs);
    std::printf("group_send: %d players, replies held %d ms, %d at once: ours %.3f s, curl %.3f s, ratio %.3f\n",
                settings.players, replyDelayMs, kParallel, oursSeconds, curlSeconds, oursSeconds / curlSeconds);
    return true;
}

// 20 players, one of them silent at QUIT, against 20 healthy ones, in turns.
bool silentPlayerAmongHealthy(const Settings &settings, const QTemporaryDir &work)
{
    const QString document = work.filePath(QStringLiteral("Lobby.rtf"));
    const QString command = work.filePath(QStringLiteral("Instant.txt"));
    QList<StandInPlayers::Fault> faults(20, StandInPlayers::Fault::None);
    StandInPlayers healthy(faults);
    faults[0] = StandInPlayers::Fault::SilentAtQuit;
    StandInPlayers withSilent(faults);
    for (StandInPlayers *players : {&healthy, &withSilent}) {
        players->setReplyDelayMs(settings.replyDelayMs);
        if (!players->start()) {
            std::fprintf(stderr, "%s\n", qPrintable(players->errorString()));
            return false;
        }
    }
    std::vector<double> allHealthy, besideSilent;
    for (int round = 1; round <= settings.rounds; ++round) {
        allHealthy.push_back(sendOurs(healthy.hosts().mid(1), document, command));
        besideSilent.push_back(sendOurs(withSilent.hosts(), document, command, {0}));
        if (allHealthy.back() < 0 || besideSilent.back() < 0)
            return false;
    }
    const double none = median(allHealthy), one = median(besideSilent);
    std::printf("silent at QUIT: 19 healthy players' results in %.3f s beside one silent player, %.3f s alone, ratio %.3f\n",
                one, none, one / none);
    return true;
}

// Seconds until every player has its outcome, and the outcomes; -1 when the send did not start.
std::pair<double, QList<PlayerResult>> sendToTheEnd(const QStringList &players, const QString &document,
                                                    const QString &command, const SendTimeLimits &limits)
{
    SendEngine send;
    send.setMaxConnections(kParallel);
    send.setTimeLimits(limits);
    QEventLoop loop;
    QObject::connect(&send, &SendEngine::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    if (!send.start({players, QStringLiteral("qv7player"), QStringLiteral("tk2harbor"),
                     filesFor(DeliveryAction::Start, document, command)}))
        return {-1, {}};
    loop.exec();
    return {double(clock.nsecsElapsed()) / 1e9, send.results()};
}

// 100 healthy players and one that takes the document whole but never answers its end (226),
// against the 100 alone, in turns, with a response limit short enough for a benchmark.
bool neverAnsweringPlayerAmongHealthy(const Settings &settings, const QTemporaryDir &work)
{
    constexpr int kHealthy = 100;
    const SendTimeLimits limits{std::chrono::milliseconds(10000), std::chrono::seconds(3), std::chrono::seconds(30)};
    const QString document = work.filePath(QStringLiteral("Lobby.rtf"));
    const QString command = work.filePath(QStringLiteral("Instant.txt"));
    QList<StandInPlayers::Fault> faults(kHealthy + 1, StandInPlayers::Fault::None);
    faults[0] = StandInPlayers::Fault::NoReplyAfterData;
    StandInPlayers withNeverAnswering(faults);
    StandInPlayers healthy(QList<StandInPlayers::Fault>(kHealthy, StandInPlayers::Fault::None));
    for (StandInPlayers *players : {&healthy, &withNeverAnswering}) {
        if (!players->start()) {
            std::fprintf(stderr, "%s\n", qPrintable(players->errorString()));
            return false;
        }
    }
    std::vector<double> alone, beside;
    for (int round = 1; round <= settings.rounds; ++round) {
        const auto [healthySeconds, healthyResults] = sendToTheEnd(healthy.hosts(), document, command, limits);
        const auto [besideSeconds, besideResults] = sendToTheEnd(withNeverAnswering.hosts(), document, command, limits);
        if (healthySeconds < 0 || besideSeconds < 0)
            return false;
        const auto delivered = [](const QList<PlayerResult> &results) {
            return int(std::count_if(results.cbegin(), results.cend(),
                                     [](const PlayerResult &result) { return result.state == PlayerResult::State::Delivered; }));
        };
        if (delivered(healthyResults) != kHealthy || delivered(besideResults.mid(1)) != kHealthy
            || besideResults[0].state != PlayerResult::State::Failed) {
            std::fprintf(stderr, "never answers 226: %d and %d of %d healthy players delivered, the never-answering one %s\n",
                         delivered(healthyResults), delivered(besideResults.mid(1)), kHealthy,
                         qPrintable(playerStateWords(besideResults[0].state)));
            return false;
        }
        alone.push_back(healthySeconds);
        beside.push_back(besideSeconds);
    }
    const double one = median(beside), none = median(alone);
    const double bound = none + double(limits.response.count());
    std::printf("never answers 226: %d healthy players all delivered; the send took %.3f s with one player that never "
                "answers an upload's end, %.3f s without it + %lld s response limit = %.3f s, difference %+.3f s\n",
                kHealthy, one, none, qint64(limits.response.count()), bound, one - bound);
    return true;
}

struct Cost
{
    double wall = -1;      // seconds; negative when the send fell short
    double processor = -1; // seconds of user and system time
};

double processorSecondsOf(const rusage &usage)
{
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ourProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return processorSecondsOf(usage);
}

// A program's folders as both the window and the command line find them: the crawl Lobby
// saved (Lobby.rtf beside Lobby.inst), the password file, and the group "Lobby" of the players.
struct Desk
{
    explicit Desk(const QStringList &players)
    {
        test::writeAll(appDir() + QStringLiteral("/Application/RTF/Lobby.rtf"), crawlDocument());
        test::writeAll(appDir() + QStringLiteral("/Application/RTF/Lobby.inst"), "3600,none,0.00,3,0.0000,000000\r\n");
        test::writeAll(appDir() + QStringLiteral("/groups.ini"), ("[Lobby]\n" + players.join(u'\n') + u'\n').toUtf8());
        test::writeAll(winDir() + QStringLiteral("/icpass.ini"), "[PASSWORD]\r\nremember=0\r\npass=" + password() + "\r\n");
        test::writeAll(passwordFile(), password() + '\n');
    }
    QString appDir() const { return root.filePath(QStringLiteral("app")); }
    QString winDir() const { return root.filePath(QStringLiteral("win")); }
    QString passwordFile() const { return root.filePath(QStringLiteral("password")); }

    static QByteArray password() { return "harbour lights"; }
    QTemporaryDir root;
};

// "Players and Groups" on the desk's folders, as the main window opens it once the operator
// has saved the crawl Lobby: the crawl ready, no Kite-7 script, the password given.
class GroupWindow
{
public:
    explicit GroupWindow(const Desk &desk)
    {
        if (const auto error = setUpFolders(m_state, desk.appDir(), desk.winDir()))
            std::fprintf(stderr, "%s\n", qPrintable(*error));
        m_state.currentFilePath = m_state.crawlFolder + QStringLiteral("/Lobby.rtf");
        m_state.currentFileName = QStringLiteral("Lobby.rtf");
        GroupSendHooks hooks{[] { return true; }, [] { return false; }, [] { return true; }};
        m_window = std::make_unique<PlayerGroupsWindow>(m_state, m_dialogs, std::move(hooks));
        m_window->show();
    }

    // Start on Group, until the table shows every player's outcome.
    Cost startOnGroup(int players)
    {
        GroupSendPanel &panel = m_window->sendPanel();
        QEventLoop loop;
        QObject::connect(&panel, &GroupSendPanel::runningChanged, &loop, [&](bool running) {
            if (!running)
                loop.quit();
        });
        const double processorBefore = ourProcessorSeconds();
        QElapsedTimer clock;
        clock.start();
        panel.startOnGroup();
        if (!panel.isRunning()) {
            std::fprintf(stderr, "the window did not start: %s\n", qPrintable(m_dialogs.said.join(u'\n')));
            return {};
        }
        loop.exec();
        QCoreApplication::processEvents(); // the table's last paint
        const Cost cost{double(clock.nsecsElapsed()) / 1e9, ourProcessorSeconds() - processorBefore};
        const QString summary = m_window->findChild<QLabel *>(QStringLiteral("summaryLabel"))->text();
        if (summary != QStringLiteral("Delivered to %1 of %1 players.").arg(players)) {
            std::fprintf(stderr, "the window: %s\n", qPrintable(summary));
            return {};
        }
        return cost;
    }

private:
    SharedState m_state;
    RecordingDialogs m_dialogs;
    std::unique_ptr<PlayerGroupsWindow> m_window;
};

// `qv-instant-crawl start --crawl Lobby --group Lobby`, the password on its standard input,
// from its start to its exit.
Cost startFromCommandLine(const Desk &desk)
{
    std::vector<QByteArray> environment;
    for (char **variable = environ; *variable; ++variable)
        if (!QByteArray(*variable).startsWith("QVIC_APP_DIR=") && !QByteArray(*variable).startsWith("QVIC_WIN_DIR="))
            environment.emplace_back(*variable);
    environment.push_back("QVIC_APP_DIR=" + desk.appDir().toLocal8Bit());
    environment.push_back("QVIC_WIN_DIR=" + desk.winDir().toLocal8Bit());
    std::vector<char *> envp;
    for (QByteArray &variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    std::vector<const char *> argv{QVIC_EXECUTABLE, "start", "--crawl", "Lobby", "--group", "Lobby",
                                   "--password-file", "-", nullptr};

    const QByteArray passwordFile = desk.passwordFile().toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, passwordFile.constData(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    int status = -1;
    rusage usage{};
    const bool ran = posix_spawn(&pid, QVIC_EXECUTABLE, &actions, nullptr, const_cast<char **>(argv.data()), envp.data()) == 0
                     && wait4(pid, &status, 0, &usage) == pid;
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    posix_spawn_file_actions_destroy(&actions);
    if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the command line's start failed (status %d)\n", ran && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return {};
    }
    return {wall, processorSecondsOf(usage)};
}

// The window's Start on Group beside the command line's start, to the same players in turns.
bool windowBesideCommandLine(const Settings &settings)
{
    StandInPlayers players(QList<StandInPlayers::Fault>(settings.players, StandInPlayers::Fault::None));
    if (!players.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(players.errorString()));
        return false;
    }
    const Desk desk(players.hosts());
    GroupWindow window(desk);
    std::vector<double> windowWall, windowProcessor, lineWall, lineProcessor;
    for (int round = 1; round <= settings.rounds; ++round) {
        const Cost fromWindow = window.startOnGroup(settings.players);
        const Cost fromLine = startFromCommandLine(desk);
        if (fromWindow.wall < 0 || fromLine.wall < 0)
            return false;
        windowWall.push_back(fromWindow.wall), windowProcessor.push_back(fromWindow.processor);
        lineWall.push_back(fromLine.wall), lineProcessor.push_back(fromLine.processor);
        std::printf("round %d: window %.3f s (processor %.3f s), command line %.3f s (processor %.3f s)\n", round,
                    fromWindow.wall, fromWindow.processor, fromLine.wall, fromLine.processor);
    }
    const double wall = median(windowWall), processor = median(windowProcessor);
    const double lineWallSeconds = median(lineWall), lineProcessorSeconds = median(lineProcessor);
    std::printf("window beside command line: %d players, %d at once: window %.3f s wall, %.3f s processor; command "
                "line %.3f s wall, %.3f s processor; ratios %.3f wall, %.3f processor\n",
                settings.players, kParallel, wall, processor, lineWallSeconds, lineProcessorSeconds,
                wall / lineWallSeconds, processor / lineProcessorSeconds);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // the group window is driven, never shown on a screen
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption players(QStringLiteral("players"), QStringLiteral("Players in the big group."), QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption delay(QStringLiteral("reply-delay-ms"), QStringLiteral("How long far-away players hold each reply."),
                                   QStringLiteral("MS"), QStringLiteral("20"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Rounds of each comparison."), QStringLiteral("R"), QStringLiteral("3"));
    parser.addOptions({players, delay, rounds});
    parser.process(app);
    const Settings settings{std::max(1, parser.value(players).toInt()), std::max(0, parser.value(delay).toInt()),
                            std::max(1, parser.value(rounds).toInt())};

    QTemporaryDir work;
    test::writeAll(work.filePath(QStringLiteral("Lobby.rtf")), crawlDocument());
    test::writeAll(work.filePath(QStringLiteral("Instant.txt")),
                   "Time=03/04/2024 01:05:09 PM\r\nMessage=@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.00,3,0.0000,000000\r\n");

    if (!compareWithCurl(settings, 0, work) || !compareWithCurl(settings, settings.replyDelayMs, work)
        || !silentPlayerAmongHealthy(settings, work))
        return 1;
    // Before the window exists: the engine's memory alone.
    std::printf("peak RSS %.1f MB\n", peakResidentMegabytes()); // ours; curl and the players ran in other processes
    if (!neverAnsweringPlayerAmongHealthy(settings, work) || !windowBesideCommandLine(settings))
        return 1;
    return 0;
}
