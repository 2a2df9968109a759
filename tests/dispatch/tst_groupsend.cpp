#include "FtpPlayers.h"
#include "TestSupport.h"

#include "dispatch/GroupSend.h"

#include <QtTest>

using namespace qvic;
using namespace qvic::test;
using Mode = FtpPlayers::Mode;
using State = PlayerResult::State;

Q_DECLARE_METATYPE(FtpPlayers::Mode)
Q_DECLARE_METATYPE(PlayerResult::State)

namespace {

const QString kCantLogon = "Can't logon to this IP Address";
const QByteArray kOlder = "{\\rtf1 Yesterday's crawl\\par}";
const QString kPart = "received /media/Lobby.rtf.part", kRenamed = "renamed /media/Lobby.rtf.part /media/Lobby.rtf",
              kCommand = "received /settings/Instant.txt";

// Bytes that differ from place to place, so a shifted or cut copy never compares equal.
QByteArray crawl(int size)
{
    QByteArray bytes = "{\\rtf1\\ansi ";
    for (int i = 0; bytes.size() < size - 1; ++i)
        bytes += "Doors open at " + QByteArray::number(i * 7919 % 100003) + "\\par ";
    bytes.truncate(size - 1);
    return bytes + '}';
}

QStringList transfers(const QStringList &events)
{
    return events.filter(QRegularExpression("^(received|incomplete|renamed|deleted) "));
}

} // namespace

class tst_GroupSend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        writeAll(m_dir.filePath("Lobby.rtf"), m_document);
        writeAll(m_dir.filePath("Instant.txt"), m_command);
        writeAll(m_dir.filePath("Kite7.txt"), m_device);
    }
    void mixedGroupAndRetry();
    void playerKinds_data();
    void playerKinds();
    void cancelMidGroup();
    void faultsBeforeLogon_data();
    void faultsBeforeLogon();

private:
    GroupRequest request(const FtpPlayers &players, bool withDevice = false) const;

    QTemporaryDir m_dir;
    QByteArray m_document = crawl(20000);
    QByteArray m_command = "Time=03/04/2024 01:05:09 PM\r\nMessage=@START_INSTANT_CRAWL,Lobby.rtf,120,none,0.25,3,0.5000,000000\r\n";
    QByteArray m_device = "Time=03/04/2024 01:05:10 PM\r\nMessage=@INSTANT_EVENT_COMMAND,Doors open\r\n";
};

GroupRequest tst_GroupSend::request(const FtpPlayers &players, bool withDevice) const
{
    return {players.hosts(), "qv7player", "tk2harbor",
            groupFiles(DeliveryAction::Start, m_dir.filePath("Lobby.rtf"), m_dir.filePath("Instant.txt"),
                       withDevice ? m_dir.filePath("Kite7.txt") : QString())};
}

// Three players that cannot be logged on to fail in the single send's words within its
// time limits, while the others get both files whole; the caller's event loop runs on.
void tst_GroupSend::mixedGroupAndRetry()
{
    FtpPlayers players({Mode::Normal, Mode::Refused, Mode::Closed, Mode::Silent, Mode::Normal});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    GroupSend send;
    send.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(1), std::chrono::seconds(2)});
    QTimer ticker;
    int ticks = 0, ticksAtEnd = -1;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    connect(&send, &GroupSend::finished, [&] { ticksAtEnd = ticks; });
    ticker.start(10);

    QVERIFY(send.start(request(players)));
    QVERIFY(send.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!send.isRunning(), 30000);
    QVERIFY2(ticksAtEnd > 10, qPrintable(QString::number(ticksAtEnd))); // the silent player alone takes a second
    for (const int i : {0, 4}) {
        QCOMPARE(send.results()[i].state, State::Delivered);
        QCOMPARE(send.results()[i].bytesVerified, m_document.size() + m_command.size());
        QCOMPARE(readAll(players.root(i) + "/media/Lobby.rtf"), m_document);
        QCOMPARE(readAll(players.root(i) + "/settings/Instant.txt"), m_command);
        QCOMPARE(transfers(players.events(i)), QStringList({kPart, kRenamed, kCommand}));
        QCOMPARE(players.events(i).filter(QRegularExpression("^(connect|login)")),
                 QStringList({"connect", "login qv7player"})); // one connection for all its files
    }
    QCOMPARE(send.failedPlayers(), QList<int>({1, 2, 3}));
    for (const int i : {1, 2, 3})
        QCOMPARE(send.results()[i].words, kCantLogon);

    // The refusing player lets us in now; a retry goes to the three failed ones only.
    QVERIFY(players.setMode(1, Mode::Normal));
    const QStringList firstEvents = players.events(0);
    QVERIFY(send.retry(send.failedPlayers()));
    QCOMPARE(send.results()[2].state, State::Waiting);
    QTRY_VERIFY_WITH_TIMEOUT(!send.isRunning(), 30000);
    QCOMPARE(players.events(0), firstEvents);
    QVERIFY(send.results()[0].state == State::Delivered && send.results()[1].state == State::Delivered);
    QCOMPARE(readAll(players.root(1) + "/media/Lobby.rtf"), m_document);
    QCOMPARE(send.failedPlayers(), QList<int>({2, 3}));
}

void tst_GroupSend::playerKinds_data()
{
    columns<Mode, bool, State, QString, QStringList, QString>("mode", "device", "state", "note", "transfers", "words");
    const QString deleted = "deleted /media/Lobby.rtf";
    QTest::newRow("device script after the command file")
        << Mode::Normal << true << State::Delivered << "" << QStringList{kPart, kRenamed, kCommand, kCommand} << "";
    QTest::newRow("no SIZE") << Mode::NoSize << false << State::DeliveredNotVerified << "" << QStringList{kPart, kRenamed, kCommand} << "";
    QTest::newRow("no rename over a file") << Mode::NoRename << false << State::Delivered << "replaced by delete and rename"
                                           << QStringList{kPart, deleted, kRenamed, kCommand} << "";
    QTest::newRow("size differs") << Mode::ShortSize << false << State::Failed << "" << QStringList{kPart}
                                  << "Error transferring file.\r\nFTP Error: 18\r\nErr Desp: media\\Lobby.rtf: "
                                     "the player holds 19999 bytes of the 20000 sent.";
}

// Each player on its own: the files it got, in order, and what its result says.
void tst_GroupSend::playerKinds()
{
    const auto [mode, device] = fetch<Mode, bool>("mode", "device");
    FtpPlayers players({mode, mode});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    for (int i = 0; i < players.size(); ++i)
        writeAll(players.root(i) + "/media/Lobby.rtf", kOlder);
    GroupSend send;
    QVERIFY(send.start(request(players, device)));
    QTRY_VERIFY_WITH_TIMEOUT(!send.isRunning(), 30000);

    for (int i = 0; i < players.size(); ++i) {
        const PlayerResult &result = send.results()[i];
        QTEST(result.state, "state");
        QTEST(result.note, "note");
        QTEST(transfers(players.events(i)), "transfers");
        QTEST(result.words, "words");
        QCOMPARE(readAll(players.root(i) + "/media/Lobby.rtf"), result.state == State::Failed ? kOlder : m_document);
        if (result.state != State::Failed)
            QCOMPARE(readAll(players.root(i) + "/settings/Instant.txt"), device ? m_device : m_command);
        QCOMPARE(result.bytesVerified, result.state == State::Delivered ? result.bytesSent : 0);
    }
}

// A cancel cuts the uploads under way and starts no other; no player is left with
// half a document under its real name.
void tst_GroupSend::cancelMidGroup()
{
    const QByteArray document = crawl(2000000);
    writeAll(m_dir.filePath("Big/Lobby.rtf"), document);
    FtpPlayers players({Mode::Throttled, Mode::Throttled, Mode::Throttled, Mode::Throttled});
    players.setRate(50000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    for (int i = 0; i < players.size(); ++i)
        writeAll(players.root(i) + "/media/Lobby.rtf", kOlder);
    GroupSend send;
    send.setMaxConnections(2);
    GroupRequest group = request(players);
    group.files.first().localPath = m_dir.filePath("Big/Lobby.rtf");
    QVERIFY(send.start(group));
    QTRY_VERIFY(send.results()[0].bytesSent > 0 && send.results()[1].bytesSent > 0);
    QCOMPARE(send.results()[2].state, State::Waiting);
    send.cancel();
    QTRY_VERIFY(!send.isRunning());

    for (int i = 0; i < players.size(); ++i) {
        QCOMPARE(send.results()[i].state == State::Failed ? send.results()[i].words : "", "Transferring process is cancelled.");
        QCOMPARE(readAll(players.root(i) + "/media/Lobby.rtf"), kOlder);
    }
    for (const int i : {0, 1}) {
        QTRY_COMPARE(transfers(players.events(i)), QStringList{"incomplete /media/Lobby.rtf.part"});
        QVERIFY(QFileInfo(players.root(i) + "/media/Lobby.rtf.part").size() < document.size());
    }
    for (const int i : {2, 3})
        QCOMPARE(players.events(i), QStringList());
}

void tst_GroupSend::faultsBeforeLogon_data()
{
    columns<QString, QString, QString>("player", "document", "words");
    QTest::newRow("no port") << "127.0.0.1:" << "Lobby.rtf" << kCantLogon;
    QTest::newRow("line break") << "127.0.0.1\r\nDELE x" << "Lobby.rtf" << kCantLogon;
    QTest::newRow("document missing") << "127.0.0.1:1" << "Gone.rtf"
                                      << "Error transferring file.\r\nFTP Error: 53\r\nErr Desp: File not found: %1";
}

// Failures known before any logon, in the single send's words, naming the missing file.
void tst_GroupSend::faultsBeforeLogon()
{
    auto [player, document, words] = fetch<QString, QString, QString>("player", "document", "words");
    GroupSend send;
    QVERIFY(send.start({{player}, "qv7player", "tk2harbor",
                        groupFiles(DeliveryAction::Start, m_dir.filePath(document), m_dir.filePath("Instant.txt"))}));
    QTRY_VERIFY(!send.isRunning());
    QCOMPARE(send.results()[0].state, State::Failed);
    QCOMPARE(send.results()[0].words, words.replace("%1", m_dir.filePath(document)));
}

QTEST_GUILESS_MAIN(tst_GroupSend)
#include "tst_groupsend.moc"
