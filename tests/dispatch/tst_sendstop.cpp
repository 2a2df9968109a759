#include "StandInPlayers.h"
#include "MainWindowFixture.h"

#include "dispatch/SendLog.h"

using namespace qvic;
using namespace qvic::test;

namespace {

const QString kPassword = QStringLiteral("harbour lights");

// The main window on fresh folders with a password file and a fixed clock, shown and active.
// What reaches a player and how each step fails is the delivery's test; this one is
// what the window adds: its checks before the password, its words, the save before a start.
struct Desk : MainWindowFixture
{
    explicit Desk(const QList<std::pair<QString, QByteArray>> &appFiles = {}) : MainWindowFixture(appFiles)
    {
        writeAll(dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=" + kPassword.toLatin1() + "\r\n");
        window->setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        showActive();
    }
};

} // namespace

class tst_SendStop : public QObject
{
    Q_OBJECT

private slots:
    void sendAndStop_data()
    {
        // savedAs: empty: left untitled; changed: by the operator after the save, so the start saves it again;
        // line: the player's command line, or what its device script holds
        test::columns<QString, QString, QString, bool, QByteArray, QString>("button", "savedAs", "changed", "kite7", "line", "message");
        const QByteArray start = "Message=@START_INSTANT_CRAWL,";
        const QString sent = "i Successfully sent out the QV instant crawl.";
        QTest::newRow("start untitled") << "startButton" << "" << "" << false << start + "QVInstantCrawl.rtf,120,0x000000,0.25,3,0.5000,000000" << sent;
        QTest::newRow("start saved, Kite-7") << "startButton" << QString::fromUtf8("Café lobby.rtf") << "editor" << true
            << QByteArray("Doors open at noon today@end;") << "i Successfully sent out QV instant crawl and Kite-7 instant crawl.";
        QTest::newRow("start saved, dwell typed after") << "startButton" << "Lobby.rtf" << "dwellBox" << false
            << start + "Lobby.rtf,300,0x000000,0.25,3,0.5000,000000" << sent;
        QTest::newRow("stop") << "stopButton" << "" << "" << false << QByteArray("Message=@STOP_INSTANT_CRAWL") << "i Successfully 'Stop' the QV instant crawl.";
        QTest::newRow("stop, Kite-7") << "stopButton" << "" << "" << true << QByteArray("@stop crawl;")
                                      << "i Successfully 'Stop' QV instant crawl and Kite-7 instant crawl.";
    }

    void sendAndStop()
    {
        auto [button, savedAs, changed, kite7, line] = test::fetch<QString, QString, QString, bool, QByteArray>("button", "savedAs", "changed", "kite7", "line");
        StandInPlayers server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        // A longer listed address beginning with the player's: what is typed is used as typed.
        Desk w({{"IPList.txt", server.host().toLatin1() + "0\r\n"}});
        QVERIFY(!w.error);
        QTest::keyClicks(w.editor, "Doors open at noon");
        for (const auto &[box, typed] : {std::pair{"dwellBox", "2"}, {"transparencyBox", "25"}, {"locationBox", "300"}})
            w.setText(box, typed);
        w.tick("transparentBox");
        if (!savedAs.isEmpty())
            w.saveAs(savedAs);
        if (changed == "editor")
            QTest::keyClicks(w.editor, " today");
        if (changed == "dwellBox") { // typed over, as an operator does
            QTest::mouseClick(w.find("dwellBox"), Qt::LeftButton);
            QTest::keyClick(w.find("dwellBox"), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(w.find("dwellBox"), "5");
        }
        if (kite7)
            w.tick("kite7Box");
        QLineEdit *address = w.find<QComboBox>("addressBox")->lineEdit();
        QTest::mouseClick(address, Qt::LeftButton);
        QTest::keyClicks(address, "  " + server.host() + " ");

        QVERIFY(pressGivingPassword(w.find(qPrintable(button)), kPassword));

        QTEST(w.dialogs.said.join(u'|'), "message");
        const bool start = button == "startButton"; // a stop neither checks nor saves the document
        const QString name = savedAs.isEmpty() ? QStringLiteral("QVInstantCrawl.rtf") : savedAs;
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - " + (start ? name : "UNTITLED"));
        QCOMPARE(readAll(w.rtf(name)).contains(changed == "editor" ? "open at noon today\\par" : "open at noon\\par"), start);
        QCOMPARE(server.count("received"), 1 + start + kite7);
        QCOMPARE(readAll(server.root() + "/media/" + name), readAll(w.rtf(name)));
        QVERIFY(!QFileInfo::exists(server.root() + "/media/" + name + ".part"));
        const QByteArray command = readAll(server.root() + "/settings/Instant.txt");
        QVERIFY2(kite7 ? command.contains(line) : command == "Time=03/04/2024 01:05:09 PM\r\n" + line + "\r\n", command);
        // The send log has the send: the command line, never the device script that followed it.
        const QList<SendLogRow> log = SendLog::read(SendLog::pathFor(w.state)).rows;
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].action, start ? "start" : "stop");
        QCOMPARE(log[0].document, start ? name : "");
        QCOMPARE(log[0].player, server.host());
        QCOMPARE(log[0].outcome, "delivered");
        // The sizes the player confirmed: the document's and the first command file's; the device script's too.
        const qint64 confirmed = (start ? readAll(w.rtf(name)).size() : 0) + command.size();
        QCOMPARE(log[0].bytesVerified > confirmed, kite7);
        QVERIFY(log[0].bytesVerified >= confirmed);
        QVERIFY2(log[0].settings.startsWith(start ? "Message=@START_INSTANT_CRAWL," : "Message=@STOP_INSTANT_CRAWL"),
                 qPrintable(log[0].settings));
        w.window->close();
        QCOMPARE(readAll(w.state.lastAddressFile), "  " + server.host().toLatin1() + " \r\n");
    }

    // A player that takes everything but never answers QUIT: the window goes on painting
    // throughout, the success message opens once the last file is verified, and the send log
    // has the line by then, with the player's confirmed bytes and the time the send ended.
    void startAgainstPlayerSilentAtQuit()
    {
        StandInPlayers server({StandInPlayers::Fault::SilentAtQuit});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Desk w;
        w.window->setClock(systemClock);
        QTest::keyClicks(w.editor, "Doors open");
        w.setText("addressBox", server.host());
        QStringList commandsAtMessage;
        QDateTime messageTime;
        qsizetype logLinesAtMessage = -1;
        w.dialogs.onMessage = [&](const QString &) {
            commandsAtMessage = server.commands();
            messageTime = QDateTime::currentDateTime();
            logLinesAtMessage = SendLog::read(SendLog::pathFor(w.state)).rows.size();
        };
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        const QDateTime pressed = QDateTime::currentDateTime().addSecs(-1);
        sinceTick.start();
        ticker.start(10);

        QVERIFY(pressGivingPassword(w.find("startButton"), kPassword));
        ticker.stop();

        QCOMPARE(w.dialogs.said, QStringList{"i Successfully sent out the QV instant crawl."});
        QVERIFY2(commandsAtMessage.contains("SIZE settings/Instant.txt"), qPrintable(commandsAtMessage.join(", ")));
        QTRY_COMPARE(server.commands().last(), "QUIT"); // sent once the outcome was known, its answer never awaited
        qInfo("longest gap between two ticks of a 10 ms timer: %lld ms", longestGap);
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap))); // QUIT's answer would take 15 s
        QCOMPARE(logLinesAtMessage, 1);
        const SendLogRow line = SendLog::read(SendLog::pathFor(w.state)).rows.value(0);
        QCOMPARE(line.outcome, "delivered");
        QCOMPARE(line.bytesVerified, readAll(w.rtf("QVInstantCrawl.rtf")).size() + readAll(server.root() + "/settings/Instant.txt").size());
        const QDateTime logged = QDateTime::fromString(line.time, Qt::ISODate);
        QVERIFY2(logged >= pressed && logged <= messageTime, qPrintable(line.time));
    }

    // The transfer window tells a failed upload, once; nothing speaks of success.
    void startRefusedByPlayer()
    {
        StandInPlayers server({StandInPlayers::Fault::Full});
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Desk w;
        QTest::keyClicks(w.editor, "Doors open");
        w.setText("addressBox", server.host());
        QVERIFY(pressGivingPassword(w.find("startButton"), kPassword));
        QVERIFY2(w.dialogs.said.size() == 1 && w.dialogs.said[0].startsWith("e Error transferring file.\r\nFTP Error: 25\r\n"),
                 qPrintable(w.dialogs.said.join(u'|')));
    }

    void refusals_data()
    {
        // savedAs: empty: left untitled; text: typed into the editor; address: %1: the local player's;
        // password: empty: the dialog must not appear; message: the one message, or its beginning
        test::columns<QString, QString, QString, QString, QString, QString, QString>("button", "savedAs", "text", "address", "password", "message", "focus");
        const QString noAddress = "i Please enter an IP address.";
        QTest::newRow("text deleted") << "startButton" << "" << "x\b" << "%1" << "" << "i Please load an instant crawl before sending." << "loadButton";
        QTest::newRow("spaces and a line break: text yes, address no") << "startButton" << "" << "  \r " << "   " << "" << noAddress << "addressBox";
        QTest::newRow("stop, address of spaces") << "stopButton" << "" << "x" << "   " << "" << noAddress << "addressBox";
        QTest::newRow("password refused") << "startButton" << "" << "Hello" << "%1" << "HARBOUR" << "e Incorrect password!" << "";
        QTest::newRow("settings file cannot be saved") << "startButton" << "" << "Hello" << "%1" << "" << "e The crawl could not be saved.\n" << "";
        QTest::newRow("comma in the name") << "startButton" << "East, West.rtf" << "Hello" << "%1" << "" << "e The crawl document \"East, West.rtf\" cannot be sent" << "";
    }

    // Each ends the operation before anything reaches the player.
    void refusals()
    {
        auto [button, savedAs, text, address, password, message, focus] = test::fetch<QString, QString, QString, QString, QString, QString,
            QString>("button", "savedAs", "text", "address", "password", "message", "focus");
        StandInPlayers server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        Desk w;
        QTest::keyClicks(w.editor, text);
        if (!savedAs.isEmpty())
            w.saveAs(savedAs);
        const bool blocked = message.contains("could not be saved");
        if (blocked)
            QVERIFY(QDir().mkpath(w.rtf("QVInstantCrawl.inst")));
        w.setText("addressBox", address.replace("%1", server.host()));

        QCOMPARE(pressGivingPassword(w.find(qPrintable(button)), password), !password.isEmpty());

        QVERIFY2(w.dialogs.said.size() == 1 && w.dialogs.said[0].startsWith(message), qPrintable(w.dialogs.said.join(u'|')));
        // An untitled document is saved before the checks that can stop the start; one whose settings
        // file cannot be saved is not saved either.
        const bool saved = button == "startButton" && !blocked;
        const QString name = !savedAs.isEmpty() ? savedAs : saved ? "QVInstantCrawl.rtf" : "UNTITLED";
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - " + name);
        QCOMPARE(w.state.modified, !saved);
        const QString document = !savedAs.isEmpty() ? savedAs : "QVInstantCrawl.rtf";
        QCOMPARE(QFileInfo(w.rtf(document)).isFile(), saved || !savedAs.isEmpty());
        QVERIFY(focus.isEmpty() || QApplication::focusWidget() == w.find(qPrintable(focus)));
        QCOMPARE(server.count("connect"), 0);
        QVERIFY(!QFileInfo::exists(w.state.instantFile));
    }

    void changedCrawlNotSavedWithoutItsSettingsFile_data()
    {
        test::columns<QString>("button");
        QTest::newRow("saved again with Save") << "saveButton";
        QTest::newRow("saved again by a start") << "startButton";
    }

    // A crawl saved once, then changed: when its settings file cannot be written, the document on disk
    // stays the one that goes with the settings file, and the window still holds the change unsaved.
    void changedCrawlNotSavedWithoutItsSettingsFile()
    {
        auto [button] = test::fetch<QString>("button");
        Desk w;
        QTest::keyClicks(w.editor, "Doors open");
        w.saveAs("Lobby.rtf");
        const QByteArray savedDocument = readAll(w.rtf("Lobby.rtf"));
        QVERIFY(savedDocument.contains("Doors open\\par"));
        QVERIFY(QFile::remove(w.rtf("Lobby.inst")));
        QVERIFY(QDir().mkpath(w.rtf("Lobby.inst")));
        QTest::keyClicks(w.editor, " at noon");
        w.dialogs.said.clear();

        if (button == "saveButton")
            w.saveAs("Lobby.rtf", true);
        else
            QVERIFY(!pressGivingPassword(w.find("startButton"), kPassword)); // refused before the password

        QStringList said{"e The crawl could not be saved.\nCannot write " + w.rtf("Lobby.inst") + ": a folder has that name."};
        if (button == "saveButton")
            said.prepend("q The file already exists. Do you want to overwrite it?");
        QCOMPARE(w.dialogs.said, said);
        QCOMPARE(readAll(w.rtf("Lobby.rtf")), savedDocument);
        QVERIFY(w.state.modified);
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - Lobby.rtf");
    }
};

QTEST_MAIN(tst_SendStop)
#include "tst_sendstop.moc"
