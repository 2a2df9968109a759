#include "MainWindowFixture.h"

#include <QCheckBox>

using namespace qvic;
using Window = test::MainWindowFixture;

class TestCrawlDocument : public QObject
{
    Q_OBJECT

private slots:
    // What the operator set reaches the two files and comes back in a new window; how each
    // setting is written and read is the settings' test, how text looks the RTF one.
    void roundTrip()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("Big red"));
        w.select(6, 7);
        w.choose("fontColorList", QStringLiteral("Red"));
        w.choose("fontSizeList", QStringLiteral("48"));
        w.setText("dwellBox", "60");
        w.setText("transparencyBox", "25");
        w.setText("speedList", "-2");
        w.setText("locationBox", "120");
        w.choose("backgroundList", QStringLiteral("Red"));
        w.tick("transparentBox");
        w.saveAs(QStringLiteral("Big.rtf"));
        const QByteArray saved = test::readAll(w.rtf(QStringLiteral("Big.rtf")));
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.inst"))), "3600,0x0000FF,0.25,-2,0.2000,255\r\n");
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - Big.rtf");
        QVERIFY(!w.state.modified);

        Window next;
        next.state.crawlFolder = w.state.crawlFolder;
        next.open(QStringLiteral("Big.rtf"));
        QVERIFY(!next.state.modified);
        QCOMPARE(next.state.currentFileName, "Big.rtf");
        QCOMPARE(next.state.kite7Message, "Big red");
        QCOMPARE(next.text("dwellBox"), "60");
        QCOMPARE(next.text("transparencyBox"), "25");
        QCOMPARE(next.text("speedList"), "-2");
        QCOMPARE(next.text("locationBox"), "120");
        QCOMPARE(next.text("backgroundList"), "0000FF");
        QCOMPARE(next.find<QComboBox>("backgroundList")->currentIndex(), -1);
        QCOMPARE(next.text("colorKeyBox"), "0000FF");
        QVERIFY(next.find<QCheckBox>("transparentBox")->isChecked());
        // The font lists show the look at the caret, then of the selection.
        QCOMPARE(next.text("fontColorList"), "White");
        QCOMPARE(next.text("fontSizeList"), "30");
        next.select(6, 7);
        QCOMPARE(next.text("fontColorList"), "Red");
        QCOMPARE(next.text("fontSizeList"), "48");

        next.saveAs(QStringLiteral("Big.rtf"), true);
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.rtf"))), saved);
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.inst"))), "3600,0x0000FF,0.25,-2,0.2000,255\r\n");
    }

    // A crawl without its settings file keeps the settings only the window holds, so it opens
    // modified and a start saves them first; the colour key comes from the background. How each
    // setting is read from a file is the settings' test.
    void crawlWithoutSettingsFileOpensModified()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("x"));
        w.saveAs(QStringLiteral("Crawl.rtf"));
        QVERIFY(QFile::remove(w.rtf(QStringLiteral("Crawl.inst"))));
        w.tick("transparentBox");

        w.open(QStringLiteral("Crawl.rtf"));

        QVERIFY(w.state.modified);
        QVERIFY(w.find<QCheckBox>("transparentBox")->isChecked());
        QCOMPARE(w.text("colorKeyBox"), "000000");
        w.saveAs(QStringLiteral("Again.rtf"));
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Again.inst"))), "3600,0x000000,0.00,,0.0000,0\r\n");
    }

    // A failed write is told, naming the file, and leaves the crawl's name and title alone.
    void failedSaveChangesNothing()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("first"));
        w.saveAs(QStringLiteral("Other.rtf"));
        QTest::keyClicks(w.editor, QStringLiteral(" more"));
        QDir().mkpath(w.rtf(QStringLiteral("Blocked.rtf")));
        w.dialogs.said.clear();

        w.saveAs(QStringLiteral("Blocked.rtf"), true);

        QCOMPARE(w.dialogs.said.size(), 2); // the overwrite question, then the failure
        const QString failure = w.dialogs.said.last();
        QVERIFY2(failure.contains(w.rtf(QStringLiteral("Blocked.rtf"))), qPrintable(failure));
        QCOMPARE(w.window->windowTitle(), "QV Instant Crawl - Other.rtf");
        QCOMPARE(w.state.currentFileName, "Other.rtf");
        QVERIFY(w.state.modified);
    }

    // A document the RTF reader refuses is told, naming it, and the crawl the operator had is
    // kept. (What the stored-file readers refuse before is the platform's matter.)
    void unreadableDocumentChangesNothing()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("keep me"));
        test::writeAll(w.rtf(QStringLiteral("Broken.rtf")), "not rich text");
        test::writeAll(w.rtf(QStringLiteral("Broken.inst")), "1,none,0.5,8,0.5,255\r\n");

        w.open(QStringLiteral("Broken.rtf"));

        QCOMPARE(w.dialogs.said.size(), 1);
        const QString said = w.dialogs.said[0];
        QVERIFY2(said.contains(w.rtf(QStringLiteral("Broken.rtf: "))), qPrintable(said));
        QCOMPARE(w.editor->toPlainText(), "keep me");
        QCOMPARE(w.text("dwellBox"), "60");
        QCOMPARE(w.state.currentFileName, "Untitled");
        QVERIFY(w.state.modified);
    }
};

QTEST_MAIN(TestCrawlDocument)
#include "tst_crawldocument.moc"
