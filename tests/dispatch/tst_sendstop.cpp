#include "FtpTestServer.h"
#include "TestSupport.h"

#include "app/SharedState.h"
#include "app/frmQV7IC.h"
#include "compose/CrawlSettings.h"
#include "platform/RecordingDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using qvic::test::FtpTestServer;
using qvic::test::readAll;
using qvic::test::writeAll;

Q_DECLARE_METATYPE(FtpTestServer::Mode)

namespace {

const QString kPassword = QStringLiteral("harbour lights");
const QByteArray kStamp = "Time=03/04/2024 01:05:09 PM\r\n";

// The operator at the password dialog: each time it appears, they wait for it to
// take the keyboard, type into its password box and press Enter, or cancel.
class PasswordOperator : public QObject
{
public:
    enum class Answer { Right, Wrong, Cancel };
    Answer answer = Answer::Right;
    int asked = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == u"frmPassword") {
            ++asked;
            QTimer::singleShot(0, watched, [this, dialog = static_cast<QDialog *>(watched)] {
                answerDialog(dialog);
            });
        }
        return false;
    }

private:
    void answerDialog(QDialog *dialog)
    {
        // Whatever goes wrong below, the start must not hang in the dialog.
        struct CloseBox
        {
            QDialog *dialog;
            ~CloseBox() { if (dialog->isVisible()) dialog->reject(); }
        } closeBox{dialog};
        QTRY_VERIFY(QApplication::activeModalWidget() == dialog);
        auto *box = QApplication::activeModalWidget()->findChild<QLineEdit *>("txtPassword");
        QVERIFY(box);
        if (answer == Answer::Cancel) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        QTest::keyClicks(box, answer == Answer::Right ? kPassword : kPassword.toUpper());
        QTest::keyClick(box, Qt::Key_Return);
        if (answer == Answer::Wrong) {
            QVERIFY(dialog->isVisible()); // refused: the dialog asks again
            QTest::mouseClick(dialog->findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
        }
    }
};

// The main window on fresh folders, shown and active, with a password file.
struct Window
{
    Window() : window(state, dialogs)
    {
        error = window.load(dirs.appDir(), dirs.winDir());
        writeAll(dirs.winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=" + kPassword.toLatin1() + "\r\n");
        window.setClock([] { return QDateTime(QDate(2024, 3, 4), QTime(13, 5, 9)); });
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the main window did not become active");
        qApp->installEventFilter(&password);
    }
    ~Window() { qApp->removeEventFilter(&password); }

    template <typename T> T *find(const char *name)
    {
        return window.findChild<T *>(QLatin1String(name));
    }
    void type(const char *name, const QString &text)
    {
        QWidget *target = find<QWidget>(name);
        if (auto *list = qobject_cast<QComboBox *>(target))
            target = list->lineEdit();
        if (auto *box = qobject_cast<QLineEdit *>(target))
            box->selectAll(); // typing replaces what the box held
        QTest::keyClicks(target, text);
    }
    void click(const char *name) { QTest::mouseClick(find<QWidget>(name), Qt::LeftButton); }
    // A tick box is ticked on its square, wherever its long caption ends.
    void tick(const char *name)
    {
        auto *box = find<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        QVERIFY(box->isChecked());
    }
    // The operator saves under a name, or opens a document, through the file dialogs.
    void saveAs(const QString &name)
    {
        dialogs.fileAnswers << rtf(name);
        click("btnSave");
    }
    void open(const QString &name)
    {
        dialogs.fileAnswers << rtf(name);
        click("btnOpen");
    }
    QString rtf(const QString &name) const { return state.strRtfFolder + u'/' + name; }

    test::TempDirs dirs;
    SharedState state;
    RecordingDialogs dialogs;
    frmQV7IC window;
    PasswordOperator password;
    std::optional<QString> error;
};

QStringList received(const FtpTestServer &server)
{
    return server.events().filter(QRegularExpression(QStringLiteral("^(received|incomplete) ")));
}

QByteArray line2(const QByteArray &commandFile)
{
    const QList<QByteArray> lines = commandFile.split('\n');
    return lines.size() > 1 ? lines[1].chopped(lines[1].endsWith('\r') ? 1 : 0) : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(PasswordOperator::Answer)

class tst_SendStop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }

    void send_data();
    void send();
    void stop_data();
    void stop();
    void refusals_data();
    void refusals();
    void failedUploads_data();
    void failedUploads();
};

void tst_SendStop::send_data()
{
    QTest::addColumn<QString>("savedAs"); // empty: left untitled
    QTest::addColumn<bool>("kite7");
    QTest::addColumn<bool>("adjusted"); // settings changed from the defaults
    QTest::addColumn<QString>("settingsLine");
    QTest::addColumn<QString>("message");

    QTest::newRow("untitled, defaults") << "" << false << false << "3600,none,0.00,3,0.0000,0"
                                        << "Successfully sent out the QV instant crawl.";
    QTest::newRow("adjusted") << "" << false << true << "120,0x000000,0.25,3,0.5000,0"
                              << "Successfully sent out the QV instant crawl.";
    QTest::newRow("saved, Kite-7 ticked")
        << QString::fromUtf8("Café lobby.rtf") << true << false << "3600,none,0.00,3,0.0000,0"
        << "Successfully sent out QV instant crawl and Kite-7 instant crawl.";
}

void tst_SendStop::send()
{
    QFETCH(QString, savedAs);
    QFETCH(bool, kite7);
    QFETCH(bool, adjusted);
    QFETCH(QString, settingsLine);
    QFETCH(QString, message);

    FtpTestServer server(FtpTestServer::Mode::Normal);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Window w;
    QVERIFY(!w.error);
    w.type("rtfData", "Doors open at noon");
    if (adjusted) {
        w.type("txtDwell", "2");
        w.type("txtTransparency", "25");
        w.type("txtLocation", "300");
        w.tick("chkBgTrans");
    }
    if (!savedAs.isEmpty()) {
        w.saveAs(savedAs);
        w.type("rtfData", " today"); // changed after the save: the start saves it again
    }
    if (kite7)
        w.tick("chkKite7");
    w.type("cboIPAddress", "  " + server.host() + " ");

    w.click("btnSend");

    QCOMPARE(w.dialogs.texts(), QStringList{message});
    QCOMPARE(w.password.asked, 1);
    const QString name = savedAs.isEmpty() ? QStringLiteral("QVInstantCrawl.rtf") : savedAs;
    const QString document = w.rtf(name);
    QCOMPARE(w.window.windowTitle(), "QV Instant Crawl - " + name);
    QCOMPARE(readAll(instFilePath(document)), settingsLine.toLatin1() + "\r\n");

    QStringList uploads = {"received /media/" + name, "received /settings/Instant.txt"};
    if (kite7)
        uploads << "received /settings/Instant.txt";
    QCOMPARE(received(server), uploads);
    QVERIFY(readAll(document).contains(savedAs.isEmpty() ? "open at noon\\par" : "open at noon today\\par"));
    QCOMPARE(readAll(server.root() + "/media/" + name), readAll(document));
    const QByteArray command = readAll(server.root() + "/settings/Instant.txt");
    QCOMPARE(command, readAll(w.state.strInstantFile));
    QVERIFY(command.startsWith(kStamp));
    if (!kite7) {
        // The player starts the document it was sent, with the saved settings.
        const QStringList fields = settingsLine.split(u',');
        QCOMPARE(line2(command), QStringLiteral("Message=@START_INSTANT_CRAWL,%1,%2,000000")
                                     .arg(name, QStringList(fields.mid(0, 5)).join(u','))
                                     .toLatin1());
    } else {
        QVERIFY(line2(command).startsWith("Message=@INSTANT_EVENT_COMMAND,"));
        QVERIFY(line2(command).contains("Doors open at noon today@end;"));
    }
}

void tst_SendStop::stop_data()
{
    QTest::addColumn<QString>("address"); // "server": the local player's
    QTest::addColumn<bool>("kite7");
    QTest::addColumn<QString>("command"); // line 2 of the last command file, a prefix
    QTest::addColumn<QString>("message");

    QTest::newRow("QV only") << "server" << false << "Message=@STOP_INSTANT_CRAWL"
                             << "Successfully 'Stop' the QV instant crawl.";
    QTest::newRow("Kite-7 ticked") << "server" << true << "Message=@INSTANT_EVENT_COMMAND,"
                                   << "Successfully 'Stop' QV instant crawl and Kite-7 instant crawl.";
    QTest::newRow("address of spaces") << "   " << true << "" << "Please enter an IP address.";
}

void tst_SendStop::stop()
{
    QFETCH(QString, address);
    QFETCH(bool, kite7);
    QFETCH(QString, command);
    QFETCH(QString, message);

    FtpTestServer server(FtpTestServer::Mode::Normal);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Window w;
    QVERIFY(!w.error);
    w.type("rtfData", "Not saved by a stop");
    if (kite7)
        w.tick("chkKite7");
    w.type("cboIPAddress", address == u"server" ? server.host() : address);

    w.click("btnStop");

    QCOMPARE(w.dialogs.texts(), QStringList{message});
    // A stop neither checks nor saves the document.
    QVERIFY(!QFileInfo::exists(w.rtf("QVInstantCrawl.rtf")));
    QCOMPARE(w.window.windowTitle(), QStringLiteral("QV Instant Crawl - UNTITLED"));
    if (command.isEmpty()) {
        QCOMPARE(w.password.asked, 0);
        QCOMPARE(server.count("connect"), 0);
        QVERIFY(QApplication::focusWidget() == w.find<QComboBox>("cboIPAddress")
                || QApplication::focusWidget() == w.find<QComboBox>("cboIPAddress")->lineEdit());
        return;
    }
    QCOMPARE(w.password.asked, 1);
    QCOMPARE(received(server), QStringList(kite7 ? 2 : 1, "received /settings/Instant.txt"));
    const QByteArray sent = readAll(server.root() + "/settings/Instant.txt");
    QCOMPARE(sent, readAll(w.state.strInstantFile));
    QVERIFY(sent.startsWith(kStamp));
    QVERIFY(line2(sent).startsWith(command.toLatin1()));
    if (kite7)
        QVERIFY(line2(sent).contains("@stop crawl;"));
    else
        QCOMPARE(line2(sent), command.toLatin1());
}

void tst_SendStop::refusals_data()
{
    QTest::addColumn<QString>("document"); // "save:name", "open:name" or "" (untitled)
    QTest::addColumn<QString>("text");     // typed into the editor first; "<BS>" ends in a backspace
    QTest::addColumn<QString>("more");     // typed after the save or open
    QTest::addColumn<QString>("blocked");  // a folder where this file of the RTF folder goes
    QTest::addColumn<QString>("address");  // "server": the local player's
    QTest::addColumn<PasswordOperator::Answer>("answer");
    QTest::addColumn<QString>("message"); // the one message, or its beginning
    QTest::addColumn<bool>("exclamation");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("asked");

    using A = PasswordOperator::Answer;
    const QString untitled = QStringLiteral("QV Instant Crawl - UNTITLED");
    const QString saved = QStringLiteral("QV Instant Crawl - QVInstantCrawl.rtf");
    const QString noText = QStringLiteral("Please load an instant crawl before sending.");
    const QString noAddress = QStringLiteral("Please enter an IP address.");
    const QString server = QStringLiteral("server");
    const auto cannotTravel = [](const QString &name) {
        return QStringLiteral("The crawl document \"%1\" cannot be sent").arg(name);
    };

    QTest::newRow("text deleted") << "" << "x<BS>" << "" << "" << server << A::Right
                                  << noText << false << "btnOpen" << saved << 0;
    QTest::newRow("spaces only: text yes, address no") << "" << "   " << "" << "" << "   " << A::Right
                                                       << noAddress << false << "cboIPAddress" << saved << 0;
    QTest::newRow("line break only counts as text") << "" << "\r" << "" << "" << "" << A::Right
                                                    << noAddress << false << "cboIPAddress" << saved << 0;
    QTest::newRow("password refused") << "" << "Hello" << "" << "" << server << A::Wrong
                                      << "Incorrect password!" << true << "" << saved << 1;
    QTest::newRow("password cancelled") << "" << "Hello" << "" << "" << server << A::Cancel
                                        << "" << false << "" << saved << 1;
    QTest::newRow("document cannot be saved")
        << "" << "Hello" << "" << "QVInstantCrawl.rtf" << server << A::Right
        << "The crawl could not be saved.\n" << true << "" << untitled << 0;
    QTest::newRow("settings file cannot be saved")
        << "save:Lobby.rtf" << "Hello" << " again" << "Lobby.inst" << server << A::Right
        << "The crawl could not be saved.\n" << true << "" << "QV Instant Crawl - Lobby.rtf" << 0;
    QTest::newRow("comma in a saved name")
        << "save:East, West.rtf" << "Hello" << "" << "" << server << A::Right
        << cannotTravel("East, West.rtf") << true << "" << "QV Instant Crawl - East, West.rtf" << 0;
    QTest::newRow("double quote in a loaded name")
        << "open:Say \"hi\".rtf" << "Hello" << "" << "" << server << A::Right
        << cannotTravel("Say \"hi\".rtf") << true << "" << "QV Instant Crawl - Say \"hi\".rtf" << 0;
    QTest::newRow("backslash: a folder on the player")
        << "save:a\\b.rtf" << "Hello" << "" << "" << server << A::Right
        << cannotTravel("a\\b.rtf") << true << "" << "QV Instant Crawl - a\\b.rtf" << 0;
    QTest::newRow("control character, saved on start")
        << "save:Tab\there.rtf" << "Hello" << " again" << "" << server << A::Right
        << cannotTravel("Tab\there.rtf") << true << "" << "QV Instant Crawl - Tab\there.rtf" << 0;
    QTest::newRow("outside Windows-1252")
        << QString::fromUtf8("save:Ωmega.rtf") << "Hello" << "" << "" << server << A::Right
        << cannotTravel(QString::fromUtf8("Ωmega.rtf")) << true << ""
        << QString::fromUtf8("QV Instant Crawl - Ωmega.rtf") << 0;
}

void tst_SendStop::refusals()
{
    QFETCH(QString, document);
    QFETCH(QString, text);
    QFETCH(QString, more);
    QFETCH(QString, blocked);
    QFETCH(QString, address);
    QFETCH(PasswordOperator::Answer, answer);
    QFETCH(QString, message);
    QFETCH(bool, exclamation);
    QFETCH(QString, focus);
    QFETCH(QString, caption);
    QFETCH(int, asked);

    FtpTestServer server(FtpTestServer::Mode::Normal);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    Window w;
    QVERIFY(!w.error);
    w.password.answer = answer;
    const bool backspace = text.endsWith(u"<BS>");
    w.type("rtfData", backspace ? text.chopped(4) : text);
    if (backspace)
        QTest::keyClick(w.find<QWidget>("rtfData"), Qt::Key_Backspace);
    const QString name = document.mid(5);
    if (document.startsWith(u"save:")) {
        w.saveAs(name);
    } else if (document.startsWith(u"open:")) {
        w.saveAs(QStringLiteral("Plain.rtf"));
        QVERIFY(QFile::copy(w.rtf("Plain.rtf"), w.rtf(name)));
        QVERIFY(QFile::copy(w.rtf("Plain.inst"), instFilePath(w.rtf(name))));
        w.open(name);
    }
    QCOMPARE(w.dialogs.texts(), QStringList());
    if (!more.isEmpty())
        w.type("rtfData", more);
    if (!blocked.isEmpty()) {
        QFile::remove(w.rtf(blocked));
        QVERIFY(QDir().mkpath(w.rtf(blocked)));
    }
    const QByteArray before = name.isEmpty() ? QByteArray() : readAll(w.rtf(name));
    w.type("cboIPAddress", address == u"server" ? server.host() : address);

    w.click("btnSend");

    if (message.isEmpty()) {
        QCOMPARE(w.dialogs.messages.size(), 0);
    } else {
        QCOMPARE(w.dialogs.messages.size(), 1);
        QVERIFY2(w.dialogs.messages[0].text.startsWith(message), qPrintable(w.dialogs.messages[0].text));
        QCOMPARE(w.dialogs.messages[0].kind == RecordingDialogs::Kind::Exclamation, exclamation);
    }
    QCOMPARE(w.password.asked, asked);
    QCOMPARE(w.window.windowTitle(), caption);
    if (!focus.isEmpty()) {
        QWidget *expected = w.find<QWidget>(qPrintable(focus));
        QWidget *now = QApplication::focusWidget();
        QVERIFY(now == expected || (now && now->parentWidget() == expected));
    }
    // The untitled document was saved before the check that stopped the start.
    if (caption == u"QV Instant Crawl - QVInstantCrawl.rtf") {
        QVERIFY(QFileInfo(w.rtf("QVInstantCrawl.rtf")).isFile());
        QVERIFY(QFileInfo(w.rtf("QVInstantCrawl.inst")).isFile());
        QVERIFY(!w.state.blnModified);
    }
    // A refused name leaves the document as the operator saved it.
    if (!before.isEmpty() && more.isEmpty())
        QCOMPARE(readAll(w.rtf(name)), before);
    QCOMPARE(server.count("connect"), 0);
    QVERIFY(!QFileInfo::exists(w.state.strInstantFile));
}

void tst_SendStop::failedUploads_data()
{
    QTest::addColumn<FtpTestServer::Mode>("mode");
    QTest::addColumn<bool>("noSettingsFolder"); // the player lacks its settings folder
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("received");
    QTest::addColumn<int>("logins");
    QTest::addColumn<QString>("command"); // line 2 of the local command file left behind

    using M = FtpTestServer::Mode;
    const QString missing = QStringLiteral("Can't find the transferred file.\r\nTransferring process is cancelled.");
    const QString start = QStringLiteral("Message=@START_INSTANT_CRAWL,QVInstantCrawl.rtf,");
    QTest::newRow("document refused") << M::StorageFull << false << "btnSend"
                                      << "Error transferring file.\r\nFTP Error: 25\r\nErr Desp: "
                                      << QStringList() << 1 << start;
    QTest::newRow("start's command file refused")
        << M::Normal << true << "btnSend" << missing
        << QStringList{"received /media/QVInstantCrawl.rtf"} << 2 << start;
    QTest::newRow("stop's command file refused")
        << M::Normal << true << "btnStop" << missing << QStringList() << 1
        << "Message=@STOP_INSTANT_CRAWL";
}

// With Kite-7 ticked, a failed upload ends the operation before the device script.
void tst_SendStop::failedUploads()
{
    QFETCH(FtpTestServer::Mode, mode);
    QFETCH(bool, noSettingsFolder);
    QFETCH(QString, button);
    QFETCH(QString, message);
    QFETCH(QStringList, received);
    QFETCH(int, logins);
    QFETCH(QString, command);

    FtpTestServer server(mode);
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    if (noSettingsFolder)
        QVERIFY(QDir(server.root() + "/settings").removeRecursively());
    Window w;
    QVERIFY(!w.error);
    writeAll(w.state.strInstantFile, "an older command file\r\n");
    w.type("rtfData", "Doors open at noon");
    w.tick("chkKite7");
    w.type("cboIPAddress", server.host());

    w.click(qPrintable(button));

    QVERIFY2(w.dialogs.texts().size() == 1 && w.dialogs.texts()[0].startsWith(message),
             qPrintable(w.dialogs.texts().join(u'|')));
    QCOMPARE(::received(server), received);
    QCOMPARE(server.count("login"), logins);
    // The command file was written fresh before the uploads and never turned into the script.
    const QByteArray local = readAll(w.state.strInstantFile);
    QVERIFY(local.startsWith(kStamp));
    QVERIFY2(line2(local).startsWith(command.toLatin1()), local.constData());
}

QTEST_MAIN(tst_SendStop)
#include "tst_sendstop.moc"
