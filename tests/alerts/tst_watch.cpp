#include "AlertFeedServer.h"
#include "CapSamples.h"
#include "ProgramRun.h"
#include "StandInPlayers.h"
#include "TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;

namespace {

// `qv-instant-crawl watch` running on the test's folders, the password on its standard input.
class Watch
{
public:
    Watch(const TempDirs &dirs, const QStringList &arguments)
    {
        m_process.setProcessEnvironment(programEnvironment(dirs));
        m_process.start(QVIC_EXECUTABLE, QStringList{"watch", "--interval", "1", "--password-file", "-"} + arguments);
        m_process.write("Secret\n");
        m_process.closeWriteChannel();
    }
    ~Watch() { stop(SIGKILL); }

    // The lines told so far, each without its time.
    QStringList lines()
    {
        m_out += m_process.readAllStandardOutput();
        QStringList told;
        for (const QByteArray &line : m_out.split('\n'))
            if (!line.isEmpty())
                told << QString::fromUtf8(line).section(' ', 1);
        return told;
    }
    // The lines that tell an action or a failure, not the watch's start and end.
    QStringList actions()
    {
        QStringList told = lines();
        told.removeIf([](const QString &line) { return line.startsWith("Watching ") || line.startsWith("Watch ended"); });
        return told;
    }
    bool told(const QString &line) { return lines().contains(line); }

    // Sends the signal and waits for the end: the exit status, -1 for a crash.
    int stop(int signal = SIGTERM)
    {
        if (m_process.state() == QProcess::NotRunning)
            return -1;
        ::kill(pid_t(m_process.processId()), signal);
        m_process.waitForFinished(30000);
        m_out += m_process.readAllStandardOutput();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    QByteArray m_out;
};

} // namespace

class tst_Watch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void newUpdateAndCancelEachSentOnceAcrossARestart();
    void expiryStopsOnceAcrossARestart();
    void unchangedFeedSendsNothing();
    void failedPollToldAndTheWatchGoesOn_data();
    void failedPollToldAndTheWatchGoesOn();
    void signalDuringSendEndsWithTheStateSaved();

private:
    QStringList players(std::initializer_list<int> which) const
    {
        QStringList options;
        for (const int player : which)
            options << "--player" << m_players.host(player);
        return options;
    }
    void publish(const QByteArray &feed) { writeAll(m_feed.root() + "/feed.xml", feed); }
    // Waits until the feed has been asked for `polls` more times.
    void waitForPolls(int polls)
    {
        const qsizetype until = m_feed.events().size() + polls;
        QTRY_VERIFY_WITH_TIMEOUT(m_feed.events().size() >= until, 20000);
    }
    int uploads(int player) const { return m_players.count("received", player) - m_uploadsBefore.value(player); }
    QByteArray command(int player) const
    {
        return readAll(m_players.root(player) + "/settings/Instant.txt").split('\n').value(1).trimmed();
    }

    StandInPlayers m_players{{Fault::None, Fault::None, Fault::None}};
    AlertFeedServer m_feed;
    std::unique_ptr<TempDirs> m_dirs;
    QList<int> m_uploadsBefore;
};

void tst_Watch::initTestCase()
{
    QVERIFY2(m_players.start(), qPrintable(m_players.errorString()));
    QVERIFY2(m_feed.start(), qPrintable(m_feed.errorString()));
}

void tst_Watch::init()
{
    m_dirs = std::make_unique<TempDirs>();
    writeAll(m_dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
    QVERIFY(m_feed.setMode(AlertFeedServer::Mode::Normal));
    publish(atomFeed({}));
    m_uploadsBefore.clear();
    for (int player = 0; player < m_players.size(); ++player) {
        QVERIFY(m_players.setFault(player, Fault::None));
        m_uploadsBefore << m_players.count("received", player);
    }
}

// A start is two uploads (the document and the command file), a stop one.
void tst_Watch::newUpdateAndCancelEachSentOnceAcrossARestart()
{
    publish(atomFeed({capAlert({.identifier = "WATCH-1"})}));
    Watch first(*m_dirs, QStringList{m_feed.url("feed.xml")} + players({0, 1}));
    QTRY_VERIFY_WITH_TIMEOUT(first.told("Alert WATCH-1 (Severe, Actual): Start sent to 2 players: 2 delivered."), 20000);
    QCOMPARE(first.stop(), 0);

    const QByteArray update = capAlert({.identifier = "WATCH-2", .messageType = "Update", .references = "WATCH-1"});
    publish(atomFeed({capAlert({.identifier = "WATCH-1"}), update}));
    Watch second(*m_dirs, QStringList{m_feed.url("feed.xml")} + players({0, 1}));
    QTRY_VERIFY_WITH_TIMEOUT(second.told("Alert WATCH-2 (Severe, Actual): Start sent to 2 players: 2 delivered."), 20000);
    publish(atomFeed({update, capAlert({.identifier = "WATCH-3", .messageType = "Cancel", .references = "WATCH-2"})}));
    QTRY_VERIFY_WITH_TIMEOUT(second.told("Alert WATCH-3 (Severe, Actual): Stop sent to 2 players: 2 delivered."), 20000);
    waitForPolls(2);
    QCOMPARE(second.stop(), 0);

    QCOMPARE(second.actions(), QStringList({"Alert WATCH-2 (Severe, Actual): Start sent to 2 players: 2 delivered.",
                                            "Alert WATCH-3 (Severe, Actual): Stop sent to 2 players: 2 delivered."}));
    QCOMPARE(uploads(0), 5);
    QCOMPARE(uploads(1), 5);
    QCOMPARE(uploads(2), 0);
    QCOMPARE(command(0), "Message=@STOP_INSTANT_CRAWL");
}

// The watch that sees the expiry may be the second, which knows the alert from the state file
// only: the feed, unchanged, answers 304.
void tst_Watch::expiryStopsOnceAcrossARestart()
{
    publish(atomFeed({capAlert({.identifier = "WATCH-1", .expires = capTime(5)})}));
    Watch first(*m_dirs, QStringList{m_feed.url("feed.xml")} + players({0}));
    QTRY_VERIFY_WITH_TIMEOUT(first.told("Alert WATCH-1 (Severe, Actual): Start sent to 1 player: 1 delivered."), 20000);
    QCOMPARE(first.stop(), 0);
    Watch second(*m_dirs, QStringList{m_feed.url("feed.xml")} + players({0}));
    const QString expired = "Alert WATCH-1 (Severe) expired: Stop sent to 1 player: 1 delivered.";
    QTRY_VERIFY_WITH_TIMEOUT(first.told(expired) || second.told(expired), 20000);
    waitForPolls(2);
    QCOMPARE(second.stop(), 0);

    QCOMPARE(first.actions() + second.actions(),
             QStringList({"Alert WATCH-1 (Severe, Actual): Start sent to 1 player: 1 delivered.", expired}));
    QCOMPARE(uploads(0), 3);
    QCOMPARE(command(0), "Message=@STOP_INSTANT_CRAWL");
}

void tst_Watch::unchangedFeedSendsNothing()
{
    publish(atomFeed({capAlert({.identifier = "WATCH-1"})}));
    Watch watch(*m_dirs, QStringList{m_feed.url("feed.xml")} + players({0}));
    QTRY_VERIFY_WITH_TIMEOUT(watch.told("Alert WATCH-1 (Severe, Actual): Start sent to 1 player: 1 delivered."), 20000);
    waitForPolls(2);
    QCOMPARE(watch.stop(), 0);

    QCOMPARE(m_feed.events().mid(m_feed.events().size() - 2),
             QStringList({"GET /feed.xml 304 conditional", "GET /feed.xml 304 conditional"}));
    QCOMPARE(watch.actions().size(), 1);
    QCOMPARE(uploads(0), 2);
}

void tst_Watch::failedPollToldAndTheWatchGoesOn_data()
{
    QTest::addColumn<AlertFeedServer::Mode>("mode");
    QTest::addColumn<QByteArray>("feed");
    QTest::addColumn<QString>("failure");
    QTest::newRow("HTTP 500") << AlertFeedServer::Mode::Error << atomFeed({})
                              << "Poll failed: %1 answered HTTP 500, not 200.";
    QTest::newRow("not XML") << AlertFeedServer::Mode::Normal << QByteArray("Tornado! Take shelter.\n")
                             << "Poll failed: %1 was refused: not XML: start tag expected at line 1.";
}

void tst_Watch::failedPollToldAndTheWatchGoesOn()
{
    QFETCH(AlertFeedServer::Mode, mode);
    QFETCH(QByteArray, feed);
    QFETCH(QString, failure);
    QVERIFY(m_feed.setMode(mode));
    publish(feed);
    Watch watch(*m_dirs, QStringList{m_feed.url("feed.xml")} + players({0}));
    QTRY_VERIFY_WITH_TIMEOUT(!watch.actions().isEmpty(), 20000);
    QVERIFY(m_feed.setMode(AlertFeedServer::Mode::Normal));
    publish(atomFeed({capAlert({.identifier = "WATCH-1"})}));
    QTRY_VERIFY_WITH_TIMEOUT(watch.told("Alert WATCH-1 (Severe, Actual): Start sent to 1 player: 1 delivered."), 20000);
    QCOMPARE(watch.stop(), 0);

    QCOMPARE(watch.actions().first(), failure.arg(m_feed.url("feed.xml")));
    QCOMPARE(uploads(0), 2);
}

// The player never greets: the send is under way when SIGTERM comes. The state saved makes the
// next watch ask for the whole feed again, and it sends to the player then.
void tst_Watch::signalDuringSendEndsWithTheStateSaved()
{
    const QString statePath = m_dirs->root.filePath("state.json");
    QVERIFY(m_players.setFault(0, Fault::NeverGreets));
    const int connectionsBefore = m_players.count("connect", 0);
    publish(atomFeed({capAlert({.identifier = "WATCH-1"})}));
    Watch first(*m_dirs, QStringList{m_feed.url("feed.xml"), "--state", statePath} + players({0}));
    QTRY_VERIFY_WITH_TIMEOUT(m_players.count("connect", 0) > connectionsBefore, 20000);
    QCOMPARE(first.stop(SIGTERM), 0);

    QCOMPARE(first.actions(), QStringList{"Alert WATCH-1 (Severe, Actual): Start sent to 1 player: 0 delivered, 1 failed. "
                                          "Failed: " + m_players.host(0) + " (Transferring process is cancelled.)."});
    QVERIFY2(first.lines().last().startsWith("Watch ended by signal 15"), qPrintable(first.lines().last()));
    const QJsonObject state = QJsonDocument::fromJson(readAll(statePath)).object();
    QCOMPARE(state["feed"].toString(), m_feed.url("feed.xml"));
    QCOMPARE(state["etag"].toString(), QString()); // not done: no validators for the next poll

    QVERIFY(m_players.setFault(0, Fault::None));
    Watch second(*m_dirs, QStringList{m_feed.url("feed.xml"), "--state", statePath} + players({0}));
    QTRY_VERIFY_WITH_TIMEOUT(second.told("Alert WATCH-1 (Severe, Actual): Start sent to 1 player: 1 delivered."), 20000);
    QCOMPARE(second.stop(), 0);
    QCOMPARE(uploads(0), 2);
}

QTEST_GUILESS_MAIN(tst_Watch)
#include "tst_watch.moc"
