// From a new alert appearing in a feed to every player of a 200-player group holding its crawl,
// with `qv-instant-crawl watch --interval 1` polling the feed (a local stand-in, loopback): the
// alert is written just after a poll, so the wait for the next one is the interval; the figure
// is the time until the watch's line tells every player delivered, minus that interval. Also
// the time from the poll that fetched the alert (the feed server's answer) to that line.
// Beside it, in turns, `qv-instant-crawl start` of the same crawl (saved as the window saves
// it) to the same group, from its start to its exit; on loopback, then with players far away
// (each reply held back). Prints the medians of the rounds and their ratio; asserts nothing.
//
//     bench_alert [--players N] [--reply-delay-ms MS] [--rounds R]

#include "alerts/AlertCrawl.h"
#include "alerts/AlertLooks.h"
#include "alerts/CapAlert.h"
#include "compose/CrawlSettings.h"
#include "state/SharedState.h"

// The benchmark borrows the tests' stand-in players and feed.
#include "AlertFeedServer.h"
#include "StandInPlayers.h"
#include "TestSupport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace qvic;
using qvic::test::AlertFeedServer;
using qvic::test::StandInPlayers;

namespace {

constexpr int kIntervalSeconds = 1;

struct Settings
{
    int players = 200;
    int replyDelayMs = 20;
    int rounds = 3;
};

const QByteArray kPassword = "harbour lights";

QString capTime(qint64 secondsFromNow)
{
    return QDateTime::currentDateTime().toOffsetFromUtc(-6 * 3600).addSecs(secondsFromNow).toString(Qt::ISODate);
}

// A Severe alert for an hour, every round's with the same text (and so the same crawl).
QByteArray capAlert(const QString &identifier)
{
    return QString(R"(<alert xmlns="urn:oasis:names:tc:emergency:cap:1.2">
  <identifier>%1</identifier><sender>warnings@weather.example.org</sender><sent>%2</sent>
  <status>Actual</status><msgType>Alert</msgType><scope>Public</scope>
  <info><category>Met</category><event>Tornado Warning</event><urgency>Immediate</urgency>
    <severity>Severe</severity><certainty>Observed</certainty><expires>%3</expires>
    <headline>Tornado Warning for Green County until 10:15 AM</headline>
    <description>At 9:02 AM a confirmed tornado was near Elm Creek, moving east at 30 mph.</description>
    <instruction>Take shelter now in a basement or an interior room on the lowest floor.</instruction>
    <area><areaDesc>Green County</areaDesc></area></info>
</alert>
)")
        .arg(identifier, capTime(-60), capTime(3600))
        .toUtf8();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e9;
}

// The program's folders: the password, and the group "Lobby" of every player.
struct Desk
{
    explicit Desk(const QStringList &players)
    {
        test::writeAll(appDir() + QStringLiteral("/groups.ini"), ("[Lobby]\n" + players.join(u'\n') + u'\n').toUtf8());
        test::writeAll(winDir() + QStringLiteral("/icpass.ini"), "[PASSWORD]\r\nremember=0\r\npass=" + kPassword + "\r\n");
        test::writeAll(passwordFile(), kPassword + '\n');
    }
    QString appDir() const { return root.filePath(QStringLiteral("app")); }
    QString winDir() const { return root.filePath(QStringLiteral("win")); }
    QString passwordFile() const { return root.filePath(QStringLiteral("password")); }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QVIC_APP_DIR"), appDir());
        environment.insert(QStringLiteral("QVIC_WIN_DIR"), winDir());
        return environment;
    }

    QTemporaryDir root;
};

// The alert's crawl saved as the crawl "Alert" in the desk's crawl folder, as the window would.
bool saveAlertCrawl(const Desk &desk, const QByteArray &alertBytes)
{
    const auto read = readCapDocument(alertBytes);
    if (!std::holds_alternative<CapDocument>(read) || std::get<CapDocument>(read).alerts.isEmpty())
        return false;
    const CapInfo &info = std::get<CapDocument>(read).alerts.first().infos.first();
    const auto crawl = alertCrawl(info, AlertLooks().lookFor(info.severity), QDateTime::currentDateTime());
    if (!std::holds_alternative<AlertCrawl>(crawl))
        return false;
    SharedState state;
    QString error;
    const QString path = desk.appDir() + QStringLiteral("/Application/RTF/Alert.rtf");
    QDir().mkpath(desk.appDir() + QStringLiteral("/Application/RTF"));
    if (!saveCrawl(path, std::get<AlertCrawl>(crawl).document, std::get<AlertCrawl>(crawl).settings, 600, state, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    return true;
}

// `qv-instant-crawl start --crawl Alert --group Lobby`, from its start to its exit; -1 when it failed.
double startFromCommandLine(const Desk &desk)
{
    QProcess start;
    start.setProcessEnvironment(desk.environment());
    start.setStandardOutputFile(QProcess::nullDevice());
    start.setStandardInputFile(desk.passwordFile());
    QElapsedTimer clock;
    clock.start();
    start.start(QStringLiteral(QVIC_EXECUTABLE), {QStringLiteral("start"), QStringLiteral("--crawl"), QStringLiteral("Alert"),
                                                  QStringLiteral("--group"), QStringLiteral("Lobby"),
                                                  QStringLiteral("--password-file"), QStringLiteral("-")});
    if (!start.waitForFinished(600000) || start.exitStatus() != QProcess::NormalExit || start.exitCode() != 0) {
        std::fprintf(stderr, "start failed (%d): %s\n", start.exitCode(), start.readAllStandardError().constData());
        return -1;
    }
    return secondsSince(clock);
}

// The watch, polling the feed, with what it told so far.
class Watch
{
public:
    Watch(const Desk &desk, const QString &url)
    {
        m_process.setProcessEnvironment(desk.environment());
        m_process.setStandardInputFile(desk.passwordFile());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(QVIC_EXECUTABLE),
                        {QStringLiteral("watch"), url, QStringLiteral("--interval"), QString::number(kIntervalSeconds),
                         QStringLiteral("--group"), QStringLiteral("Lobby"), QStringLiteral("--password-file"),
                         QStringLiteral("-")});
        m_process.waitForStarted();
    }
    ~Watch()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(30000))
            m_process.kill();
    }

    // Waits up to 5 ms for more output; the line telling the alert's send, once there is one.
    QString sendLine(const QString &identifier)
    {
        m_process.waitForReadyRead(5);
        m_out += QString::fromUtf8(m_process.readAllStandardOutput());
        const QRegularExpression line(QStringLiteral("Alert %1 \\(.*\\): Start sent to .*").arg(identifier));
        return line.match(m_out).captured(0);
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    // The most the watch has held in memory so far, in MB.
    double peakResidentMegabytes() const
    {
        const QByteArray status = test::readAll(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("VmHWM:\\s*(\\d+) kB")).match(QString::fromLatin1(status));
        return match.hasMatch() ? match.captured(1).toDouble() / 1024 : -1;
    }

private:
    QProcess m_process;
    QString m_out;
};

struct Latency
{
    double fromAppearing = -1; // minus the interval
    double fromPoll = -1;
};

// Writes the alert into the feed just after a poll and waits for the watch's line.
Latency newAlertToEveryPlayer(Watch &watch, AlertFeedServer &feed, const QString &identifier, int players)
{
    const qsizetype polls = feed.events().size();
    while (feed.events().size() == polls)
        QThread::msleep(1);
    QElapsedTimer clock;
    clock.start();
    test::writeAll(feed.root() + QStringLiteral("/feed.xml"), capAlert(identifier));
    const qsizetype before = feed.events().size();
    Latency latency;
    QString line;
    while (line.isEmpty() && watch.running() && clock.elapsed() < 600000) {
        line = watch.sendLine(identifier);
        const QStringList answers = feed.events().mid(before);
        const bool fetched = std::any_of(answers.cbegin(), answers.cend(), [](const QString &answer) {
            return answer.startsWith(QStringLiteral("GET /feed.xml 200"));
        });
        if (latency.fromPoll < 0 && fetched)
            latency.fromPoll = secondsSince(clock); // held until the line, then made the difference
    }
    const double seconds = secondsSince(clock);
    if (!line.endsWith(QStringLiteral("Start sent to %1 players: %1 delivered.").arg(players))) {
        std::fprintf(stderr, "the watch said: %s\n", qPrintable(line));
        return {};
    }
    latency.fromPoll = seconds - latency.fromPoll;
    latency.fromAppearing = seconds - kIntervalSeconds;
    return latency;
}

bool watchBesideStart(const Settings &settings, int replyDelayMs)
{
    StandInPlayers players(QList<StandInPlayers::Fault>(settings.players, StandInPlayers::Fault::None));
    players.setReplyDelayMs(replyDelayMs);
    AlertFeedServer feed;
    if (!players.start() || !feed.start()) {
        std::fprintf(stderr, "%s%s\n", qPrintable(players.errorString()), qPrintable(feed.errorString()));
        return false;
    }
    const Desk desk(players.hosts());
    if (!saveAlertCrawl(desk, capAlert(QStringLiteral("BENCH-0"))))
        return false;
    test::writeAll(feed.root() + QStringLiteral("/feed.xml"), "<feed xmlns=\"http://www.w3.org/2005/Atom\"/>\n");
    Watch watch(desk, feed.url(QStringLiteral("feed.xml")));

    std::vector<double> fromAppearing, fromPoll, starts;
    for (int round = 1; round <= settings.rounds; ++round) {
        const Latency latency = newAlertToEveryPlayer(watch, feed, QStringLiteral("BENCH-%1").arg(round), settings.players);
        const double start = startFromCommandLine(desk);
        if (latency.fromAppearing < 0 || start < 0)
            return false;
        fromAppearing.push_back(latency.fromAppearing), fromPoll.push_back(latency.fromPoll), starts.push_back(start);
        std::printf("round %d: alert to every player %.3f s beyond the interval (%.3f s from the poll), start %.3f s\n",
                    round, latency.fromAppearing, latency.fromPoll, start);
    }
    const double alert = median(fromAppearing), start = median(starts);
    std::printf("alert: %d players, replies held %d ms, poll every %d s: new alert to every player %.3f s beyond the "
                "interval (%.3f s from the poll that read it); start of the same crawl %.3f s; ratio %.3f; "
                "watch peak RSS %.1f MB\n",
                settings.players, replyDelayMs, kIntervalSeconds, alert, median(fromPoll), start, alert / start,
                watch.peakResidentMegabytes());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption players(QStringLiteral("players"), QStringLiteral("Players in the group."), QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption delay(QStringLiteral("reply-delay-ms"), QStringLiteral("How long far-away players hold each reply."),
                                   QStringLiteral("MS"), QStringLiteral("20"));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Rounds of each comparison."), QStringLiteral("R"), QStringLiteral("3"));
    parser.addOptions({players, delay, rounds});
    parser.process(app);
    const Settings settings{std::max(1, parser.value(players).toInt()), std::max(0, parser.value(delay).toInt()),
                            std::max(1, parser.value(rounds).toInt())};
    return watchBesideStart(settings, 0) && watchBesideStart(settings, settings.replyDelayMs) ? 0 : 1;
}
