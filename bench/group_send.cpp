// A Start (a crawl document of about 20 KB and Instant.txt) to 200 players served by one
// local process on 200 ports: GroupSend, with its delivery checks, against
// `xargs -P 32 curl -T` uploading the same two files to the same players, in turns.
// Prints the wall times (median of the rounds) and our process's peak resident memory.

#include "dispatch/GroupSend.h"

// The benchmark borrows the tests' local players.
#include "FtpPlayers.h"
#include "TestSupport.h"

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

#include <curl/curl.h>

using namespace qvic;
using qvic::test::FtpPlayers;

namespace {

constexpr int kPlayers = 200;
constexpr int kParallel = 32;
constexpr int kRounds = 3;

QByteArray crawlDocument()
{
    QByteArray bytes = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs48 ";
    for (int i = 0; bytes.size() < 20000; ++i)
        bytes += "Welcome to the lobby, session " + QByteArray::number(i) + " starts at ten.\\par ";
    return bytes + '}';
}

// Seconds for ours, or -1 when a player did not get both files verified.
double sendOurs(const FtpPlayers &players, const QString &document, const QString &command)
{
    GroupSend send;
    send.setMaxConnections(kParallel);
    QEventLoop loop;
    QObject::connect(&send, &GroupSend::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    send.start({players.hosts(), QStringLiteral("qv7player"), QStringLiteral("tk2harbor"),
                groupFiles(DeliveryAction::Start, document, command)});
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    for (const PlayerResult &result : send.results())
        if (result.state != PlayerResult::State::Delivered) {
            std::fprintf(stderr, "%s: %s %s\n", qPrintable(result.player),
                         qPrintable(playerStateWords(result.state)), qPrintable(result.words));
            return -1;
        }
    return seconds;
}

// Seconds for curl: one process per player, each uploading both files on one connection.
double sendCurl(const FtpPlayers &players, const QString &document, const QString &command,
                const QString &listPath)
{
    QFile list(listPath);
    if (!list.open(QIODevice::WriteOnly))
        return -1;
    for (const QString &host : players.hosts())
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
                 QStringLiteral("curl"), QStringLiteral("-sS"), QStringLiteral("--ftp-pasv"),
                 QStringLiteral("--noproxy"), QStringLiteral("*"), QStringLiteral("-u"),
                 QStringLiteral("qv7player:tk2harbor")});
    if (!xargs.waitForFinished(600000) || xargs.exitStatus() != QProcess::NormalExit || xargs.exitCode() != 0) {
        std::fprintf(stderr, "xargs curl failed (%d)\n", xargs.exitCode());
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e9;
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return 1;
    QTemporaryDir work;
    const QString document = work.filePath(QStringLiteral("Lobby.rtf"));
    const QString command = work.filePath(QStringLiteral("Instant.txt"));
    qvic::test::writeAll(document, crawlDocument());
    qvic::test::writeAll(command, "Time=03/04/2024 01:05:09 PM\r\n"
                                  "Message=@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.00,3,0.0000,000000\r\n");

    FtpPlayers players(QList<FtpPlayers::Mode>(kPlayers, FtpPlayers::Mode::Normal));
    if (!players.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(players.errorString()));
        return 1;
    }
    std::vector<double> ours, theirs;
    for (int round = 1; round <= kRounds; ++round) {
        ours.push_back(sendOurs(players, document, command));
        theirs.push_back(sendCurl(players, document, command, work.filePath(QStringLiteral("players.txt"))));
        if (ours.back() < 0 || theirs.back() < 0)
            return 1;
        std::printf("round %d: ours %.3f s, curl %.3f s\n", round, ours.back(), theirs.back());
    }
    // Ours ran in this process; curl and the players in others.
    const double peak = peakResidentMegabytes();
    const double oursSeconds = median(ours), curlSeconds = median(theirs);
    std::printf("group_send: %d players, ours %.3f s, curl %.3f s, ratio %.3f, peak RSS %.1f MB\n", kPlayers,
                oursSeconds, curlSeconds, oursSeconds / curlSeconds, peak);
    players.stop();
    curl_global_cleanup();
    return 0;
}
