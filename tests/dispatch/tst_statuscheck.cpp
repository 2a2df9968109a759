#include "StandInPlayers.h"
#include "TestSupport.h"

#include "commands/InstantFile.h"
#include "dispatch/PlayerStatus.h"
#include "dispatch/SendEngine.h"

#include <QtTest>

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;
using State = PlayerStatus::State;

Q_DECLARE_METATYPE(PlayerStatus::State)

namespace {

// A command file as the program writes it, stamped at `when`.
QByteArray commandFile(const QDateTime &when, const QString &message)
{
    return (timeStampLine(when) + QStringLiteral("\r\nMessage=") + message + QStringLiteral("\r\n")).toLatin1();
}

} // namespace

// A status check reads every player through the send engine, changing nothing on it: its
// command file and the size of the document that file names.
class tst_StatusCheck : public QObject
{
    Q_OBJECT

private slots:
    void playerInEachState_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QByteArray>("command"); // null: no command file on the player
        QTest::addColumn<bool>("document");      // whether media/Lobby.rtf is there
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("details");

        const QDateTime now = QDateTime::currentDateTime();
        const QString start = QStringLiteral("@START_INSTANT_CRAWL,Lobby.rtf,3600,none,0.25,3,0.5000,000000");
        const QByteArray showing = commandFile(now.addSecs(-60), start);
        QTest::newRow("showing") << Fault::None << showing << true << State::Showing << "";
        QTest::newRow("dwell run out") << Fault::None << commandFile(now.addSecs(-7200), start) << true << State::Ended << "";
        QTest::newRow("document gone") << Fault::None << showing << false << State::Missing
                                       << "the document Lobby.rtf is not on the player";
        QTest::newRow("stopped") << Fault::None << commandFile(now.addSecs(-60), "@STOP_INSTANT_CRAWL") << false
                                 << State::Stopped << "";
        QTest::newRow("no command file") << Fault::None << QByteArray() << false << State::Unknown << "no command file";
        QTest::newRow("a huge command file") << Fault::None << QByteArray(1 << 20, 'x') << false << State::Unknown
                                             << "a command file of more than 64 KB, which the program never writes";
        QTest::newRow("binary command file") << Fault::None << QByteArray("\x7f" "ELF\x02\x01\x01", 7) << false
                                             << State::Unknown << "the command file holds binary bytes";
        QTest::newRow("no SIZE") << Fault::NoSize << showing << true << State::Showing
                                 << "the player does not tell whether the document is there";
        QTest::newRow("nobody listens") << Fault::Closed << showing << true << State::Unreachable << "";
    }

    // Each player's state and words from a real read; nothing is written on any player.
    void playerInEachState()
    {
        QFETCH(Fault, fault);
        QFETCH(QByteArray, command);
        QFETCH(bool, document);
        StandInPlayers players({fault});
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        if (!command.isNull())
            writeAll(players.root() + "/settings/Instant.txt", command);
        if (document)
            writeAll(players.root() + "/media/Lobby.rtf", "{\\rtf1 Doors open\\par}");

        SendEngine check;
        check.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(2), std::chrono::seconds(2)});
        QVERIFY(check.start({players.hosts(), "qv7player", "tk2harbor", {}, statusReadPlan()}));
        QTRY_VERIFY_WITH_TIMEOUT(!check.isRunning(), 20000);
        const PlayerStatus status = statusOf(check.results()[0], QDateTime::currentDateTime(), {});

        QTEST(status.state, "state");
        QTEST(status.details, "details");
        if (status.state == State::Unreachable)
            QCOMPARE(status.error, "Can't logon to this IP Address");
        for (const QString &line : players.commands())
            QVERIFY2(!QRegularExpression("^(STOR|APPE|DELE|RNFR|RNTO|MKD|RMD|SITE)").match(line).hasMatch(), qPrintable(line));
        QCOMPARE(players.count("received"), 0);
    }

    // Reading many players at once: each gets its own state, none waits on another.
    void manyPlayersAtOnce()
    {
        StandInPlayers players({Fault::None, Fault::NeverGreets, Fault::None, Fault::Closed});
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        const QByteArray stop = commandFile(QDateTime::currentDateTime(), "@STOP_INSTANT_CRAWL");
        for (int player = 0; player < players.size(); ++player)
            writeAll(players.root(player) + "/settings/Instant.txt", stop);
        SendEngine check;
        check.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(2), std::chrono::seconds(2)});
        QVERIFY(check.start({players.hosts(), "qv7player", "tk2harbor", {}, statusReadPlan()}));
        QTRY_VERIFY_WITH_TIMEOUT(!check.isRunning(), 20000);

        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(statusOf(check.results()[0], now, {}).state, State::Stopped);
        QCOMPARE(statusOf(check.results()[1], now, {}).state, State::Unreachable); // silent until the logon limit
        QCOMPARE(statusOf(check.results()[2], now, {}).state, State::Stopped);
        QCOMPARE(statusOf(check.results()[3], now, {}).state, State::Unreachable);
    }
};

QTEST_GUILESS_MAIN(tst_StatusCheck)
#include "tst_statuscheck.moc"
