#include "PlayerFaults.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include "dispatch/SendLog.h"
#include "dispatch/ui/SingleSend.h"
#include "dispatch/ui/TransferWindow.h"
#include "state/SharedState.h"

#include <QApplication>
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
        state.ftpUser = "qv7player";
        state.ftpPassword = "tk2harbor";
        state.iniFile = dirs.appDir() + "/IC.ini"; // the send log lies beside it
        state.instantFile = dirs.appDir() + "/Application/Settings/Instant.txt";
        state.currentFileName = "Lobby.rtf";
        state.currentFilePath = dirs.appDir() + "/Application/RTF/Lobby.rtf";
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

} // namespace

class tst_TransferWindow : public QObject
{
    Q_OBJECT

private slots:
    void failureToldOnceAfterItIsLogged();
    void showsTimeLeftAndBytesDuringUpload();
};

// A start from a window to a player at fault: the transfer window tells the failure once in
// the program's words, and the send log has the player's line before any message opens. How
// each fault ends is the send engine's table; how a cancel ends, the main window's test.
void tst_TransferWindow::failureToldOnceAfterItIsLogged()
{
    StandInPlayers players({Fault::WrongSize});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(players.root() + "/media/Lobby.rtf", kOlder);
    Desk desk;

    QVERIFY(!desk.start(players.host()));

    const QString words = "Error transferring file.\r\nFTP Error: 18\r\nErr Desp: "
                          "media\\Lobby.rtf: the player holds 19999 bytes of the 20000 sent.";
    QCOMPARE(desk.dialogs.said, QStringList{"e " + words});
    QCOMPARE(desk.dialogs.logLinesAtMessage, QList<int>{1});
    const QList<SendLogRow> log = desk.log();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0].player, players.host());
    QCOMPARE(log[0].outcome, "failed: " + words);
    QCOMPARE(readAll(players.root() + "/media/Lobby.rtf"), kOlder);
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

QTEST_MAIN(tst_TransferWindow)
#include "tst_transferwindow.moc"
