// Upload throughput of the send engine against the curl command-line tool, both
// sending the same 50 MB file to the local stand-in player in turns, and the
// processor time our process spends while it waits on a throttled upload of
// about seven seconds.

#include "dispatch/SendEngine.h"

// The benchmark borrows the tests' stand-in player.
#include "StandInPlayers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <curl/curl.h>

using namespace qvic;
using qvic::test::StandInPlayers;

namespace {

constexpr qint64 kMegabyte = 1000 * 1000;
constexpr qint64 kFileSize = 50 * kMegabyte;
constexpr int kRounds = 9;

double processSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

bool writeFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 7919) >> 3);
    for (qint64 written = 0; written < size; written += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), size - written));
    return true;
}

struct Timing
{
    double whole = -1; // start to end: the tool's process, or logon to logoff
    double transfer = -1; // connection to the end of the upload, as curl counts time_total
};

// One file to one player through the engine, as a window's send does: the logon, the
// upload, its size asked back, QUIT. "transfer" ends with the player's outcome.
Timing engineUpload(const StandInPlayers &player, const QString &local, const QString &remote)
{
    SendEngine send;
    QEventLoop loop;
    QObject::connect(&send, &SendEngine::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    send.start({{player.host()}, QStringLiteral("qv7player"), QStringLiteral("tk2harbor"), {SendFile{local, remote}}});
    loop.exec();
    Timing timing;
    timing.transfer = double(clock.nsecsElapsed()) / 1e9;
    const PlayerResult &result = send.results().value(0);
    if (result.state != PlayerResult::State::Delivered) {
        std::fprintf(stderr, "the engine's upload failed: %s\n", qPrintable(result.words));
        return {};
    }
    timing.whole = timing.transfer;
    return timing;
}

Timing curlUpload(const StandInPlayers &server, const QString &local, const QString &remote)
{
    QElapsedTimer clock;
    clock.start();
    QProcess curl;
    curl.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-sS"), QStringLiteral("--noproxy"), QStringLiteral("*"),
                QStringLiteral("-w"), QStringLiteral("%{time_total}"),
                QStringLiteral("-u"), QStringLiteral("qv7player:tk2harbor"), QStringLiteral("-T"), local,
                QStringLiteral("ftp://%1/%2").arg(server.host(), remote)});
    if (!curl.waitForFinished(300000) || curl.exitStatus() != QProcess::NormalExit
        || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed (%d)\n", curl.exitCode());
        return {};
    }
    Timing timing;
    timing.whole = double(clock.nsecsElapsed()) / 1e9;
    timing.transfer = curl.readAllStandardOutput().trimmed().toDouble();
    return timing;
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
    const QString local = work.filePath(QStringLiteral("fifty.bin"));
    if (!writeFile(local, kFileSize))
        return 1;

    int result = 0;
    {
        StandInPlayers server;
        if (!server.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
            return 1;
        }
        std::vector<double> clientWhole, curlWhole, clientTransfer, curlTransfer;
        for (int round = 0; round < kRounds; ++round) {
            const Timing ours = engineUpload(server, local, QStringLiteral("media\\client.bin"));
            const Timing theirs = curlUpload(server, local, QStringLiteral("media/curl.bin"));
            if (ours.whole <= 0 || theirs.whole <= 0 || theirs.transfer <= 0)
                return 1;
            clientWhole.push_back(ours.whole);
            curlWhole.push_back(theirs.whole);
            clientTransfer.push_back(ours.transfer);
            curlTransfer.push_back(theirs.transfer);
            std::printf("round %d: engine %.1f MB/s, curl %.1f MB/s\n", round + 1,
                        kFileSize / kMegabyte / ours.whole, kFileSize / kMegabyte / theirs.whole);
        }
        if (QFileInfo(server.root() + QStringLiteral("/media/client.bin")).size() != kFileSize)
            result = 1;
        const double ours = kFileSize / kMegabyte / median(clientWhole);
        const double theirs = kFileSize / kMegabyte / median(curlWhole);
        const double oursTransfer = kFileSize / kMegabyte / median(clientTransfer);
        const double theirsTransfer = kFileSize / kMegabyte / median(curlTransfer);
        std::printf("median of %d rounds, 50 MB each:\n", kRounds);
        std::printf("  whole upload:   engine %.1f MB/s, curl -T %.1f MB/s, ratio %.3f\n", ours,
                    theirs, ours / theirs);
        std::printf("  transfer only:  engine %.1f MB/s, curl -T %.1f MB/s, ratio %.3f"
                    " (curl's time_total, without its process start and QUIT; ours with its size check)\n",
                    oursTransfer, theirsTransfer, oursTransfer / theirsTransfer);
    }

    {
        // Seven seconds at 2 MB/s: the upload ends once the player has every byte,
        // the last of it with the whole file already in the socket buffers.
        StandInPlayers server({StandInPlayers::Fault::Throttle});
        server.setRate(int(2 * kMegabyte));
        const QString slow = work.filePath(QStringLiteral("fourteen.bin"));
        if (!server.start() || !writeFile(slow, 14 * kMegabyte))
            return 1;
        const double cpuBefore = processSeconds();
        const double wall = engineUpload(server, slow, QStringLiteral("media\\slow.bin")).whole;
        const double cpu = processSeconds() - cpuBefore;
        if (wall < 0)
            return 1;
        std::printf("throttled upload: %.2f s wall, %.3f s processor, %.2f %% of one core\n", wall,
                    cpu, 100.0 * cpu / wall);
    }
    curl_global_cleanup();
    return result;
}
