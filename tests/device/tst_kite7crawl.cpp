#include "FtpTestServer.h"
#include "MainWindowFixture.h"

#include "device/ui/frmKite7.h"

#include <QPushButton>
#include <QtTest>

#include <curl/curl.h>

using namespace qvic;
using qvic::test::FtpTestServer;

namespace {

// The file the player should receive, put together from the device's rules:
// eight blocks of "<payload>" groups joined by `0.1`, in one event command.
QByteArray expectedFile(bool start, const QByteArray &text)
{
    QByteArrayList groups;
    for (char block = '0'; block <= '7'; ++block) {
        const QByteArray mark = QByteArray("\x01") + block;
        if (start)
            groups << mark + "@stop crawl;" << mark << "@crawl position,40;" << "@Fast;"
                   << "@begin,250;" << text + "@end;" << "@show,250,1;";
        else
            groups << mark << "@stop crawl;";
    }
    return "Time=12/04/2026 05:11:09 PM\r\nMessage=@INSTANT_EVENT_COMMAND,$Event,8,N,9600,N,8,1,\"<" + groups.join(">`0.1`<") + ">\"\r\n";
}

} // namespace

class tst_Kite7Crawl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void cleanupTestCase() { curl_global_cleanup(); }
    void startAndStop_data();
    void startAndStop();
};

void tst_Kite7Crawl::startAndStop_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("address"); // %1: the running player's
    QTest::addColumn<QString>("text"); // typed into the editor
    QTest::addColumn<QString>("password"); // typed and entered; empty: Cancel; "-": the dialog must not show
    QTest::addColumn<QByteArray>("received"); // on the player; empty: nothing
    QTest::addColumn<QStringList>("messages"); // "Error creating": a folder stands where Instant.txt goes

    const QString start = QStringLiteral("btnKite7InstCrawl");
    const QString stop = QStringLiteral("btnKite7StopCrawl");
    const QString sent = QStringLiteral("i Successfully sent out Kite-7 instant crawl.");
    const QString noAddress = QStringLiteral("i Please enter an IP address.");
    const QByteArray none;
    QTest::newRow("start") << start << "  %1  " << "WELCOME" << "Secret" << expectedFile(true, "WELCOME") << QStringList{sent};
    QTest::newRow("two lines") << start << "%1" << "FIRST\rSECOND" << "Secret" << expectedFile(true, "FIRST\x14\nSECOND")
                               << QStringList{sent};
    QTest::newRow("stop, no text needed") << stop << " %1 " << "" << "Secret" << expectedFile(false, "")
                                          << QStringList{"i Successfully sent out Kite-7 Stop Crawl Instant.txt file."};
    QTest::newRow("blank text") << start << "%1" << "   " << "-" << none
        << QStringList{"i Please enter a message or load an instant crawl before start Kite-7 instant crawl."};
    QTest::newRow("start, no address") << start << "   " << "WELCOME" << "-" << none << QStringList{noAddress};
    QTest::newRow("stop, no address") << stop << "" << "WELCOME" << "-" << none << QStringList{noAddress};
    QTest::newRow("cancelled") << start << "%1" << "WELCOME" << "" << none << QStringList{};
    QTest::newRow("start file unwritable") << start << "%1" << "WELCOME" << "Secret" << none
                                           << QStringList{"e Error creating Kite-7 Instant.txt file."};
    QTest::newRow("stop file unwritable") << stop << "%1" << "WELCOME" << "Secret" << none
                                          << QStringList{"e Error creating Kite-7 Stop Crawl Instant.txt file."};
}

void tst_Kite7Crawl::startAndStop()
{
    QFETCH(QString, button);
    QFETCH(QString, address);
    QFETCH(QString, text);
    QFETCH(QString, password);
    QFETCH(QByteArray, received);
    QFETCH(QStringList, messages);
    FtpTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    test::MainWindowFixture w;
    QVERIFY(!w.error);
    test::writeAll(w.dirs->winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
    w.showActive();
    w.setText("cboIPAddress", address.replace("%1", server.host()));
    w.editor->setFocus();
    QTest::keyClicks(w.editor, text); // "\r" is the Enter key
    if (messages.join(u'|').contains("Error creating"))
        QVERIFY(QDir().mkpath(w.state.strInstantFile));

    // As chosen in the dialog before; its own tests show how a choice is kept.
    w.state.strKite7ComPort = "8";
    w.state.strKite7Speed = "Fast";
    w.state.strKite7Position = "40";
    w.state.strKite7Repeat = "1";
    frmKite7 dialog(w.state, w.dialogs, w.text("cboIPAddress"),
                    [] { return QDateTime(QDate(2026, 12, 4), QTime(17, 11, 9)); }, w.window.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    bool asked = false, looked = false;
    test::whenModal([&](QWidget *modal) {
        looked = true;
        if (!(asked = modal && modal->objectName() == u"frmPassword"))
            return;
        if (password.isEmpty())
            return QTest::mouseClick(modal->findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
        QTest::keyClicks(modal->findChild<QWidget *>("txtPassword"), password + "\r");
    });
    QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    QTRY_VERIFY(looked);
    QCOMPARE(asked, password != u"-");
    QCOMPARE(test::said(w.dialogs), messages);
    QVERIFY(dialog.isVisible());
    QCOMPARE(server.count("received"), received.isEmpty() ? 0 : 1); // with blanks around the address too
    QCOMPARE(test::readAll(server.root() + "/settings/Instant.txt"), received);
}

QTEST_MAIN(tst_Kite7Crawl)
#include "tst_kite7crawl.moc"
