#include "MainWindowFixture.h"


using namespace qvic;

namespace {

struct Window : test::MainWindowFixture
{
    Window() { showActive(); }

    // The styles of the character typed at position, in words: "bold", "italic underline", "".
    QString styles(int position) const
    {
        const QTextCharFormat format = formatAt(position);
        QStringList words;
        if (format.fontWeight() == QFont::Bold)
            words << "bold";
        if (format.fontItalic())
            words << "italic";
        if (format.fontUnderline())
            words << "underline";
        return words.join(u' ');
    }
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
        QTest::newRow("Delete one by one")
            << "ab" << QStringList{"Home", "Delete", "Delete"};
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
            else if (step == "Home")
                QTest::keyClick(w.editor, Qt::Key_Home);
            else if (step == "Delete") // as a keyboard sends it: with the text DEL
                test::typeKeys(w.editor, QStringLiteral("\x7f"));
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

    // The style buttons are modes: the caret's next move applies them.
    void styleModeTakesEffectAtNextSelectionChange()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("xy"));
        w.click("boldButton");
        w.click("italicButton");
        w.click("underlineButton");
        QTRY_VERIFY(w.editor->hasFocus());

        QTest::keyClicks(w.editor, QStringLiteral("abc"));

        QCOMPARE(w.styles(1), "bold");
        QCOMPARE(w.styles(2), "bold"); // "a" keeps the former style
        QCOMPARE(w.styles(3), "italic underline");
        QCOMPARE(w.styles(4), "italic underline");
        w.select(0, 2); // selecting a range applies the mode to it
        QCOMPARE(w.styles(0), "italic underline");
    }

    void typedFontSizeAppliesNothingEvenWithEnter()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("abc"));
        w.select(0, 3);
        w.choose("fontSizeList", QStringLiteral("12"));
        QLineEdit *size = w.find<QComboBox>("fontSizeList")->lineEdit();
        size->selectAll();
        QTest::keyClicks(size, QStringLiteral("48\r"));
        QCOMPARE(w.formatAt(0).fontPointSize(), 12.0);
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
