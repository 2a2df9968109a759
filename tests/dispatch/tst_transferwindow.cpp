#include "PlayerFaults.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

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
    }
    bool start(const QString &player, const SendTimeLimits &limits = kLimits)
    {
        return sendToPlayer(state, dialogs, nullptr, DeliveryAction::Start, player, false, fixedClock, limits);
    }

    TempDirs dirs;
    SharedState state;
    RecordingDialogs dialogs;
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
    void showsTimeLeftAndBytesDuringUpload();
};

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
