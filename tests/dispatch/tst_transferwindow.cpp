#include "PlayerFaults.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include "dispatch/SendLog.h"
#include "dispatch/ui/SingleSend.h"
#include "dispatch/ui/TransferWindow.h"
#include "state/SharedState.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>

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
    void information(const QString &text) override
    {
        noteLogLines();
        RecordingDialogs::information(text);
    }
    void exclamation(const QString &text) override
    {
        noteLogLines();
        RecordingDialogs::exclamation(text);
    }
    void noteLogLines() { logLinesAtMessage << int(SendLog::read(logPath).rows.size()); }

    QString logPath;
    QList<int> logLinesAtMessage;
};

// A program's folders with a crawl document and its settings, ready to start.
struct Desk
{
    explicit Desk(int documentSize = 20000)
    {
        setKite7Defaults(state);
        state.ftpUser = "qv7player";
        state.ftpPassword = "tk2harbor";
        state.iniFile = dirs.appDir() + "/IC.ini";
        state.instantFile = dirs.appDir() + "/Application/Settings/Instant.txt";
        state.currentFileName = "Lobby.rtf";
        state.currentFilePath = dirs.appDir() + "/Application/RTF/Lobby.rtf";
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
        auto *window = qobject_cast<TransferWindow *>(QApplication::activeModalWidget());
        if (window && act(window))
            hand->stop();
    });
    hand->start(5);
    return hand;
}

QString shown(TransferWindow *window, const char *label)
{
    return window->findChild<QLabel *>(label)->text();
}

QString caption(TransferWindow *window)
{
    return window->findChild<QGroupBox *>("fileFrame")->title();
}

} // namespace

class tst_TransferWindow : public QObject
{
    Q_OBJECT

private slots:
    void faultOfTheOnePlayer_data() { addRows(); }
    void faultOfTheOnePlayer();
    void operatorPressesEsc_data();
    void operatorPressesEsc();
    void showsEachFileInTurn();
    void showsTimeLeftAndBytesDuringUpload();
    void windowNeverWaitsOnThePlayer();
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
    QCOMPARE(desk.dialogs.said.size(), 1);
    const QString said = desk.dialogs.said[0];
    if (delivered)
        QCOMPARE(said, "i Successfully sent out the QV instant crawl.");
    else
        QVERIFY2(wordsMatch(said, "e " + words), qPrintable(said));
    QCOMPARE(desk.dialogs.logLinesAtMessage, QList<int>{1});
    const QList<SendLogRow> log = desk.log();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0].player, players.host());
    if (delivered)
        QCOMPARE(log[0].outcome, playerStateWords(state));
    else
        QCOMPARE(log[0].outcome, "failed: " + said.mid(2));
    // A failed player may have confirmed a file before it failed.
    const qint64 sent = readAll(desk.state.currentFilePath).size() + readAll(desk.state.instantFile).size();
    if (state == State::Delivered)
        QCOMPARE(log[0].bytesVerified, sent);
    if (state == State::DeliveredNotVerified)
        QCOMPARE(log[0].bytesVerified, 0);
    // The player logs a cut upload once it reads the reset, which a loaded machine may delay.
    QTRY_COMPARE_WITH_TIMEOUT(faults::transfers(players.events()), transfers, 20000);
    if (delivered) {
        QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), readAll(desk.state.currentFilePath));
        QCOMPARE(readAll(players.root() + "/settings/Instant.txt"), readAll(desk.state.instantFile));
    } else {
        QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), kOlder);
    }
}

void tst_TransferWindow::operatorPressesEsc_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("when"); // how the window's caption begins; empty: at once
    QTest::addColumn<int>("connections"); // the player's, before Esc and after
    QTest::newRow("before the send starts") << Fault::None << "" << 0;
    QTest::newRow("while logging on to a silent player") << Fault::NeverGreets << "Logon to" << 1;
}

// Esc cancels as the Cancel button does (the main window's test presses that one while
// uploading): one message, the send logged as cancelled, the older crawl kept.
void tst_TransferWindow::operatorPressesEsc()
{
    QFETCH(Fault, fault);
    QFETCH(QString, when);
    QFETCH(int, connections);
    StandInPlayers players({fault});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(players.root() + "/media/Lobby.rtf", kOlder);
    Desk desk;
    const auto hand = whileTransferWindowOpen([&](TransferWindow *window) {
        if (!when.isEmpty() && !caption(window).startsWith(when))
            return false;
        if (players.count("connect") < connections)
            return false;
        QTest::keyClick(window, Qt::Key_Escape);
        return true;
    });

    QVERIFY(!desk.start(players.host(), SendTimeLimits{}));

    QCOMPARE(desk.dialogs.said, QStringList{"e Transferring process is cancelled."});
    QCOMPARE(desk.log().value(0).outcome, "failed: Transferring process is cancelled.");
    QCOMPARE(players.count("connect"), connections);
    QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), kOlder);
}

// The window is a view of the send: the logon, then each file by its name and length, the
// document before the command file.
void tst_TransferWindow::showsEachFileInTurn()
{
    StandInPlayers players; // far away: each step lasts long enough to be seen
    players.setReplyDelayMs(40);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    Desk desk(600000);
    QStringList seen; // each new sight of caption, name and length
    const auto hand = whileTransferWindowOpen([&](TransferWindow *window) {
        const QString sight = caption(window) + " | " + shown(window, "nameValue") + " | "
                              + shown(window, "lengthValue");
        if (seen.isEmpty() || seen.last() != sight)
            seen << sight;
        return false;
    });

    QVERIFY(desk.start(players.host()));

    const QString commandLength = QString::number(readAll(desk.state.instantFile).size());
    QCOMPARE(seen.first(), " |  | ");
    const qsizetype logon = seen.indexOf("Logon to " + players.host() + " | Lobby.rtf | 600000");
    const qsizetype document = seen.indexOf("Uploading file | Lobby.rtf | 600000");
    const qsizetype command = seen.indexOf("Uploading file | Instant.txt | " + commandLength);
    QVERIFY2(logon >= 0, qPrintable(seen.join('\n')));
    QVERIFY2(document > logon, qPrintable(seen.join('\n')));
    QVERIFY2(command > document, qPrintable(seen.join('\n')));
}

// While a slow player takes the document, "Byte Count" grows with the bytes it holds and "Time"
// shows the time left as hh:mm:ss.
void tst_TransferWindow::showsTimeLeftAndBytesDuringUpload()
{
    StandInPlayers players({Fault::Throttle});
    players.setRate(100000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    Desk desk(400000);
    QList<qint64> byteCounts; // each new count shown for the document
    QStringList timesLeft;
    const auto hand = whileTransferWindowOpen([&](TransferWindow *window) {
        if (shown(window, "nameValue") != "Lobby.rtf" || shown(window, "byteCountValue").isEmpty())
            return false;
        const qint64 bytes = shown(window, "byteCountValue").toLongLong();
        if (byteCounts.isEmpty() || byteCounts.last() != bytes)
            byteCounts << bytes;
        const QString timeLeft = shown(window, "timeLeftValue");
        if (timesLeft.isEmpty() || timesLeft.last() != timeLeft)
            timesLeft << timeLeft;
        return false;
    });

    QVERIFY(desk.start(players.host()));

    qInfo() << "byte counts shown:" << byteCounts;
    qInfo() << "times left shown:" << timesLeft;
    QVERIFY(byteCounts.size() >= 3);
    for (qsizetype i = 1; i < byteCounts.size(); ++i)
        QVERIFY(byteCounts[i] > byteCounts[i - 1]);
    QVERIFY(byteCounts.last() <= 400000);
    QVERIFY(!timesLeft.isEmpty());
    const QRegularExpression hoursMinutesSeconds(QStringLiteral("^\\d\\d:[0-5]\\d:[0-5]\\d$"));
    for (const QString &timeLeft : timesLeft)
        QVERIFY2(hoursMinutesSeconds.match(timeLeft).hasMatch(), qPrintable(timeLeft));
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
    connect(&ticker, &QTimer::timeout, this, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start(10);
    const SendTimeLimits limits{std::chrono::milliseconds(1000), std::chrono::seconds(3),
                                std::chrono::seconds(2)};

    QVERIFY(!desk.start(players.host(), limits));

    QCOMPARE(desk.dialogs.said, QStringList{"e " + kNotConnected});
    qInfo("longest gap between two ticks of a 10 ms timer: %lld ms", longestGap);
    QVERIFY(longestGap < 1000); // the reply alone was awaited 3 s
}

void tst_TransferWindow::formatTimeLeft_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("shown");
    QTest::newRow("under a minute") << qint64(59) << "00:00:59";
    QTest::newRow("hours, minutes, seconds") << qint64(3725) << "01:02:05";
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
