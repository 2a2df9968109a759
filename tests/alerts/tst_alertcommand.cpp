#include "AlertFeedServer.h"
#include "CapSamples.h"
#include "ProgramRun.h"
#include "StandInPlayers.h"
#include "TestSupport.h"

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;

namespace {

// The start command's second line for the alert's crawl on a 600-pixel screen.
QByteArray startLine(const QByteArray &dwellSeconds, const QByteArray &background)
{
    return "Message=@START_INSTANT_CRAWL,Alert.rtf," + dwellSeconds + ",none,0.00,3,0.0000," + background;
}

} // namespace

class tst_AlertCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(m_players.start(), qPrintable(m_players.errorString()));
    }

    void init()
    {
        m_dirs = std::make_unique<TempDirs>();
        writeAll(m_dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
        writeAll(m_dirs->appDir() + "/groups.ini",
                 QString("[Lobby]\n%1\n[Cafeteria]\n%2\n%3\n")
                     .arg(m_players.host(0), m_players.host(1), m_players.host(2))
                     .toUtf8());
        for (int player = 0; player < m_players.size(); ++player) {
            QDir(m_players.root(player) + "/media").removeRecursively();
            QDir(m_players.root(player) + "/settings").removeRecursively();
            QDir().mkpath(m_players.root(player) + "/media");
            QDir().mkpath(m_players.root(player) + "/settings");
            QVERIFY(m_players.setFault(player, Fault::None));
        }
        m_uploadsBefore.clear();
        m_connectionsBefore.clear();
        for (int player = 0; player < m_players.size(); ++player) {
            m_uploadsBefore << m_players.count("received", player);
            m_connectionsBefore << m_players.count("connect", player);
        }
    }

    // A Severe alert until half an hour from now: white bold on red for 30 minutes.
    void crawlReachesPlayersByteForByte()
    {
        const Ran ran = run(QStringList{file("alert.xml", capAlert({.identifier = "KSTO-1"}))} + playersOptions({0, 1}));

        QCOMPARE(ran.err, QByteArray());
        QCOMPARE(ran.status, 0);
        QVERIFY2(ran.out.endsWith("Alert KSTO-1 (Severe, Actual): Start sent to 2 players: 2 delivered.\n"), ran.out);
        for (const int player : {0, 1}) {
            QCOMPARE(received(player, "media/Alert.rtf"),
                     "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                     "{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\n"
                     "{\\colortbl;\\red255\\green255\\blue255;}\n"
                     "\\pard\\f0\\fs60\\cf1\\b Tornado Warning KSTO-1: Take shelter now.\\par\n"
                     "}\n");
            QCOMPARE(command(player), startLine("1800", "0000FF"));
        }
        QCOMPARE(uploads(2), 0);
    }

    // Green County maps to Lobby (player 0); Elm Creek to Cafeteria (players 1 and 2). SOURCE
    // stands after the options here.
    void areasReachTheirGroups()
    {
        const QString areas = file("areas.txt", "# counties\nGreen County = Lobby\nElm Creek township = Cafeteria\n");
        CapSample elmCreek{.identifier = "KSTO-1"};
        elmCreek.area = "Elm Creek township";
        CapSample redCounty{.identifier = "KSTO-2"};
        redCounty.area = "Red County";

        const Ran toCafeteria = run({"--areas", areas, file("elm.xml", capAlert(elmCreek))});
        const Ran toNobody = run({"--areas", areas, file("red.xml", capAlert(redCounty))});

        QCOMPARE(toCafeteria.status, 0);
        QCOMPARE(uploads(0), 0);
        QCOMPARE(uploads(1), 2);
        QCOMPARE(uploads(2), 2);
        QCOMPARE(toNobody.status, 0);
        QCOMPARE(toNobody.out, "Alert KSTO-2 (Severe, Actual): nothing sent: no mapped area: Red County.\n");
    }

    void updateReachesTheEarlierPlayers()
    {
        QCOMPARE(run(QStringList{file("first.xml", capAlert({.identifier = "KSTO-1"}))} + playersOptions({0})).status, 0);
        CapSample update{.identifier = "KSTO-2", .messageType = "Update"};
        update.references = "KSTO-1";
        const Ran ran = run(QStringList{file("update.xml", capAlert(update))} + playersOptions({1}));

        QCOMPARE(ran.status, 0);
        QVERIFY2(ran.out.endsWith("Alert KSTO-2 (Severe, Actual): Start sent to 2 players: 2 delivered.\n"), ran.out);
        QVERIFY(received(0, "media/Alert.rtf").contains("KSTO-2"));
        QVERIFY(received(1, "media/Alert.rtf").contains("KSTO-2"));
        QCOMPARE(uploads(2), 0);
    }

    // KSTO-1 went to players 0 and 1, then KSTO-2 to player 1: the Cancel of KSTO-1 stops player 0 only.
    void cancelStopsOnlyPlayersStillShowingIt()
    {
        QCOMPARE(run(QStringList{file("first.xml", capAlert({.identifier = "KSTO-1"}))} + playersOptions({0, 1})).status, 0);
        QCOMPARE(run(QStringList{file("other.xml", capAlert({.identifier = "KSTO-2"}))} + playersOptions({1})).status, 0);
        CapSample cancel{.identifier = "KSTO-3", .messageType = "Cancel"};
        cancel.references = "KSTO-1";
        const QString cancelFile = file("cancel.xml", capAlert(cancel));

        const Ran ran = run(QStringList{cancelFile} + playersOptions({2}));
        const Ran again = run(QStringList{cancelFile} + playersOptions({2}));

        QCOMPARE(ran.status, 0);
        QCOMPARE(command(0), "Message=@STOP_INSTANT_CRAWL");
        QCOMPARE(command(1), startLine("1800", "0000FF"));
        QCOMPARE(uploads(2), 0);
        QCOMPARE(again.out, "Alert KSTO-3 (Severe, Actual): nothing sent: already stopped on every player.\n");
    }

    // Player 1 refuses the logon at first: the run fails for it alone; the next run sends to it
    // only, and the one after that to nobody.
    void rerunSendsOnlyToPlayersWithoutIt()
    {
        const QString alert = file("alert.xml", capAlert({.identifier = "KSTO-1"}));
        QVERIFY(m_players.setFault(1, Fault::Refused));
        const Ran first = run(QStringList{alert} + playersOptions({0, 1}));
        QVERIFY(m_players.setFault(1, Fault::None));
        const Ran second = run(QStringList{alert} + playersOptions({0, 1}));
        const Ran third = run(QStringList{alert} + playersOptions({0, 1}));

        QCOMPARE(first.status, 2);
        QCOMPARE(second.status, 0);
        QVERIFY2(second.out.endsWith("Start sent to 1 player: 1 delivered. 1 player already had it.\n"), second.out);
        QCOMPARE(third.status, 0);
        QCOMPARE(third.out, "Alert KSTO-1 (Severe, Actual): nothing sent: already on every player.\n");
        QCOMPARE(uploads(0), 2);
        QCOMPARE(uploads(1), 2);
    }

    // One row for each kind of attack.
    void hostileDocumentRefused_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<AlertFeedServer::Mode>("mode");
        QTest::addColumn<QString>("refusal"); // part of the words on standard error
        const auto file = AlertFeedServer::Mode::Normal;
        QTest::newRow("billion laughs")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
                          "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]><lolz>&lol2;</lolz>")
            << file << "a document with a DTD is refused";
        QTest::newRow("10,000 deep") << QByteArray("<alert>").repeated(10000) << file << "nested deeper than 64 elements";
        QTest::newRow("not XML") << QByteArray("Tornado warning! Take shelter.\n") << file
                                 << "was refused: not XML: start tag expected at line 1";
        QTest::newRow("100 MB from the server") << QByteArray() << AlertFeedServer::Mode::Huge << "larger than 1 MB";
        QTest::newRow("redirect loop") << QByteArray() << AlertFeedServer::Mode::RedirectLoop << "redirects more than 3 times";
    }

    void hostileDocumentRefused()
    {
        QFETCH(QByteArray, document);
        QFETCH(AlertFeedServer::Mode, mode);
        QFETCH(QString, refusal);
        AlertFeedServer feed;
        QVERIFY2(feed.start(), qPrintable(feed.errorString()));
        writeAll(feed.root() + "/alerts.xml", document);
        QVERIFY(feed.setMode(mode));

        const Ran ran = run(QStringList{feed.url("alerts.xml")} + playersOptions({0}));

        QCOMPARE(ran.status, 1);
        QVERIFY2(QString::fromUtf8(ran.err).contains(refusal), ran.err);
        QCOMPARE(ran.out, QByteArray());
        QCOMPARE(connections(0), 0); // nothing reached the player, not even a logon
    }

private:
    Ran run(const QStringList &arguments, const QByteArray &input = "Secret\n") const
    {
        return runProgram(*m_dirs, QStringList{"alert"} + arguments, input);
    }
    QString file(const QString &name, const QByteArray &bytes) const
    {
        const QString path = m_dirs->root.filePath(name);
        writeAll(path, bytes);
        return path;
    }
    QStringList playersOptions(std::initializer_list<int> players) const
    {
        QStringList options;
        for (const int player : players)
            options << "--player" << m_players.host(player);
        return options;
    }
    QByteArray received(int player, const QString &remote) const
    {
        return readAll(m_players.root(player) + '/' + remote);
    }
    // The second line of the player's command file: what it was told to do.
    QByteArray command(int player) const { return received(player, "settings/Instant.txt").split('\n').value(1).trimmed(); }
    // What reached a player during this test.
    int uploads(int player) const { return m_players.count("received", player) - m_uploadsBefore.value(player); }
    int connections(int player) const { return m_players.count("connect", player) - m_connectionsBefore.value(player); }

    StandInPlayers m_players{{Fault::None, Fault::None, Fault::None}};
    std::unique_ptr<TempDirs> m_dirs; // a fresh AppDir (and send log) for each test
    QList<int> m_uploadsBefore;
    QList<int> m_connectionsBefore;
};

QTEST_GUILESS_MAIN(tst_AlertCommand)
#include "tst_alertcommand.moc"
