#include "PlayerFaults.h"
#include "TestSupport.h"

#include "dispatch/SendEngine.h"

#include <QtTest>

#include <memory>

using namespace qvic;
using namespace qvic::test;
using namespace qvic::test::faults;

namespace {

const QByteArray kCommandFile = "Time=03/04/2024 01:05:09 PM\r\n"
                                "Message=@START_INSTANT_CRAWL,Lobby.rtf,120,none,0.25,3,0.5000,000000\r\n";

// Waits for the send to end, as long as the slowest fault of the table may take.
bool ended(const SendEngine &send)
{
    return QTest::qWaitFor([&] { return !send.isRunning(); }, 30000);
}

} // namespace

class tst_SendEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        writeAll(m_dir.filePath("Lobby.rtf"), crawl(20000));
        writeAll(m_dir.filePath("Instant.txt"), kCommandFile);
    }

    void faultBesideHealthyPlayer_data() { addRows(); }
    void faultBesideHealthyPlayer();
    void stuckPlayersHoldNobodyUp();
    void destroyedWhileSending();
    void onePlayerUnderSeveralSpellings();
    void cutConnectionNoticedAtOnce_data();
    void cutConnectionNoticedAtOnce();

private:
    SendRequest request(const QStringList &players, const QString &document) const
    {
        return {players, "qv7player", "tk2harbor",
                filesFor(DeliveryAction::Start, document, m_dir.filePath("Instant.txt"),
                         QString())};
    }

    QTemporaryDir m_dir;
};

// A player at fault ends in the words of the table, within the time limits, and keeps its
// older crawl unless it got the new one whole; the healthy player beside it gets everything.
void tst_SendEngine::faultBesideHealthyPlayer()
{
    QFETCH(Fault, fault);
    QFETCH(int, size);
    QFETCH(State, state);
    QFETCH(QString, words);
    QFETCH(QStringList, transfers);
    StandInPlayers players({fault, Fault::None});
    players.setRate(150000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    const QByteArray document = crawl(size);
    writeAll(m_dir.filePath("sized/Lobby.rtf"), document);
    for (const int player : {0, 1})
        writeAll(players.root(player) + "/media/Lobby.rtf", kOlder);

    SendEngine send;
    send.setTimeLimits(kLimits);
    QVERIFY(send.start(request(players.hosts(), m_dir.filePath("sized/Lobby.rtf"))));
    QVERIFY(ended(send));

    const PlayerResult &faulty = send.results()[0];
    QCOMPARE(faulty.state, state);
    QVERIFY2(wordsMatch(faulty.words, words), qPrintable(faulty.words));
    QTEST(faulty.note, "note");
    // The player logs a cut upload once it reads the reset, which a loaded machine may delay.
    QTRY_COMPARE_WITH_TIMEOUT(faults::transfers(players.events(0)), transfers, 20000);
    QCOMPARE(readAll(players.root(0) + "/media/Lobby.rtf"), faulty.delivered() ? document : kOlder);
    if (state == State::Delivered)
        QCOMPARE(faulty.bytesVerified, document.size() + kCommandFile.size());

    const PlayerResult &healthy = send.results()[1];
    QCOMPARE(healthy.state, State::Delivered);
    QCOMPARE(healthy.bytesVerified, document.size() + kCommandFile.size());
    QCOMPARE(readAll(players.root(1) + "/media/Lobby.rtf"), document);
    QCOMPARE(readAll(players.root(1) + "/settings/Instant.txt"), kCommandFile);
}

// Players that never answer the end of an upload, or QUIT, keep only themselves waiting:
// with two workers, every healthy player behind them is served meanwhile.
void tst_SendEngine::stuckPlayersHoldNobodyUp()
{
    StandInPlayers players({Fault::NoReplyAfterData, Fault::SilentAtQuit,
                            Fault::None, Fault::None, Fault::None, Fault::None});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    SendEngine send;
    send.setMaxConnections(2);
    send.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(3), std::chrono::seconds(2)});
    QList<int> endOrder;
    connect(&send, &SendEngine::playerChanged, this, [&](int player) {
        if (send.results()[player].ended() && !endOrder.contains(player))
            endOrder << player;
    });
    QVERIFY(send.start(request(players.hosts(), m_dir.filePath("Lobby.rtf"))));
    QVERIFY(ended(send));

    QCOMPARE(send.results()[0].words, kNotConnected);
    for (int player = 1; player < players.size(); ++player)
        QCOMPARE(send.results()[player].state, State::Delivered);
    QCOMPARE(endOrder.size(), players.size());
    QCOMPARE(endOrder.last(), 0); // the only one that waited for its reply
}

// An engine that goes away mid-send (its window closed) cancels, cuts its uploads and lets go.
void tst_SendEngine::destroyedWhileSending()
{
    writeAll(m_dir.filePath("big/Lobby.rtf"), crawl(2000000));
    StandInPlayers players({Fault::Throttle, Fault::Throttle});
    players.setRate(50000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(players.root(0) + "/media/Lobby.rtf", kOlder);
    auto send = std::make_unique<SendEngine>();
    QVERIFY(send->start(request(players.hosts(), m_dir.filePath("big/Lobby.rtf"))));
    QTRY_VERIFY_WITH_TIMEOUT(send->results()[0].bytesSent > 0, 30000);
    send.reset();

    QTRY_COMPARE_WITH_TIMEOUT(transfers(players.events(0)), QStringList{kIncomplete}, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(players.count("disconnect", 0), 1, 20000);
    QCOMPARE(readAll(players.root(0) + "/media/Lobby.rtf"), kOlder);
}

// One player named twice would get two connections racing for its document, the loser's
// fallback deleting what the winner put in place: it is sent to once, every spelling told so.
void tst_SendEngine::onePlayerUnderSeveralSpellings()
{
    StandInPlayers players;
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    const QString port = QString::number(players.port());
    const QStringList spellings{"127.0.0.1:" + port, "localhost:" + port, "LOCALHOST:" + port,
                                "Localhost.:" + port};
    SendEngine send;
    QVERIFY(send.start(request(spellings, m_dir.filePath("Lobby.rtf"))));
    QVERIFY(ended(send));

    QCOMPARE(players.count("connect"), 1);
    QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), readAll(m_dir.filePath("Lobby.rtf")));
    QCOMPARE(send.results()[0].note, "");
    for (int player = 0; player < spellings.size(); ++player) {
        QCOMPARE(send.results()[player].player, spellings[player]);
        QCOMPARE(send.results()[player].state, State::Delivered);
        if (player > 0)
            QCOMPARE(send.results()[player].note, "the same player as " + spellings[0] + ", sent to once");
    }
}

void tst_SendEngine::cutConnectionNoticedAtOnce_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("reset") << Fault::Reset;
    QTest::newRow("dropped") << Fault::Drop;
}

// A player whose connection dies while the rest of a large document still sits in our
// socket's buffer fails at once, not when the stall limit (here far beyond the wait) runs out.
void tst_SendEngine::cutConnectionNoticedAtOnce()
{
    QFETCH(Fault, fault);
    writeAll(m_dir.filePath("large/Lobby.rtf"), crawl(1 << 20));
    StandInPlayers players({fault});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    SendEngine send;
    send.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(15),
                        std::chrono::seconds(300)});
    QVERIFY(send.start(request(players.hosts(), m_dir.filePath("large/Lobby.rtf"))));
    QVERIFY(ended(send));
    QCOMPARE(send.results()[0].words, kNotConnected);
    qInfo("failed after %.2f s", send.results()[0].seconds);
}

QTEST_GUILESS_MAIN(tst_SendEngine)
#include "tst_sendengine.moc"
