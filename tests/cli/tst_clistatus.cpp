#include "PlayerScreens.h"
#include "ProgramRun.h"

#include "dispatch/SendLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace qvic;
using namespace qvic::test;
using Fault = StandInPlayers::Fault;

namespace {

// A time as the status tells it: ISO 8601 with this computer's offset, to the second.
QString isoTime(const QDateTime &when)
{
    return SendLog::timeWords(when);
}

} // namespace

// `qv-instant-crawl status` as an alert system runs it: no window, no display, no password.
class tst_CliStatus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(m_players.start(), qPrintable(m_players.errorString()));
        m_now = showOnFirstStopSecond(m_players);
        writeAll(m_players.root(2) + "/settings/Instant.txt", commandFile(m_now, kShowingLobby));
        writeAll(m_players.root(4) + "/settings/Instant.txt", QByteArray(1 << 20, 'x'));
        // Player 5 holds no command file at all.
        // This computer last sent player 1 a start: the stop it holds differs.
        writeAll(m_dirs.appDir() + "/sendlog.csv",
                 "time,action,document,settings,player,outcome,bytes verified\r\n" + isoTime(m_now.addSecs(-30)).toLatin1()
                     + ",start,Lobby.rtf,\"Message=" + kShowingLobby.toLatin1() + "\"," + m_players.host(1).toLatin1()
                     + ",delivered,20172\r\n");
    }

    // Every state in one JSON object, parsed; the exit status says one player did not answer.
    void jsonOfEveryState()
    {
        QStringList arguments{"status", "--json"};
        for (const QString &player : m_players.hosts())
            arguments << "-p" << player;
        // No terminal and no password anywhere: a status needs none.
        const auto [status, out, err] = runProgram(m_dirs, arguments);
        QCOMPARE(status, 2);
        QCOMPARE(err, QByteArray());
        const QJsonObject json = QJsonDocument::fromJson(out).object();
        const QJsonArray players = json["players"].toArray();
        QCOMPARE(players.size(), 6);

        const QJsonObject showing = players[0].toObject();
        QCOMPARE(showing["address"].toString(), m_players.host(0));
        QCOMPARE(showing["state"].toString(), "showing");
        QCOMPARE(showing["document"].toString(), "Lobby.rtf");
        QCOMPARE(showing["since"].toString(), isoTime(m_now));
        QCOMPARE(showing["until"].toString(), isoTime(m_now.addSecs(3600)));

        const QJsonObject stopped = players[1].toObject();
        QCOMPARE(stopped["state"].toString(), "stopped");
        QVERIFY2(stopped["differsFromLastSend"].toString().startsWith("differs from last send"),
                 qPrintable(stopped["differsFromLastSend"].toString()));

        const QJsonObject missing = players[2].toObject();
        QCOMPARE(missing["state"].toString(), "missing");
        QCOMPARE(missing["details"].toString(), "the document Lobby.rtf is not on the player");

        const QJsonObject unreachable = players[3].toObject();
        QCOMPARE(unreachable["state"].toString(), "unreachable");
        QCOMPARE(unreachable["error"].toString(), "Can't logon to this IP Address");

        const QJsonObject huge = players[4].toObject();
        QCOMPARE(huge["state"].toString(), "unknown");
        QCOMPARE(huge["details"].toString(), "a command file of more than 64 KB, which the program never writes");

        const QJsonObject none = players[5].toObject();
        QCOMPARE(none["state"].toString(), "unknown");
        QCOMPARE(none["details"].toString(), "no command file");

        for (int player = 0; player < m_players.size(); ++player)
            for (const QString &line : m_players.commands(player))
                QVERIFY2(!QRegularExpression("^(STOR|APPE|DELE|RNFR|RNTO|MKD|RMD|SITE)").match(line).hasMatch(), qPrintable(line));
    }

private:

    TempDirs m_dirs;
    StandInPlayers m_players{{Fault::None, Fault::None, Fault::None, Fault::Closed, Fault::None, Fault::None}};
    QDateTime m_now;
};

QTEST_GUILESS_MAIN(tst_CliStatus)
#include "tst_clistatus.moc"
