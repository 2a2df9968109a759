#include "MainWindowFixture.h"

#include <QCheckBox>

using namespace qvic;
using Window = test::MainWindowFixture;

class TestCrawlDocument : public QObject
{
    Q_OBJECT

private slots:
    // What the operator set reaches the two files, the settings file byte for byte, and comes
    // back in a new window; how text looks is the RTF test's matter.
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

};

QTEST_MAIN(TestCrawlDocument)
#include "tst_crawldocument.moc"
