#include "FtpTestServer.h"
#include "TestSupport.h"

#include "state/SharedState.h"
#include "dispatch/Delivery.h"
#include "dispatch/DirectTransfer.h"

#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using namespace qvic::test;

Q_DECLARE_METATYPE(FtpTestServer::Mode)
Q_DECLARE_METATYPE(DeliveryAction)

namespace {

const QByteArray kStamp = "Time=03/04/2024 01:05:09 PM\r\n";

QDateTime fixedClock()
{
    return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9));
}

// The steps of a report as "kind:done", e.g. "document:1".
QString stepsOf(const DeliveryReport &report)
{
    static const char *const names[] = {"build", "document", "command", "build device", "device"};
    QStringList steps;
    for (const DeliveryStep &step : report.steps)
        steps << QStringLiteral("%1:%2").arg(names[int(step.kind)]).arg(int(step.done));
    return steps.join(u' ');
}

} // namespace

class tst_Delivery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }
    void deliver_data();
    void deliver();
};

void tst_Delivery::deliver_data()
{
    QTest::addColumn<DeliveryAction>("action");
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("player"); // normal, wrong password, closed, silent
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("received");
    QTest::addColumn<QString>("words"); // of the failure
    using A = DeliveryAction;
    const QString document = "received /media/Lobby.rtf", command = "received /settings/Instant.txt";
    QTest::newRow("start") << A::Start << false << "normal" << "build:1 document:1 command:1"
                           << QStringList{document, command} << "";
    QTest::newRow("start, Kite-7") << A::Start << true << "normal"
                                   << "build:1 document:1 command:1 build device:1 device:1"
                                   << QStringList{document, command, command} << "";
    QTest::newRow("stop") << A::Stop << false << "normal" << "build:1 command:1" << QStringList{command} << "";
    QTest::newRow("stop, Kite-7") << A::Stop << true << "normal" << "build:1 command:1 build device:1 device:1"
                                  << QStringList{command, command} << "";
    QTest::newRow("Kite-7 start") << A::Kite7Start << false << "normal" << "build device:1 device:1"
                                  << QStringList{command} << "";
    QTest::newRow("Kite-7 stop") << A::Kite7Stop << true << "normal" << "build device:1 device:1"
                                 << QStringList{command} << "";
    QTest::newRow("refused logon") << A::Start << true << "wrong password" << "build:1 document:0"
                                   << QStringList() << "Can't logon to this IP Address";
    QTest::newRow("closed port") << A::Stop << false << "closed" << "build:1 command:0" << QStringList()
                                 << "Can't logon to this IP Address";
    QTest::newRow("silent") << A::Kite7Stop << false << "silent" << "build device:1 device:0" << QStringList()
                            << "Can't logon to this IP Address";
}

// Without a window: the files a player receives, in order, and each step's outcome as data.
void tst_Delivery::deliver()
{
    QFETCH(DeliveryAction, action);
    QFETCH(bool, device);
    QFETCH(QString, player);
    FtpTestServer server(player == "silent" ? FtpTestServer::Mode::NeverGreets : FtpTestServer::Mode::Normal);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QString host = server.host();
    if (player == "closed") // where a player listened a moment ago
        server.stop();

    TempDirs dirs;
    SharedState state;
    setKite7Defaults(state);
    state.strFtpUser = "qv7player";
    state.strFtpPassword = player == "wrong password" ? "nope" : "tk2harbor";
    state.strInstantFile = dirs.appDir() + "/Instant.txt";
    state.strCurFileName = "Lobby.rtf";
    state.strCurFilePath = dirs.appDir() + "/Lobby.rtf";
    state.strKite7Message = "Doors open";
    writeAll(state.strCurFilePath, "{\\rtf1 Doors open\\par}");
    writeAll(dirs.appDir() + "/Lobby.inst", "120,none,0.25,3,0.5000,0\r\n");

    DirectTransfer transfer;
    transfer.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(1), std::chrono::seconds(1)});
    int pauses = 0;
    DeliveryService service(state, transfer, fixedClock, [&pauses] { ++pauses; });
    const DeliveryReport report = service.deliver(action, host, device);

    QTEST(stepsOf(report), "steps");
    QFETCH(QStringList, received);
    QCOMPARE(server.events().filter(QRegularExpression("^(received|incomplete) ")), received);
    QCOMPARE(report.delivered(), received.size() > 0);
    QCOMPARE(pauses, int(report.steps.size() == 5 || (report.steps.size() == 4 && action == DeliveryAction::Stop)));
    QFETCH(QString, words);
    QCOMPARE(report.failure() ? report.failure()->upload.words : QString(), words);
    if (!report.delivered())
        return;
    QCOMPARE(readAll(server.root() + "/settings/Instant.txt"), readAll(state.strInstantFile));
    const QByteArray command = readAll(state.strInstantFile);
    if (action == DeliveryAction::Start && !device)
        QCOMPARE(command, kStamp + "Message=@START_INSTANT_CRAWL,Lobby.rtf,120,none,0.25,3,0.5000,000000\r\n");
    if (action == DeliveryAction::Start)
        QCOMPARE(readAll(server.root() + "/media/Lobby.rtf"), readAll(state.strCurFilePath));
    if (action == DeliveryAction::Stop && !device)
        QCOMPARE(command, kStamp + "Message=@STOP_INSTANT_CRAWL\r\n");
    if (device || action == DeliveryAction::Kite7Start || action == DeliveryAction::Kite7Stop)
        QVERIFY2(command.startsWith(kStamp + "Message=@INSTANT_EVENT_COMMAND,"), command);
}

QTEST_GUILESS_MAIN(tst_Delivery)
#include "tst_delivery.moc"
