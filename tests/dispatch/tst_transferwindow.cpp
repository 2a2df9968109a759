#include "PlayerFaults.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include "dispatch/SendEngine.h"
#include "dispatch/SendLog.h"
#include "dispatch/ui/SingleSend.h"
#include "dispatch/ui/TransferWindow.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace qvic;
using namespace qvic::test;
using namespace qvic::test::faults;

namespace {

QDateTime fixedClock()
{
    return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9));
}

// The dialogs of a test that also note, as each message opens, how many lines the send log holds.
struct LogWatchingDialogs : RecordingDialogs
{
    QString logPath;
    QList<int> logLinesAtMessage;
    void information(const QString &text) override { note(), RecordingDialogs::information(text); }
    void exclamation(const QString &text) override { note(), RecordingDialogs::exclamation(text); }
    void note() { logLinesAtMessage << int(SendLog::read(logPath).rows.size()); }
};

// A program's folders with a crawl document and its settings, ready to start.
struct Desk
{
    explicit Desk(int documentSize = 20000)
    {
        setKite7Defaults(state);
        state.ftpUser = "qv7player", state.ftpPassword = "tk2harbor";
        state.iniFile = dirs.appDir() + "/IC.ini";
        state.instantFile = dirs.appDir() + "/Application/Settings/Instant.txt";
        state.currentFileName = "Lobby.rtf", state.currentFilePath = dirs.appDir() + "/Application/RTF/Lobby.rtf";
        state.kite7Message = "Doors open";
        writeAll(state.currentFilePath, crawl(documentSize));
        writeAll(dirs.appDir() + "/Application/RTF/Lobby.inst", "120,none,0.25,3,0.5000,0\r\n");
        dialogs.logPath = SendLog::pathFor(state);
    }
    bool start(const QString &player, const SendTimeLimits &limits = kLimits)
    {
        return sendToPlayer(state, dialogs, nullptr, DeliveryAction::Start, player, false, fixedClock, limits);
    }
    QList<SendLogRow> log() const { return SendLog::read(SendLog::pathFor(state)).rows; }

    TempDirs dirs;
    SharedState state;
    LogWatchingDialogs dialogs;
};

// Plays the operator at the transfer window while it is open: act() is called every few
// milliseconds with the window until it returns true, or the hand goes.
std::unique_ptr<QTimer> whileTransferWindowOpen(const std::function<bool(TransferWindow *)> &act)
{
    auto hand = std::make_unique<QTimer>();
    QObject::connect(hand.get(), &QTimer::timeout, hand.get(), [hand = hand.get(), act] {
        if (auto *window = qobject_cast<TransferWindow *>(QApplication::activeModalWidget()); window && act(window))
            hand->stop();
    });
    hand->start(5);
    return hand;
}

} // namespace

class tst_TransferWindow : public QObject
{
    Q_OBJECT

private slots:
    void faultOfTheOnePlayer_data() { addRows(); }
    void faultOfTheOnePlayer();
    void operatorCancels_data();
    void operatorCancels();
    void showsEachFileInTurn();
    void windowNeverWaitsOnThePlayer();
    void stallRuleOfGroupAndWindowAlike();
    void formatTimeLeft_data();
    void formatTimeLeft();
};

// A start from a window to a player at fault: the transfer window tells the failure once in the
// words of the table, nothing speaks of success, and the send log has the player's line, with
// the bytes it confirmed, before any message opens.
void tst_TransferWindow::faultOfTheOnePlayer()
{
    QFETCH(Fault, fault);
    QFETCH(int, size);
    QFETCH(State, state);
    QFETCH(QString, words);
    QFETCH(QStringList, transfers);
    StandInPlayers players({fault});
    players.setRate(150000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(players.root() + "/media/Lobby.rtf", kOlder);
    Desk desk(size);

    const bool delivered = desk.start(players.host());

    QCOMPARE(delivered, state != State::Failed);
    const QStringList expected{delivered ? "i Successfully sent out the QV instant crawl." : "e " + words};
    QCOMPARE(desk.dialogs.said.size(), 1);
    QVERIFY2(wordsMatch(desk.dialogs.said[0], expected[0]), qPrintable(desk.dialogs.said[0]));
    QCOMPARE(desk.dialogs.logLinesAtMessage, QList<int>{1});
    const QList<SendLogRow> log = desk.log();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0].player, players.host());
    QCOMPARE(log[0].outcome, state == State::Failed ? "failed: " + desk.dialogs.said[0].mid(2) : playerStateWords(state));
    const qint64 sent = readAll(desk.state.currentFilePath).size() + readAll(desk.state.instantFile).size();
    if (state != State::Failed) // a failed player may have confirmed a file before it failed
        QCOMPARE(log[0].bytesVerified, state == State::Delivered ? sent : 0);
    QTRY_COMPARE(faults::transfers(players.events()), transfers);
    QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), delivered ? readAll(desk.state.currentFilePath) : kOlder);
    if (delivered)
        QCOMPARE(readAll(players.root() + "/settings/Instant.txt"), readAll(desk.state.instantFile));
}

void tst_TransferWindow::operatorCancels_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("connections");
    QTest::newRow("Esc before the send starts") << Fault::None << "Esc" << "" << 0;
    QTest::newRow("Esc while logging on") << Fault::NeverGreets << "Esc" << "Logon to" << 1;
    QTest::newRow("Cancel while uploading") << Fault::Throttle << "Cancel" << "Uploading" << 1;
}

// The operator cancels by the button or Esc: one message, the send logged as cancelled, and
// the player keeps its older crawl whole, an upload under way cut off broken.
void tst_TransferWindow::operatorCancels()
{
    QFETCH(Fault, fault);
    QFETCH(QString, how);
    QFETCH(QString, when);
    QFETCH(int, connections);
    StandInPlayers players({fault});
    players.setRate(150000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(players.root() + "/media/Lobby.rtf", kOlder);
    Desk desk(20 << 20);
    const auto hand = whileTransferWindowOpen([&](TransferWindow *window) {
        const QString caption = window->findChild<QGroupBox *>("fileFrame")->title();
        const bool bytesShown = !window->findChild<QLabel *>("byteCountValue")->text().isEmpty();
        if (!(when.isEmpty() || caption.startsWith(when)) || (when == "Uploading" && !bytesShown))
            return false;
        if (how == "Cancel")
            QTest::mouseClick(window->findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
        else
            QTest::keyClick(window, Qt::Key_Escape);
        return true;
    });

    QVERIFY(!desk.start(players.host(), SendTimeLimits{}));

    QCOMPARE(desk.dialogs.said, QStringList{"e Transferring process is cancelled."});
    QCOMPARE(desk.log().value(0).outcome, "failed: Transferring process is cancelled.");
    QCOMPARE(players.count("connect"), connections);
    QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), kOlder);
    if (when == "Uploading")
        QTRY_COMPARE(faults::transfers(players.events()), QStringList{kIncomplete});
}

// The window is a view of the send: the logon, then each file by its name and length with the
// bytes the player holds, the document before the command file.
void tst_TransferWindow::showsEachFileInTurn()
{
    StandInPlayers players; // far away: each step lasts long enough to be seen
    players.setReplyDelayMs(40);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    Desk desk(600000);
    QStringList seen; // each new sight of caption, name and length
    const auto hand = whileTransferWindowOpen([&](TransferWindow *window) {
        const QString sight = window->findChild<QGroupBox *>("fileFrame")->title() + " | "
                              + window->findChild<QLabel *>("nameValue")->text() + " | "
                              + window->findChild<QLabel *>("lengthValue")->text();
        if (seen.isEmpty() || seen.last() != sight)
            seen << sight;
        return false;
    });

    QVERIFY(desk.start(players.host()));

    const QString command = QString::number(readAll(desk.state.instantFile).size());
    QCOMPARE(seen.first(), " |  | ");
    QVERIFY2(seen.contains("Logon to " + players.host() + " | Lobby.rtf | 600000"), qPrintable(seen.join('\n')));
    QVERIFY2(seen.indexOf("Uploading file | Lobby.rtf | 600000") < seen.indexOf("Uploading file | Instant.txt | " + command),
             qPrintable(seen.join('\n')));
}

// A player that takes the document and then never answers holds up neither the window nor
// its timers: the window's thread goes on painting while the engine waits for the reply.
void tst_TransferWindow::windowNeverWaitsOnThePlayer()
{
    StandInPlayers players({Fault::NoReplyAfterData});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    Desk desk;
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start(10);

    QVERIFY(!desk.start(players.host(), {std::chrono::milliseconds(1000), std::chrono::seconds(3), std::chrono::seconds(2)}));

    QCOMPARE(desk.dialogs.said, QStringList{"e " + kNotConnected});
    qInfo("longest gap between two ticks of a 10 ms timer: %lld ms", longestGap);
    QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap))); // the reply alone was awaited 3 s
}

// A stalled player fails a group send and a window's send by one rule: acknowledged bytes not
// moving for the stall limit.
void tst_TransferWindow::stallRuleOfGroupAndWindowAlike()
{
    StandInPlayers players({Fault::Stall, Fault::Stall});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    Desk desk(1 << 20);
    const QString command = desk.dirs.root.filePath("Instant.txt");
    writeAll(command, "Time=03/04/2024 01:05:09 PM\r\nMessage=@STOP_INSTANT_CRAWL\r\n");
    SendEngine group;
    group.setTimeLimits(kLimits);
    QVERIFY(group.start({{players.host(0)}, "qv7player", "tk2harbor",
                         filesFor(DeliveryAction::Start, desk.state.currentFilePath, command)}));
    QTRY_VERIFY_WITH_TIMEOUT(!group.isRunning(), 30000);
    QElapsedTimer window;
    window.start();

    QVERIFY(!desk.start(players.host(1)));

    const double groupSeconds = group.results()[0].seconds, windowSeconds = double(window.elapsed()) / 1000 - 0.5;
    QCOMPARE(group.results()[0].words, kNotConnected);
    QCOMPARE(desk.dialogs.said, QStringList{"e " + kNotConnected});
    qInfo("stalled player failed after %.2f s in a group, %.2f s in the window", groupSeconds, windowSeconds);
    QVERIFY2(std::abs(groupSeconds - windowSeconds) < 1.0, qPrintable(QString::number(windowSeconds - groupSeconds)));
}

void tst_TransferWindow::formatTimeLeft_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("shown");
    QTest::newRow("under a minute") << qint64(59) << "00:00:59";
    QTest::newRow("hours, minutes, seconds") << qint64(3725) << "01:02:05";
    QTest::newRow("half past") << qint64(5400) << "01:30:00";
    QTest::newRow("negative: its size") << qint64(-61) << "00:01:01";
    QTest::newRow("beyond 16 bits") << qint64(40000) << "11:06:40";
}

void tst_TransferWindow::formatTimeLeft()
{
    QFETCH(qint64, seconds);
    QTEST(TransferWindow::formatTimeLeft(seconds), "shown");
}

QTEST_MAIN(tst_TransferWindow)
#include "tst_transferwindow.moc"
