#include "MainWindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace qvic;

namespace {

struct Window : test::MainWindowFixture
{
    using MainWindowFixture::MainWindowFixture;
    // The operator answers the save dialog with a file name and saves.
    void saveAs(const QString &name, std::optional<bool> overwrite = std::nullopt)
    {
        dialogs.fileAnswers = {rtf(name)};
        if (overwrite)
            dialogs.yesNoAnswers = {*overwrite};
        click("btnSave");
    }
    void open(const QString &name)
    {
        dialogs.fileAnswers = {rtf(name)};
        click("btnOpen");
    }
};

} // namespace

class TestCrawlDocument : public QObject
{
    Q_OBJECT

private slots:
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void loadsKeyFields_data();
    void loadsKeyFields();
    void saveAsksBeforeOverwriting();
    void documentRoundTripKeepsTextAndFormat();
    void unnamedColourShowsCustomColor();
    void failedWriteIsReportedAndChangesNothing();
    void unreadableDocumentChangesNothing_data();
    void unreadableDocumentChangesNothing();
};

void TestCrawlDocument::settingsRoundTrip_data()
{
    QTest::addColumn<QStringList>("typed"); // dwell, transparency, speed, location, background
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("loaded");

    QTest::newRow("worked example")
        << QStringList{"60", "25", "3", "120", "Black"} << true
        << QByteArray("3600,0x000000,0.25,3,0.2000,0\r\n")
        << QStringList{"60", "25", "3", "120", "000000"};
    QTest::newRow("out of range, word as speed")
        << QStringList{"1.5", "150", "fast", "700", "White"} << false
        << QByteArray("90,none,0.0,fast,1.0,16777215\r\n")
        << QStringList{"1.5", "0", "fast", "600", "FFFFFF"};
}

void TestCrawlDocument::settingsRoundTrip()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, transparent);
    QFETCH(QByteArray, line);
    QFETCH(QStringList, loaded);
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("Lobby"));
    w.setText("txtDwell", typed[0]);
    w.setText("txtTransparency", typed[1]);
    w.setText("cboSpeed", typed[2]);
    w.setText("txtLocation", typed[3]);
    w.choose("cmbBgColor", typed[4]);
    w.find<QCheckBox>("chkBgTrans")->setChecked(transparent);
    w.saveAs(QStringLiteral("Lobby.rtf"));
    QCOMPARE(test::readAll(w.rtf(QStringLiteral("Lobby.inst"))), line);
    QCOMPARE(w.window->windowTitle(), QStringLiteral("QV Instant Crawl - Lobby.rtf"));
    QVERIFY(!w.state.blnModified);

    Window next;
    next.state.strRtfFolder = w.state.strRtfFolder;
    next.open(QStringLiteral("Lobby.rtf"));
    QCOMPARE(next.editor->toPlainText(), QStringLiteral("Lobby"));
    QCOMPARE(next.text("txtDwell"), loaded[0]);
    QCOMPARE(next.text("txtTransparency"), loaded[1]);
    QCOMPARE(next.text("cboSpeed"), loaded[2]);
    QCOMPARE(next.text("txtLocation"), loaded[3]);
    QCOMPARE(next.text("cmbBgColor"), loaded[4]);
    QCOMPARE(next.find<QComboBox>("cmbBgColor")->currentIndex(), -1);
    QCOMPARE(next.find<QCheckBox>("chkBgTrans")->isChecked(), transparent);
    QCOMPARE(next.state.strCurFileName, QStringLiteral("Lobby.rtf"));
    QVERIFY(!next.state.blnModified);

    // Saved again unchanged, in-range settings give the same bytes.
    next.saveAs(QStringLiteral("Lobby.rtf"), true);
    if (transparent)
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Lobby.inst"))), line);
}

void TestCrawlDocument::loadsKeyFields_data()
{
    QTest::addColumn<QByteArray>("settings"); // "-" for no settings file
    QTest::addColumn<bool>("tickedBefore");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("savedAgain");

    QTest::newRow("0x prefix never doubled")
        << QByteArray("60,0x00FF00,0.5,2,0.5,65280\r\n") << true << true << "00FF00"
        << QByteArray("60,0x00FF00,0.50,2,0.5000,65280\r\n");
    QTest::newRow("no settings file, box ticked before: key from the background")
        << QByteArray("-") << true << true << "000000"
        << QByteArray("3600,0x000000,0.00,,0.0000,0\r\n");
    QTest::newRow("three-character transparency shown whole")
        << QByteArray("60,none,0.125,2,0.5,0\r\n") << false << false << "none"
        << QByteArray("60,none,0.13,2,0.5000,0\r\n");
}

void TestCrawlDocument::loadsKeyFields()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, tickedBefore);
    QFETCH(bool, ticked);
    QFETCH(QString, key);
    QFETCH(QByteArray, savedAgain);
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("x"));
    w.saveAs(QStringLiteral("Crawl.rtf"));
    if (settings == "-")
        QFile::remove(w.rtf(QStringLiteral("Crawl.inst")));
    else
        test::writeAll(w.rtf(QStringLiteral("Crawl.inst")), settings);
    w.find<QCheckBox>("chkBgTrans")->setChecked(tickedBefore);
    w.open(QStringLiteral("Crawl.rtf"));
    // Settings only the window holds make the crawl modified: a start saves them first.
    QCOMPARE(w.state.blnModified, settings == "-");
    QCOMPARE(w.find<QCheckBox>("chkBgTrans")->isChecked(), ticked);
    QCOMPARE(w.text("txtColorKey"), key);
    w.saveAs(QStringLiteral("Again.rtf"));
    QCOMPARE(test::readAll(w.rtf(QStringLiteral("Again.inst"))), savedAgain);
}

void TestCrawlDocument::saveAsksBeforeOverwriting()
{
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("first"));
    w.saveAs(QStringLiteral("Notice")); // no extension added: the settings file is Notinst
    QVERIFY(QFileInfo::exists(w.rtf(QStringLiteral("Notice"))));
    QCOMPARE(test::readAll(w.rtf(QStringLiteral("Notinst"))).left(4), QByteArray("3600"));
    const QByteArray saved = test::readAll(w.rtf(QStringLiteral("Notice")));

    QTest::keyClicks(w.editor, QStringLiteral(" more"));
    w.state.strCurFileName = QStringLiteral("Other.rtf"); // as if another document were open
    w.window->setWindowTitle(QStringLiteral("QV Instant Crawl - Other.rtf"));
    w.saveAs(QStringLiteral("Notice"), false);
    QCOMPARE(w.dialogs.texts(),
             QStringList{"The file already exists. Do you want to overwrite it?"});
    QCOMPARE(test::readAll(w.rtf(QStringLiteral("Notice"))), saved);
    QCOMPARE(w.window->windowTitle(), QStringLiteral("QV Instant Crawl - Other.rtf"));
    QVERIFY(w.state.blnModified);

    w.dialogs.fileAnswers.clear(); // a cancelled dialog changes nothing either
    w.click("btnSave");
    w.click("btnOpen");
    QCOMPARE(w.dialogs.fileRequests.last(),
             (QStringList{"Load Instant Crawl", w.state.strRtfFolder, "RTF Files (*.rtf)"}));
    QCOMPARE(w.state.strCurFileName, QStringLiteral("Other.rtf"));
}

void TestCrawlDocument::documentRoundTripKeepsTextAndFormat()
{
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("Big red"));
    w.editor->moveCursor(QTextCursor::End);
    w.editor->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
    w.choose("cmbFontColor", QStringLiteral("Red"));
    w.choose("cmbFontSize", QStringLiteral("48"));
    w.saveAs(QStringLiteral("Big.rtf"));
    const QByteArray saved = test::readAll(w.rtf(QStringLiteral("Big.rtf")));
    QVERIFY(saved.startsWith("{\\rtf1\\ansi\\ansicpg1252"));

    Window next;
    next.state.strRtfFolder = w.state.strRtfFolder;
    next.open(QStringLiteral("Big.rtf"));
    QCOMPARE(next.state.strKite7Message, QStringLiteral("Big red"));
    QCOMPARE(next.text("cmbFontColor"), QStringLiteral("White")); // at the insertion point
    QCOMPARE(next.text("cmbFontSize"), QStringLiteral("30"));
    next.editor->moveCursor(QTextCursor::End);
    next.editor->moveCursor(QTextCursor::Left, QTextCursor::KeepAnchor);
    QCOMPARE(next.text("cmbFontColor"), QStringLiteral("Red"));
    QCOMPARE(next.text("cmbFontSize"), QStringLiteral("48"));
    next.saveAs(QStringLiteral("Big.rtf"), true);
    QCOMPARE(test::readAll(w.rtf(QStringLiteral("Big.rtf"))), saved);
}

void TestCrawlDocument::unnamedColourShowsCustomColor()
{
    Window w;
    test::writeAll(w.rtf(QStringLiteral("Teal.rtf")),
                   "{\\rtf1\\ansi{\\colortbl;\\red0\\green128\\blue128;}\\cf1 Teal\\cf0  auto}");
    w.open(QStringLiteral("Teal.rtf"));
    QCOMPARE(w.text("cmbFontColor"), QStringLiteral("Custom Color"));
    QVERIFY(w.dialogs.colorAnswers.isEmpty() && w.dialogs.messages.isEmpty());
    QCOMPARE(w.editor->toPlainText(), QStringLiteral("Teal auto"));
    // The automatic colour shows as the players show it.
    QCOMPARE(w.formatAt(6).foreground(), QBrush(Qt::black));
}

void TestCrawlDocument::failedWriteIsReportedAndChangesNothing()
{
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("x"));
    QDir().mkpath(w.rtf(QStringLiteral("Blocked.rtf"))); // a folder where the file belongs
    w.saveAs(QStringLiteral("Blocked.rtf"), true);
    QCOMPARE(w.dialogs.messages.size(), 2);
    QVERIFY(w.dialogs.messages.last().text.contains(w.rtf(QStringLiteral("Blocked.rtf"))));
    QCOMPARE(w.state.strCurFileName, QStringLiteral("Untitled"));
    QCOMPARE(w.window->windowTitle(), QStringLiteral("QV Instant Crawl - UNTITLED"));
    QVERIFY(w.state.blnModified);
}

void TestCrawlDocument::unreadableDocumentChangesNothing_data()
{
    QTest::addColumn<QString>("what"); // what lies in the document's place (test::layInPlace)
    QTest::addColumn<QString>("why");
    QTest::newRow("not rich text") << "not rich text" << "";
    QTest::newRow("FIFO") << "fifo" << "it is not a regular file.";
    QTest::newRow("17 MB") << "17 MB" << "it is larger than 16 MB.";
}

void TestCrawlDocument::unreadableDocumentChangesNothing()
{
    QFETCH(QString, what);
    QFETCH(QString, why);
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("keep me"));
    test::layInPlace(w.rtf(QStringLiteral("Broken.rtf")), what);
    test::writeAll(w.rtf(QStringLiteral("Broken.inst")), "1,none,0.5,8,0.5,255\r\n");
    w.open(QStringLiteral("Broken.rtf"));
    QCOMPARE(w.dialogs.messages.size(), 1);
    QVERIFY(w.dialogs.messages[0].text.contains(w.rtf(QStringLiteral("Broken.rtf: ")) + why));
    QCOMPARE(w.editor->toPlainText(), QStringLiteral("keep me"));
    QCOMPARE(w.text("txtDwell"), QStringLiteral("60"));
    QCOMPARE(w.state.strCurFileName, QStringLiteral("Untitled"));
    QVERIFY(w.state.blnModified);
}

QTEST_MAIN(TestCrawlDocument)
#include "tst_crawldocument.moc"
