#include "MainWindowFixture.h"

#include "alerts/AlertCrawl.h"
#include "alerts/CapAlert.h"
#include "alerts/AlertLooks.h"
#include "compose/ColorValue.h"

using namespace qvic;
using namespace qvic::test;

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(QVIC_TEST_DATA_DIR "/cap/") + name;
}

// 09:00 at the weather office, six hours behind UTC: the tornado warning's own sending time.
const QDateTime kNow(QDate(2026, 12, 7), QTime(15, 0), Qt::UTC);

} // namespace

// File > Load Alert... fills the editor and the six settings from a CAP file, for the operator
// to look at, change and send as any new crawl.
class tst_LoadAlert : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_window = std::make_unique<MainWindowFixture>();
        m_window->window->setClock([] { return kNow; });
        m_window->showActive();
    }

    void alertBecomesTheCrawlInItsLook()
    {
        MainWindowFixture &w = *m_window;
        w.dialogs.fileAnswers = {sample("tornado-warning.xml")};
        loadAlertFromMenu();

        QCOMPARE(w.editor->toPlainText(),
                 "Tornado Warning for Green County until 9:45 AM: A tornado was sighted near Elm Creek, moving east "
                 "at 30 mph. Take shelter now in an interior room on the lowest floor.");
        const QTextCharFormat format = w.formatAt(0);
        QCOMPARE(format.foreground().color(), QColor(Qt::white));
        QCOMPARE(format.fontWeight(), int(QFont::Bold));
        QCOMPARE(w.text("dwellBox"), "45"); // until the alert expires at 9:45
        QCOMPARE(w.editor->backColor(), 0x0000FFu); // red, 0x00BBGGRR
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - UNTITLED");
        QCOMPARE(w.dialogs.said, QStringList());

        // Saved as the operator saves any crawl: the document is the alert's crawl, byte for byte.
        w.saveAs("Tornado.rtf");
        const auto read = readCapDocument(readAll(sample("tornado-warning.xml")));
        const CapInfo &info = std::get<CapDocument>(read).alerts.first().infos.first();
        const auto crawl = alertCrawl(info, AlertLooks().lookFor(CapSeverity::Extreme), kNow);
        QCOMPARE(readAll(w.rtf("Tornado.rtf")), std::get<AlertCrawl>(crawl).document);
        QCOMPARE(readAll(w.rtf("Tornado.inst")), QByteArray("2700,none,0.00,3,0.0000,255\r\n"));
    }

    void feedOffersItsAlertsToChooseFrom()
    {
        MainWindowFixture &w = *m_window;
        w.dialogs.fileAnswers = {sample("campus-feed.xml")};
        w.dialogs.itemAnswers = {1};
        loadAlertFromMenu();

        QCOMPARE(w.dialogs.itemRequests.size(), 1);
        QCOMPARE(w.dialogs.itemRequests.first(),
                 QStringList({"Load Alert",
                              "The file holds 2 alerts to show.\nThe Alert campus-103 holds no text to show.\nLoad:",
                              "The library is closed today: Minor, Alert, sent 2026-12-07 08:00 -05:00",
                              "Ice on the walkways by the quad: Moderate, Alert, sent 2026-12-07 08:10 -05:00"}));
        QCOMPARE(w.editor->toPlainText(), "Ice on the walkways by the quad");
        QCOMPARE(w.formatAt(0).foreground().color(), QColor(Qt::black)); // black on amber
        QCOMPARE(w.editor->backColor(), color::fromQColor(QColor(0xFF, 0xBF, 0x00)));
    }

    void fileThatGivesNoCrawlChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("words");

        QTest::newRow("not XML") << QByteArray("Tornado!") << "alert.xml: ";
        QTest::newRow("a feed without alerts") << readAll(sample("empty-feed.xml")) << "alert.xml: It holds no alert.";
        QTest::newRow("an entity bomb")
            << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">]><alert>&lol;</alert>")
            << "alert.xml: ";
    }

    void fileThatGivesNoCrawlChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, words);
        MainWindowFixture &w = *m_window;
        QTest::keyClicks(w.editor, "Fire drill at noon");
        const QString file = w.dirs->root.path() + QStringLiteral("/alert.xml");
        writeAll(file, bytes);
        w.dialogs.fileAnswers = {file};
        loadAlertFromMenu();

        QCOMPARE(w.dialogs.said.size(), 1);
        QVERIFY2(w.dialogs.said.first().startsWith("e The alert could not be loaded.\n" + words),
                 qPrintable(w.dialogs.said.first()));
        QCOMPARE(w.editor->toPlainText(), "Fire drill at noon");
        QCOMPARE(w.text("dwellBox"), "60");
    }

private:
    // The operator clicks File on the menu bar and presses A, for "Load Alert...".
    void loadAlertFromMenu()
    {
        QVERIFY(m_window->chooseFromFileMenu(Qt::Key_A));
        QVERIFY(QTest::qWaitFor([&] { return !m_window->find<QMenu>("fileMenu")->isVisible(); }));
        QCoreApplication::processEvents(); // the menu's action runs once the menu has closed
    }

    std::unique_ptr<MainWindowFixture> m_window;
};

QTEST_MAIN(tst_LoadAlert)
#include "tst_loadalert.moc"
