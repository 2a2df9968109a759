// A status check of 200 local players: our engine reading each player's command file and the
// size of the document it names, against `xargs -P 32 curl` reading the same two facts from
// the same players, in turns, on loopback and with players that hold each reply 20 ms.
// Prints the wall times (median of the rounds) and our process's peak resident memory.
//
//     bench_status [--players N] [--reply-delay-ms MS] [--rounds R]

#include "dispatch/PlayerStatus.h"
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
const QByteArray kCommandFile = "Time=12/07/2026 09:00:00 AM\r\n"
                                "Message=@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.25,3,0.5000,000000\r\n";

// Seconds for ours, or -1 when a player was not read whole.
double checkOurs(const StandInPlayers &players)
{
    SendEngine check;
    check.setMaxConnections(kParallel);
    QEventLoop loop;
    QObject::connect(&check, &SendEngine::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    check.start({players.hosts(), QStringLiteral("qv7player"), QStringLiteral("tk2harbor"), {}, statusReadPlan()});
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(9, 30), Qt::LocalTime);
    for (const PlayerResult &result : check.results()) {
        const PlayerStatus status = statusOf(result, now, {});
        if (status.state != PlayerStatus::State::Showing) {
            std::fprintf(stderr, "%s: %s %s %s\n", qPrintable(result.player), qPrintable(statusStateWords(status.state)),
                         qPrintable(status.details), qPrintable(status.error));
            return -1;
        }
    }
    return seconds;
}

// Seconds for curl: one process per player, reading the command file, then asking the document's size.
double checkCurl(const StandInPlayers &players, const QString &listPath)
{
    QFile list(listPath);
    if (!list.open(QIODevice::WriteOnly))
        return -1;
    for (const QString &host : players.hosts())
        list.write(QStringLiteral("-s ftp://%1/settings/Instant.txt --next -I -u qv7player:tk2harbor ftp://%1/media/Lobby.rtf\n")
                       .arg(host)
                       .toUtf8());
    list.close();
    QProcess xargs;
    xargs.setStandardInputFile(listPath);
    xargs.setStandardOutputFile(QProcess::nullDevice());
    xargs.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    xargs.start(QStringLiteral("xargs"), {QStringLiteral("-P"), QString::number(kParallel), QStringLiteral("-L"), QStringLiteral("1"),
                                          QStringLiteral("curl"), QStringLiteral("--noproxy"), QStringLiteral("*"),
                                          QStringLiteral("-u"), QStringLiteral("qv7player:tk2harbor")});
    if (!xargs.waitForFinished(600000) || xargs.exitStatus() != QProcess::NormalExit || xargs.exitCode() != 0) {
        std::fprintf(stderr, "xargs curl failed (%d): %s\n", xargs.exitCode(), xargs.readAllStandardError().constData());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

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

bool compare(int playerCount, int replyDelayMs, int rounds, const QTemporaryDir &work)
{
    StandInPlayers players(QList<StandInPlayers::Fault>(playerCount, StandInPlayers::Fault::None));
    players.setReplyDelayMs(replyDelayMs);
    if (!players.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(players.errorString()));
        return false;
    }
    for (int player = 0; player < players.size(); ++player) {
        test::writeAll(players.root(player) + QStringLiteral("/settings/Instant.txt"), kCommandFile);
        test::writeAll(players.root(player) + QStringLiteral("/media/Lobby.rtf"), "{\\rtf1 Doors open\\par}");
    }
    std::vector<double> ours, theirs;
    for (int round = 1; round <= rounds; ++round) {
        ours.push_back(checkOurs(players));
        theirs.push_back(checkCurl(players, work.filePath(QStringLiteral("players.txt"))));
        if (ours.back() < 0 || theirs.back() < 0)
            return false;
        std::printf("round %d: ours %.3f s, curl %.3f s\n", round, ours.back(), theirs.back());
    }
    std::printf("status: %d players, replies held %d ms, %d at once: ours %.3f s, curl %.3f s, ratio %.3f\n", playerCount,
                replyDelayMs, kParallel, median(ours), median(theirs), median(ours) / median(theirs));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption players(QStringLiteral("players"), QStringLiteral("Players to read."), QStringLiteral("N"),
                                     QStringLiteral("200"));
    const QCommandLineOption delay(QStringLiteral("reply-delay-ms"), QStringLiteral("How long far-away players hold each reply."),
                                   QStringLiteral("MS"), QStringLiteral("20"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Rounds of each comparison."), QStringLiteral("R"),
                                    QStringLiteral("3"));
    parser.addOptions({players, delay, rounds});
    parser.process(app);
    const int playerCount = std::max(1, parser.value(players).toInt());
    const int roundCount = std::max(1, parser.value(rounds).toInt());

    QTemporaryDir work;
    if (!compare(playerCount, 0, roundCount, work) || !compare(playerCount, std::max(0, parser.value(delay).toInt()), roundCount, work))
        return 1;
    std::printf("peak RSS %.1f MB\n", peakResidentMegabytes()); // ours; curl and the players ran in other processes
    return 0;
}
