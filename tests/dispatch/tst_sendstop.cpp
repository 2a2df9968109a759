#include "FtpTestServer.h"
#include "MainWindowFixture.h"

#include "compose/CrawlSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using namespace qvic::test;

Q_DECLARE_METATYPE(FtpTestServer::Mode)

namespace {

const QString kPassword = QStringLiteral("harbour lights");
const QByteArray kStamp = "Time=03/04/2024 01:05:09 PM\r\n";

// The main window on fresh folders with a password file and a fixed clock, shown and active.
struct Desk : MainWindowFixture
{
    explicit Desk(const QList<std::pair<QString, QByteArray>> &appFiles = {}) : MainWindowFixture(appFiles)
    {
        writeAll(dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=" + kPassword.toLatin1() + "\r\n");
        window->setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        showActive();
    }
    // A tick box is ticked on its square, wherever its long caption ends.
    void tick(const char *name)
    {
        auto *box = find<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    void saveAs(const QString &name)
    {
        dialogs.fileAnswers << rtf(name);
        click("btnSave");
    }
    // Presses a button and types password into the password dialog if it appears
    // (a refused one is left open for its close box); whether it appeared.
    bool press(const char *button, const QString &password = kPassword)
    {
        bool looked = false, asked = false;
        whenModal([&](QWidget *modal) {
            looked = true;
            if (!modal || modal->objectName() != u"frmPassword")
                return;
            asked = true;
            auto *box = modal->findChild<QLineEdit *>("txtPassword");
            QTest::keyClicks(box, password);
            QTest::keyClick(box, Qt::Key_Return);
        });
        click(button);
        if (!QTest::qWaitFor([&] { return looked; }))
            qWarning("the operator never looked for the password dialog");
        return asked;
    }
};

QStringList received(const FtpTestServer &server)
{
    return server.events().filter(QRegularExpression(QStringLiteral("^(received|incomplete) ")));
}

} // namespace

class tst_SendStop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }

    void sendAndStop_data();
    void sendAndStop();
    void refusals_data();
    void refusals();
    void failedUploads_data();
    void failedUploads();
};

void tst_SendStop::sendAndStop_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("savedAs"); // empty: left untitled
    QTest::addColumn<QString>("changed"); // after the save, by the operator: the start saves it again
    QTest::addColumn<bool>("kite7");
    QTest::addColumn<QByteArray>("line2"); // the last command file's, or the device script's beginning
    QTest::addColumn<QString>("message");
    QTest::newRow("start untitled") << "btnSend" << "" << "" << false
        << QByteArray("Message=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,120,0x000000,0.25,3,0.5000,000000")
        << "i Successfully sent out the QV instant crawl.";
    QTest::newRow("start saved, Kite-7") << "btnSend" << QString::fromUtf8("Café lobby.rtf") << "rtfData" << true
        << QByteArray("Message=@INSTANT_EVENT_COMMAND,")
        << "i Successfully sent out QV instant crawl and Kite-7 instant crawl.";
    QTest::newRow("start saved, dwell typed after") << "btnSend" << "Lobby.rtf" << "txtDwell" << false
        << QByteArray("Message=@START_INSTANT_CRAWL,Lobby.rtf,300,0x000000,0.25,3,0.5000,000000")
        << "i Successfully sent out the QV instant crawl.";
    QTest::newRow("stop") << "btnStop" << "" << "" << false << QByteArray("Message=@STOP_INSTANT_CRAWL")
                          << "i Successfully 'Stop' the QV instant crawl.";
    QTest::newRow("stop, Kite-7") << "btnStop" << "" << "" << true << QByteArray("Message=@INSTANT_EVENT_COMMAND,")
                                  << "i Successfully 'Stop' QV instant crawl and Kite-7 instant crawl.";
}

void tst_SendStop::sendAndStop()
{
    QFETCH(QString, button);
    QFETCH(QString, savedAs);
    QFETCH(bool, kite7);
    QFETCH(QString, changed);
    FtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    // A longer listed address beginning with the player's: what is typed is used as typed.
    Desk w({{"IPList.txt", server.host().toLatin1() + "0\r\n"}});
    QVERIFY(!w.error);
    QTest::keyClicks(w.editor, "Doors open at noon");
    w.setText("txtDwell", "2");
    w.setText("txtTransparency", "25");
    w.setText("txtLocation", "300");
    w.tick("chkBgTrans");
    if (!savedAs.isEmpty())
        w.saveAs(savedAs);
    if (changed == "rtfData") {
        QTest::keyClicks(w.editor, " today");
    } else if (!changed.isEmpty()) {
        auto *box = w.find<QLineEdit>(qPrintable(changed));
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, "5");
    }
    if (kite7)
        w.tick("chkKite7");
    QLineEdit *address = w.find<QComboBox>("cboIPAddress")->lineEdit();
    QTest::mouseClick(address, Qt::LeftButton);
    QTest::keyClicks(address, "  " + server.host() + " ");

    QVERIFY(w.press(qPrintable(button)));

    QTEST(said(w.dialogs).join(u'|'), "message");
    const bool start = button == "btnSend"; // a stop neither checks nor saves the document
    const QString name = savedAs.isEmpty() ? QStringLiteral("QVInstantCrawl.rtf") : savedAs;
    const QString document = w.rtf(name);
    QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - " + (start ? name : "UNTITLED"));
    QCOMPARE(readAll(instFilePath(document)).startsWith(changed == "txtDwell" ? "300," : "120,"), start);
    QCOMPARE(readAll(document).contains(changed == "rtfData" ? "open at noon today\\par" : "open at noon\\par"), start);
    QStringList uploads = {"received /settings/Instant.txt"};
    if (start)
        uploads.prepend("received /media/" + name);
    if (kite7)
        uploads << uploads.last();
    QCOMPARE(received(server), uploads);
    QCOMPARE(readAll(server.root() + "/media/" + name), readAll(document));
    const QByteArray command = readAll(server.root() + "/settings/Instant.txt");
    QCOMPARE(command, readAll(w.state.strInstantFile));
    QFETCH(QByteArray, line2);
    if (kite7) // the device script, last
        QVERIFY2(command.startsWith(kStamp + line2)
                     && command.contains(start ? "Doors open at noon today@end;" : "@stop crawl;"), command);
    else // the player starts the document it was sent, with the saved settings
        QCOMPARE(command, kStamp + line2 + "\r\n");
    w.window->close();
    QCOMPARE(readAll(w.state.strPreIPFile), "  " + server.host().toLatin1() + " \r\n");
}

void tst_SendStop::refusals_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("savedAs"); // empty: left untitled
    QTest::addColumn<QString>("text");    // typed into the editor
    QTest::addColumn<QString>("address"); // %1: the local player's
    QTest::addColumn<QString>("password"); // empty: the dialog must not appear
    QTest::addColumn<QString>("message"); // the one message, or its beginning
    QTest::addColumn<QString>("focus");
    QTest::newRow("text deleted") << "btnSend" << "" << "x\b" << "%1" << ""
                                  << "i Please load an instant crawl before sending." << "btnOpen";
    QTest::newRow("spaces and a line break: text yes, address no")
        << "btnSend" << "" << "  \r " << "   " << "" << "i Please enter an IP address." << "cboIPAddress";
    QTest::newRow("stop, address of spaces") << "btnStop" << "" << "x" << "   " << ""
                                             << "i Please enter an IP address." << "cboIPAddress";
    QTest::newRow("password refused") << "btnSend" << "" << "Hello" << "%1" << "HARBOUR" << "e Incorrect password!" << "";
    QTest::newRow("settings file cannot be saved") << "btnSend" << "" << "Hello" << "%1" << ""
                                                   << "e The crawl could not be saved.\n" << "";
    QTest::newRow("comma in the name") << "btnSend" << "East, West.rtf" << "Hello" << "%1" << ""
                                       << "e The crawl document \"East, West.rtf\" cannot be sent" << "";
}

// Each ends the operation before anything reaches the player.
void tst_SendStop::refusals()
{
    QFETCH(QString, savedAs);
    QFETCH(QString, password);
    QFETCH(QString, message);
    FtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Desk w;
    QVERIFY(!w.error);
    QFETCH(QString, text);
    QTest::keyClicks(w.editor, text);
    if (!savedAs.isEmpty())
        w.saveAs(savedAs);
    const bool blocked = message.contains("could not be saved");
    if (blocked)
        QVERIFY(QDir().mkpath(w.rtf("QVInstantCrawl.inst")));
    QFETCH(QString, address);
    w.setText("cboIPAddress", address.replace("%1", server.host()));
    QFETCH(QString, button);

    QCOMPARE(w.press(qPrintable(button), password), !password.isEmpty());

    const QStringList messages = said(w.dialogs);
    QVERIFY2(messages.size() == 1 && messages[0].startsWith(message), qPrintable(messages.join(u'|')));
    // An untitled document is saved before the checks that can stop the start.
    const bool saved = button == "btnSend" && !blocked;
    const QString name = !savedAs.isEmpty() ? savedAs : saved ? "QVInstantCrawl.rtf" : "UNTITLED";
    QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - " + name);
    QCOMPARE(w.state.blnModified, !saved);
    QCOMPARE(QFileInfo(w.rtf(name)).isFile(), saved);
    QFETCH(QString, focus);
    QVERIFY(focus.isEmpty() || QApplication::focusWidget() == w.find<QWidget>(qPrintable(focus)));
    QCOMPARE(server.count("connect"), 0);
    QVERIFY(!QFileInfo::exists(w.state.strInstantFile));
}

void tst_SendStop::failedUploads_data()
{
    QTest::addColumn<FtpTestServer::Mode>("mode"); // Normal: the player lacks its settings folder
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("received");
    using M = FtpTestServer::Mode;
    QTest::newRow("document refused") << M::StorageFull << "btnSend" << QStringList();
    QTest::newRow("start's command file refused") << M::Normal << "btnSend"
                                                  << QStringList{"received /media/QVInstantCrawl.rtf"};
    QTest::newRow("stop's command file refused") << M::Normal << "btnStop" << QStringList();
}

// With Kite-7 ticked, a failed upload ends the operation before the pause and the device script.
void tst_SendStop::failedUploads()
{
    QFETCH(FtpTestServer::Mode, mode);
    QFETCH(QString, button);
    QFETCH(QStringList, received);
    FtpTestServer server(mode);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    if (mode == FtpTestServer::Mode::Normal)
        QVERIFY(QDir(server.root() + "/settings").removeRecursively());
    Desk w;
    QVERIFY(!w.error);
    writeAll(w.state.strInstantFile, "an older command file\r\n");
    QTest::keyClicks(w.editor, "Doors open at noon");
    w.tick("chkKite7");
    w.setText("cboIPAddress", server.host());

    QVERIFY(w.press(qPrintable(button)));

    const QString message = mode == FtpTestServer::Mode::Normal
        ? "e Can't find the transferred file.\r\nTransferring process is cancelled."
        : "e Error transferring file.\r\nFTP Error: 25";
    QVERIFY2(said(w.dialogs).size() == 1 && said(w.dialogs)[0].startsWith(message), qPrintable(said(w.dialogs).join(u'|')));
    QCOMPARE(::received(server), received);
    QCOMPARE(server.count("login"), received.size() + 1); // no upload after the failed one
    // The command file was written fresh before the uploads and never turned into the script.
    const QByteArray local = readAll(w.state.strInstantFile);
    QVERIFY2(local.startsWith(kStamp + (button == "btnSend" ? "Message=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,"
                                                            : "Message=@STOP_INSTANT_CRAWL\r\n")), local);
}

QTEST_MAIN(tst_SendStop)
#include "tst_sendstop.moc"
