#include "FtpPlayers.h"

#include "state/SharedState.h"
#include "dispatch/Delivery.h"
#include "dispatch/DirectTransfer.h"
#include "dispatch/GroupPreparation.h"

using namespace qvic;
using namespace qvic::test;
using A = DeliveryAction;

Q_DECLARE_METATYPE(DeliveryAction)
Q_DECLARE_METATYPE(FtpPlayers::Mode)

static const QByteArray kStamp = "Time=03/04/2024 01:05:09 PM\r\n";
static const QString kPart = "received /media/Lobby.rtf.part", kRenamed = "renamed /media/Lobby.rtf.part /media/Lobby.rtf",
                     kCommand = "received /settings/Instant.txt";

// A crawl document and its settings, ready to send.
static void prepare(SharedState &state, const TempDirs &dirs, const QString &password = "tk2harbor")
{
    setKite7Defaults(state);
    state.strFtpUser = "qv7player", state.strFtpPassword = password;
    state.strInstantFile = dirs.appDir() + "/Instant.txt", state.strKite7Message = "Doors open";
    state.strCurFileName = "Lobby.rtf", state.strCurFilePath = dirs.appDir() + "/Lobby.rtf";
    writeAll(state.strCurFilePath, "{\\rtf1 Doors open\\par}");
    writeAll(dirs.appDir() + "/Lobby.inst", "120,none,0.25,3,0.5000,0\r\n");
    writeAll(state.strInstantFile, "an older command file\r\n");
}

static QDateTime fixedClock()
{
    return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9));
}

class tst_Delivery : public QObject
{
    Q_OBJECT

private slots:
    void deliver_data()
    {
        // player: normal, wrong password, closed, silent, full, no settings folder; words: of the failure, or their beginning
        test::columns<DeliveryAction, bool, QString, QString, QStringList, QString>("action", "device", "player", "steps", "received", "words");
        const QStringList document{kPart, kRenamed};
        const QString command = kCommand;
        const QString logon = "Can't logon to this IP Address";
        QTest::newRow("start") << A::Start << false << "normal" << "build:1 document:1 command:1" << document + QStringList{command} << "";
        QTest::newRow("start, Kite-7") << A::Start << true << "normal" << "build:1 document:1 command:1 build device:1 device:1"
                                       << document + QStringList{command, command} << "";
        QTest::newRow("stop") << A::Stop << false << "normal" << "build:1 command:1" << QStringList{command} << "";
        QTest::newRow("Kite-7 start") << A::Kite7Start << false << "normal" << "build device:1 device:1" << QStringList{command} << "";
        // A failed upload ends the send: no pause, no device script after it.
        QTest::newRow("refused logon") << A::Start << true << "wrong password" << "build:1 document:0" << QStringList() << logon;
        QTest::newRow("closed port") << A::Stop << false << "closed" << "build:1 command:0" << QStringList() << logon;
        QTest::newRow("silent") << A::Kite7Stop << false << "silent" << "build device:1 device:0" << QStringList() << logon;
        QTest::newRow("document refused") << A::Start << true << "full" << "build:1 document:0" << QStringList()
                                          << "Error transferring file.\r\nFTP Error: 25\r\nErr Desp: ";
        QTest::newRow("command file refused") << A::Start << true << "no settings folder" << "build:1 document:1 command:0"
                                              << document << "Can't find the transferred file.";
    }

    // Without a window: the files a player receives, in order, and each step's outcome as data.
    void deliver()
    {
        auto [action, device, player, steps, received, words] = test::fetch<DeliveryAction, bool, QString, QString, QStringList, QString>(
            "action", "device", "player", "steps", "received", "words");
        using M = FtpTestServer::Mode;
        FtpTestServer server(player == "silent" ? M::NeverGreets : player == "full" ? M::StorageFull : M::Normal);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const QString host = server.host();
        if (player == "closed") // where a player listened a moment ago
            server.stop();
        if (player == "no settings folder")
            QVERIFY(QDir(server.root() + "/settings").removeRecursively());

        TempDirs dirs;
        SharedState state;
        prepare(state, dirs, player == "wrong password" ? "nope" : "tk2harbor");
        DirectTransfer transfer;
        transfer.setTimeLimits({std::chrono::milliseconds(1000), std::chrono::seconds(1), std::chrono::seconds(1)});
        int pauses = 0;
        DeliveryService service(state, transfer, fixedClock, [&pauses] { ++pauses; });
        const DeliveryReport report = service.deliver(action, host, device);

        QStringList done; // each step as "kind:done", e.g. "document:1"
        for (const DeliveryStep &step : report.steps)
            done << QStringLiteral("%1:%2").arg(QStringList{"build", "document", "command", "build device", "device"}[int(step.kind)]).arg(int(step.done));
        QCOMPARE(done.join(u' '), steps);
        QCOMPARE(server.events().filter(QRegularExpression("^(received|incomplete|renamed) ")), received);
        QCOMPARE(report.delivered(), words.isEmpty());
        QCOMPARE(pauses, int(steps.contains("build:1") && steps.contains("build device")));
        const QString failure = report.failure() ? report.failure()->upload.words : QString();
        QVERIFY2(words.isEmpty() ? failure.isEmpty() : failure.startsWith(words), qPrintable(failure));
        // Written fresh, and turned into the device script only when that was built.
        const bool script = steps.contains("build device:1");
        const QByteArray line = script ? "Message=@INSTANT_EVENT_COMMAND,"
            : action == A::Start ? "Message=@START_INSTANT_CRAWL,Lobby.rtf,120,none,0.25,3,0.5000,000000\r\n"
                                 : "Message=@STOP_INSTANT_CRAWL\r\n";
        const QByteArray command = readAll(state.strInstantFile);
        QVERIFY2(script ? command.startsWith(kStamp + line) : command == kStamp + line, command);
        if (received.contains(kRenamed))
            QCOMPARE(readAll(server.root() + "/media/Lobby.rtf"), readAll(state.strCurFilePath));
        if (!report.delivered())
            return;
        QCOMPARE(readAll(server.root() + "/settings/Instant.txt"), command);
        // A group send builds the same files once, in its own folder, to the same places.
        const QByteArray single = readAll(state.strInstantFile);
        QTemporaryDir folder;
        const auto group = prepareGroupSend(state, action, device, folder.path(), [] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        QVERIFY(group);
        QCOMPARE(readAll(state.strInstantFile), single);
        QCOMPARE(group->message, report.message);
        QStringList places, singlePlaces;
        for (const GroupFile &file : group->files)
            places << file.remoteFile;
        for (const DeliveryStep &step : report.steps)
            if (!step.remoteFile.isEmpty())
                singlePlaces << step.remoteFile;
        QCOMPARE(places, singlePlaces);
        QCOMPARE(readAll(group->files.last().localPath), command);
        if (action == A::Start) { // a copy: saving the crawl during the send changes no player's
            QVERIFY(group->files.first().localPath.startsWith(folder.path()));
            QCOMPARE(readAll(group->files.first().localPath), readAll(state.strCurFilePath));
        }
    }

    void replaceDocument_data()
    {
        // folder: the document's name is taken by a folder on the player; words: of the failure, or their beginning
        test::columns<FtpPlayers::Mode, bool, QStringList, QString>("mode", "folder", "transfers", "words");
        const QString general = "Error transferring file.\r\nFTP Error: %1\r\nErr Desp: media\\Lobby.rtf";
        QTest::newRow("older replaced") << FtpPlayers::Mode::Normal << false << QStringList{kPart, kRenamed, kCommand} << "";
        QTest::newRow("no rename over a file") << FtpPlayers::Mode::NoRename << false
                                               << QStringList{kPart, "deleted /media/Lobby.rtf", kRenamed, kCommand} << "";
        QTest::newRow("no SIZE") << FtpPlayers::Mode::NoSize << false << QStringList{kPart, kRenamed, kCommand} << "";
        QTest::newRow("short") << FtpPlayers::Mode::ShortSize << false << QStringList{kPart}
                               << general.arg(18) + ": the player holds 21 bytes of the 22 sent.";
        QTest::newRow("name taken by a folder") << FtpPlayers::Mode::Normal << true << QStringList{kPart}
                                                << general.arg(21) + " could not be renamed: ";
    }

    // A started document reaches the player whole under its name, or leaves what was there as it was.
    void replaceDocument()
    {
        auto [mode, folder, transfers, words] = test::fetch<FtpPlayers::Mode, bool, QStringList, QString>("mode", "folder", "transfers", "words");
        FtpPlayers players({mode});
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        const QString document = players.root(0) + "/media/Lobby.rtf";
        if (folder)
            writeAll(document + "/inside.rtf", "taken");
        else
            writeAll(document, "{\\rtf1 Yesterday's crawl\\par}");
        const QByteArray before = readAll(document);
        TempDirs dirs;
        SharedState state;
        prepare(state, dirs);
        DirectTransfer transfer;
        DeliveryService service(state, transfer, fixedClock, {});
        const DeliveryReport report = service.deliver(A::Start, players.host(0));

        QCOMPARE(players.events(0).filter(QRegularExpression("^(received|incomplete|renamed|deleted) ")), transfers);
        const QString failure = report.failure() ? report.failure()->upload.words : QString();
        QVERIFY2(words.isEmpty() ? failure.isEmpty() : failure.startsWith(words), qPrintable(failure));
        QVERIFY(readAll(document) == (report.delivered() ? readAll(state.strCurFilePath) : before));
        QCOMPARE(QFileInfo::exists(document + ".part"), !report.delivered());
    }
};

QTEST_GUILESS_MAIN(tst_Delivery)
#include "tst_delivery.moc"
