// A Start (a crawl document of about 20 KB and Instant.txt) to many players served by one
// local process on as many ports: the send engine, with its delivery checks, against
// `xargs -P 32 curl -T doc -T Instant.txt` uploading the same two files to the same players,
// in turns, first on loopback, then with players far away (each reply held back, as over a
// network with that round trip). Then a group of 20 far-away players, one of which never
// answers QUIT, against 20 healthy ones: the time until the healthy players' results are in.
// Prints the wall times (median of the rounds), the commands each player got, and our
// process's peak resident memory.
//
//     bench_group_send [--players N] [--reply-delay-ms MS] [--rounds R]

#include "dispatch/SendEngine.h"

// The benchmark borrows the tests' stand-in players.
#include "StandInPlayers.h"
#include "TestSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
    std::printf("peak RSS %.1f MB\n", peakResidentMegabytes()); // ours; curl and the players ran in other processes
    return 0;
}
