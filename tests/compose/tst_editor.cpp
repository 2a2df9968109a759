#include "MainWindowFixture.h"


using namespace qvic;

namespace {

struct Window : test::MainWindowFixture
{
    Window() { showActive(); }
};

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void typingTakesTheListsLook_data()
    {
        QTest::addColumn<QString>("before"); // typed first
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("at start-up")
            << "" << QStringList();
        QTest::newRow("select all, Backspace, click")
            << "gone" << QStringList{"Ctrl+A", "Backspace", "click the text"};
    }

    // Whenever the editor is empty, what is typed next looks as the lists show (white Times New
    // Roman 30 on black, bold by the mode), up to the saved file: Qt's text edit would otherwise
    // fall back to its own format once emptied.
    void typingTakesTheListsLook()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, steps);
        Window w;
        QTRY_VERIFY(w.editor->hasFocus());
        QTest::keyClicks(w.editor, before);
        for (const QString &step : steps) {
            if (step == "click the text")
                QTest::mouseClick(w.editor->viewport(), Qt::LeftButton, {}, QPoint(60, 12));
            else if (step == "Ctrl+A")
                QTest::keyClick(w.editor, Qt::Key_A, Qt::ControlModifier);
            else if (step == "Backspace")
                QTest::keyClick(w.editor, Qt::Key_Backspace);
        }
        QCOMPARE(w.editor->toPlainText(), QString());

        QTest::keyClicks(w.editor, QStringLiteral("Hi all"));
        w.saveAs(QStringLiteral("Look.rtf"));

        // White, 30 points (fs60), bold, Times New Roman.
        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Look.rtf"))),
                 "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                 "{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\n"
                 "{\\colortbl;\\red255\\green255\\blue255;}\n"
                 "\\pard\\f0\\fs60\\cf1\\b Hi all\\par\n"
                 "}\n");
        QCOMPARE(w.text("fontSizeList"), "30");
        QCOMPARE(w.text("fontColorList"), "White");
    }

    void typedCharacterFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("33 to 38") << "a!\"#$%&b" << "ab";
        QTest::newRow("59 to 64 but 61") << "a;<=>?@b" << "a=b";
        QTest::newRow("passed") << "It's 5.30/6: A=1" << "It's 5.30/6: A=1";
        QTest::newRow("beyond ASCII") << "café" << "café";
    }

    // What the editor keeps of typed keys is the crawl and the Kite-7 text; Delete at the end
    // deletes nothing and types nothing, Enter breaks the line.
    void typedCharacterFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        Window w;
        test::typeKeys(w.editor, typed + QStringLiteral("\x7f\rz"));
        QCOMPARE(w.editor->toPlainText(), kept + QStringLiteral("\nz"));
        QCOMPARE(w.state.kite7Message, kept + QStringLiteral("\r\nz"));
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
