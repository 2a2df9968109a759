#include "MainWindowFixture.h"

#include <QCheckBox>

using namespace qvic;
using Window = test::MainWindowFixture;

class TestCrawlDocument : public QObject
{
    Q_OBJECT

private slots:
    // What the operator set reaches the two files and comes back in a new window; how
    // each setting is written and read is the settings' test, how text looks the RTF one.
    void roundTrip()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("Big red"));
        w.select(6, 7);
        w.choose("fontColorList", QStringLiteral("Red"));
        w.choose("fontSizeList", QStringLiteral("48"));
        for (const auto &[box, typed] : {std::pair{"dwellBox", "60"}, {"transparencyBox", "25"}, {"speedList", "-2"}, {"locationBox", "120"}})
            w.setText(box, typed);
        w.choose("backgroundList", QStringLiteral("Red"));
        w.tick("transparentBox");
        w.saveAs(QStringLiteral("Big.rtf"));
        const QByteArray saved = test::readAll(w.rtf(QStringLiteral("Big.rtf")));
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.inst"))), "3600,0x0000FF,0.25,-2,0.2000,255\r\n");
        QCOMPARE(w.window->windowTitle(), QStringLiteral("QV Instant Crawl - Big.rtf"));
        QVERIFY(!w.state.modified);

        Window next;
        next.state.crawlFolder = w.state.crawlFolder;
        next.open(QStringLiteral("Big.rtf"));
        QVERIFY(!next.state.modified);
        const auto shown = [&] { return next.texts({"dwellBox", "transparencyBox", "speedList", "locationBox", "backgroundList", "colorKeyBox",
                                                    "fontColorList", "fontSizeList"}); };
        QCOMPARE(shown(), QStringLiteral("60 25 -2 120 0000FF 0000FF White 30")); // the font lists at the caret
        next.select(6, 7);
        QCOMPARE(shown(), QStringLiteral("60 25 -2 120 0000FF 0000FF Red 48"));
        QCOMPARE(next.state.kite7Message + u' ' + next.state.currentFileName, QStringLiteral("Big red Big.rtf"));
        QVERIFY(next.find<QComboBox>("backgroundList")->currentIndex() == -1 && next.find<QCheckBox>("transparentBox")->isChecked());
        // Saved again unchanged: the same bytes.
        next.saveAs(QStringLiteral("Big.rtf"), true);
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.rtf"))), saved);
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.inst"))), "3600,0x0000FF,0.25,-2,0.2000,255\r\n");
    }

    void loadsKeyFields_data()
    {
        // settings: "-" for no settings file; ticked: before and after
        test::columns<QByteArray, bool, QString, QByteArray>("settings", "ticked", "key", "savedAgain");
        QTest::newRow("0x prefix never doubled")
            << QByteArray("60,0x00FF00,0.5,2,0.5,65280\r\n") << true << "00FF00" << QByteArray("60,0x00FF00,0.50,2,0.5000,65280\r\n");
        QTest::newRow("no settings file, box ticked before: key from the background")
            << QByteArray("-") << true << "000000" << QByteArray("3600,0x000000,0.00,,0.0000,0\r\n");
        QTest::newRow("three-character transparency shown whole")
            << QByteArray("60,none,0.125,2,0.5,0\r\n") << false << "none" << QByteArray("60,none,0.13,2,0.5000,0\r\n");
    }

    void loadsKeyFields()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, ticked);
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("x"));
        w.saveAs(QStringLiteral("Crawl.rtf"));
        QFile::remove(w.rtf(QStringLiteral("Crawl.inst")));
        if (settings != "-")
            test::writeAll(w.rtf(QStringLiteral("Crawl.inst")), settings);
        w.find<QCheckBox>("transparentBox")->setChecked(ticked);
        w.open(QStringLiteral("Crawl.rtf"));
        // Settings only the window holds make the crawl modified: a start saves them first.
        QCOMPARE(w.state.modified, settings == "-");
        QCOMPARE(w.find<QCheckBox>("transparentBox")->isChecked(), ticked);
        QTEST(w.text("colorKeyBox"), "key");
        w.saveAs(QStringLiteral("Again.rtf"));
        QTEST(test::readAll(w.rtf(QStringLiteral("Again.inst"))), "savedAgain");
    }

    void saveAsksBeforeOverwriting()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("first"));
        w.saveAs(QStringLiteral("Notice")); // no extension added: the settings file is Notinst
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Notinst"))).left(4), QByteArray("3600"));
        const QByteArray saved = test::readAll(w.rtf(QStringLiteral("Notice")));
        QVERIFY(!saved.isEmpty());

        QTest::keyClicks(w.editor, QStringLiteral(" more"));
        w.state.currentFileName = QStringLiteral("Other.rtf"); // as if another document were open
        w.window->setWindowTitle(QStringLiteral("QV Instant Crawl - Other.rtf"));
        w.saveAs(QStringLiteral("Notice"), false);
        QCOMPARE(w.dialogs.said, QStringList{"q The file already exists. Do you want to overwrite it?"});
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Notice"))), saved);

        w.dialogs.fileAnswers.clear(); // a cancelled dialog changes nothing either
        w.click("saveButton");
        w.click("loadButton");
        QCOMPARE(w.dialogs.fileRequests.last(), (QStringList{"Load Instant Crawl", w.state.crawlFolder, "RTF Files (*.rtf)"}));
        QDir().mkpath(w.rtf(QStringLiteral("Blocked.rtf"))); // nor does a failed write, which is told
        w.saveAs(QStringLiteral("Blocked.rtf"), true);
        QVERIFY(w.dialogs.said.size() == 3 && w.dialogs.said.last().contains(w.rtf(QStringLiteral("Blocked.rtf"))));
        QCOMPARE(w.window->windowTitle() + u' ' + w.state.currentFileName, QStringLiteral("QV Instant Crawl - Other.rtf Other.rtf"));
        QVERIFY(w.state.modified);
    }

    void unnamedColourShowsCustomColor()
    {
        Window w;
        test::writeAll(w.rtf(QStringLiteral("Teal.rtf")), "{\\rtf1\\ansi{\\colortbl;\\red0\\green128\\blue128;}\\cf1 Teal\\cf0  auto}");
        w.open(QStringLiteral("Teal.rtf"));
        QCOMPARE(w.text("fontColorList"), QStringLiteral("Custom Color"));
        QVERIFY(w.dialogs.colorAnswers.isEmpty() && w.dialogs.said.isEmpty());
        QCOMPARE(w.editor->toPlainText(), QStringLiteral("Teal auto"));
        QCOMPARE(w.formatAt(6).foreground(), QBrush(Qt::black)); // the automatic colour, as the players show it
    }

    void unreadableDocumentChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("what"); // what lies in the document's place (test::writeAll)
        QTest::addColumn<QString>("why");
        QTest::newRow("not rich text") << QByteArray("not rich text") << "";
        QTest::newRow("FIFO") << QByteArray("fifo") << "it is not a regular file.";
        QTest::newRow("17 MB") << QByteArray("17 MB") << "it is larger than 16 MB.";
    }

    void unreadableDocumentChangesNothing()
    {
        QFETCH(QByteArray, what);
        QFETCH(QString, why);
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("keep me"));
        test::writeAll(w.rtf(QStringLiteral("Broken.rtf")), what);
        test::writeAll(w.rtf(QStringLiteral("Broken.inst")), "1,none,0.5,8,0.5,255\r\n");
        w.open(QStringLiteral("Broken.rtf"));
        QVERIFY2(w.dialogs.said.size() == 1 && w.dialogs.said[0].contains(w.rtf(QStringLiteral("Broken.rtf: ")) + why), qPrintable(w.dialogs.said.join(u'|')));
        QCOMPARE(w.editor->toPlainText() + u' ' + w.text("dwellBox"), QStringLiteral("keep me 60"));
        QCOMPARE(w.state.currentFileName, QStringLiteral("Untitled"));
        QVERIFY(w.state.modified);
    }
};

QTEST_MAIN(TestCrawlDocument)
#include "tst_crawldocument.moc"
