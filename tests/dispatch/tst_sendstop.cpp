#include "MainWindowFixture.h"
#include "PlayerFaults.h"
#include "StandInPlayers.h"

#include "dispatch/SendLog.h"

#include <QApplication>

using namespace qvic;
using namespace qvic::test;

namespace {

const QString kPassword = QStringLiteral("harbour lights");
const QByteArray kOlder = "{\\rtf1 Yesterday's crawl\\par}";

// The main window on fresh folders with a password file and a fixed clock, shown and active.
// What reaches a player and how each step fails is the send engine's test; this one is what
// the window adds: its checks before the password, its words, the save before a start.
struct Desk : MainWindowFixture
{
    explicit Desk(const QList<std::pair<QString, QByteArray>> &appFiles = {}) : MainWindowFixture(appFiles)
    {
        const QByteArray passwordFile = "[PASSWORD]\r\nremember=0\r\npass=" + kPassword.toLatin1() + "\r\n";
        writeAll(dirs->winDir() + "/icpass.ini", passwordFile);
        window->setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        showActive();
    }
    QList<SendLogRow> log() const { return SendLog::read(SendLog::pathFor(state)).rows; }
};

} // namespace

class tst_SendStop : public QObject
{
    Q_OBJECT

private slots:
    void sendAndStop_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("savedAs"); // empty: left untitled
        QTest::addColumn<bool>("typedAfter"); // text typed after the save, so the start saves again
        QTest::addColumn<bool>("kite7");
        QTest::addColumn<QByteArray>("line"); // the player's command line, or a part of its device script
        QTest::addColumn<QString>("message");

        const QByteArray start = "Message=@START_INSTANT_CRAWL,";
        const QString sent = "i Successfully sent out the QV instant crawl.";
        QTest::newRow("start untitled")
            << "startButton" << "" << false << false
            << start + "QVInstantCrawl.rtf,120,0x000000,0.25,3,0.5000,000000" << sent;
        QTest::newRow("start saved, text typed after, Kite-7")
            << "startButton" << QString::fromUtf8("Café lobby.rtf") << true << true
            << QByteArray("Doors open at noon today@end;")
            << "i Successfully sent out QV instant crawl and Kite-7 instant crawl.";
        QTest::newRow("stop")
            << "stopButton" << "" << false << false
            << QByteArray("Message=@STOP_INSTANT_CRAWL") << "i Successfully 'Stop' the QV instant crawl.";
    }

    void sendAndStop()
    {
        QFETCH(QString, button);
        QFETCH(QString, savedAs);
        QFETCH(bool, typedAfter);
        QFETCH(bool, kite7);
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        StandInPlayers player;
        QVERIFY2(player.start(), qPrintable(player.errorString()));
        // A longer listed address beginning with the player's: what is typed is used as typed.
        Desk w({{"IPList.txt", player.host().toLatin1() + "0\r\n"}});
        QVERIFY(!w.error);
        QTest::keyClicks(w.editor, "Doors open at noon");
        w.setText("dwellBox", "2");
        w.setText("transparencyBox", "25");
        w.setText("locationBox", "300");
        w.tick("transparentBox");
        if (!savedAs.isEmpty())
            w.saveAs(savedAs);
        if (typedAfter)
            QTest::keyClicks(w.editor, " today");
        if (kite7)
            w.tick("kite7Box");
        QLineEdit *address = w.find<QComboBox>("addressBox")->lineEdit();
        QTest::mouseClick(address, Qt::LeftButton);
        QTest::keyClicks(address, "  " + player.host() + " ");

        QVERIFY(pressGivingPassword(w.find(qPrintable(button)), kPassword));

        QCOMPARE(w.dialogs.said, QStringList{message});
        // A stop neither checks nor saves the document.
        const bool start = button == "startButton";
        const QString name = savedAs.isEmpty() ? QStringLiteral("QVInstantCrawl.rtf") : savedAs;
        const QByteArray document = readAll(w.rtf(name));
        if (start) {
            QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - " + name);
            const QByteArray typed = typedAfter ? "open at noon today\\par" : "open at noon\\par";
            QVERIFY2(document.contains(typed), document);
        } else {
            QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - UNTITLED");
            QCOMPARE(document, QByteArray());
        }
        QCOMPARE(player.count("received"), 1 + int(start) + int(kite7));
        QCOMPARE(readAll(player.root() + "/media/" + name), document);
        const QByteArray command = readAll(player.root() + "/settings/Instant.txt");
        if (kite7)
            QVERIFY2(command.contains(line), command);
        else
            QCOMPARE(command, "Time=03/04/2024 01:05:09 PM\r\n" + line + "\r\n");
        // The send log has the command line, never the device script that followed it; the rest
        // of its line is the send log's test.
        const QList<SendLogRow> log = w.log();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].action, start ? "start" : "stop");
        QCOMPARE(log[0].document, start ? name : "");
        const QString commandLine = start ? "Message=@START_INSTANT_CRAWL," : "Message=@STOP_INSTANT_CRAWL";
        QVERIFY2(log[0].settings.startsWith(commandLine), qPrintable(log[0].settings));

        w.window->close();

        QCOMPARE(readAll(w.state.lastAddressFile), "  " + player.host().toLatin1() + " \r\n");
    }

    // Cancel in the transfer window while a slow player takes the document: one message, the
    // player keeps its older crawl whole, and the send log has it cancelled.
    void cancelWhileUploadingKeepsTheOlderCrawl()
    {
        StandInPlayers player({StandInPlayers::Fault::Throttle});
        player.setRate(20000);
        QVERIFY2(player.start(), qPrintable(player.errorString()));
        writeAll(player.root() + "/media/QVInstantCrawl.rtf", kOlder);
        Desk w;
        QTest::keyClicks(w.editor, "Doors open at noon");
        w.editor->textCursor().insertText(QString(100000, u'x')); // five seconds' worth for the player
        w.setText("addressBox", player.host());
        bool cancelled = false;
        QTimer hand;
        connect(&hand, &QTimer::timeout, this, [&] {
            QWidget *window = QApplication::activeModalWidget();
            if (!window || window->objectName() != u"TransferWindow")
                return;
            if (window->findChild<QLabel *>("byteCountValue")->text().isEmpty())
                return;
            QTest::mouseClick(window->findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
            cancelled = true;
            hand.stop();
        });
        hand.start(5);

        QVERIFY(pressGivingPassword(w.find("startButton"), kPassword));

        QVERIFY(cancelled);
        QCOMPARE(w.dialogs.said, QStringList{"e Transferring process is cancelled."});
        QCOMPARE(readAll(player.root() + "/media/QVInstantCrawl.rtf"), kOlder);
        const QStringList cutOff{"incomplete /media/QVInstantCrawl.rtf.part"};
        QTRY_COMPARE_WITH_TIMEOUT(faults::transfers(player.events()), cutOff, 20000);
        const QList<SendLogRow> log = w.log();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].action, "start");
        QCOMPARE(log[0].player, player.host());
        QCOMPARE(log[0].outcome, "failed: Transferring process is cancelled.");
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("savedAs");  // empty: left untitled
        QTest::addColumn<QString>("text");     // typed into the editor
        QTest::addColumn<QString>("address");  // %1: the local player's
        QTest::addColumn<QString>("password"); // empty: the dialog must not appear
        QTest::addColumn<QString>("message");  // the one message, or its beginning
        QTest::addColumn<QString>("focus");    // the control the focus is left in; empty: not looked at

        QTest::newRow("text deleted")
            << "" << "x\b" << "%1" << ""
            << "i Please load an instant crawl before sending." << "loadButton";
        QTest::newRow("spaces and a line break: text yes, address no")
            << "" << "  \r " << "   " << "" << "i Please enter an IP address." << "addressBox";
        QTest::newRow("settings file cannot be saved")
            << "" << "Hello" << "%1" << "" << "e The crawl could not be saved.\n" << "";
        QTest::newRow("comma in the name")
            << "East, West.rtf" << "Hello" << "%1" << ""
            << "e The crawl document \"East, West.rtf\" cannot be sent" << "";
    }

    // Each ends the start before anything reaches the player. An untitled document is saved
    // before the checks that can stop the start; one whose settings file cannot be saved is not
    // saved either.
    void refusals()
    {
        QFETCH(QString, savedAs);
        QFETCH(QString, text);
        QFETCH(QString, address);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        StandInPlayers player;
        QVERIFY2(player.start(), qPrintable(player.errorString()));
        Desk w;
        QTest::keyClicks(w.editor, text);
        if (!savedAs.isEmpty())
            w.saveAs(savedAs);
        const bool blocked = message.contains("could not be saved");
        if (blocked)
            QVERIFY(QDir().mkpath(w.rtf("QVInstantCrawl.inst")));
        w.setText("addressBox", address.replace("%1", player.host()));

        const bool asked = pressGivingPassword(w.find("startButton"), password);

        QCOMPARE(asked, !password.isEmpty());
        QCOMPARE(w.dialogs.said.size(), 1);
        QVERIFY2(w.dialogs.said[0].startsWith(message), qPrintable(w.dialogs.said[0]));
        const QString document = savedAs.isEmpty() ? "QVInstantCrawl.rtf" : savedAs;
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - " + (blocked ? "UNTITLED" : document));
        QCOMPARE(w.state.modified, blocked);
        QCOMPARE(QFileInfo(w.rtf(document)).isFile(), !blocked);
        if (!focus.isEmpty())
            QCOMPARE(QApplication::focusWidget(), w.find(qPrintable(focus)));
        QCOMPARE(player.count("connect"), 0);
        QVERIFY(!QFileInfo::exists(w.state.instantFile));
    }
};

QTEST_MAIN(tst_SendStop)
#include "tst_sendstop.moc"
