#include "MainWindowFixture.h"

#include <QClipboard>
#include <QMimeData>
#include <QSystemTrayIcon>

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
        QTest::newRow("click from the address box into the empty editor")
            << "" << QStringList{"click the address box", "click the text"};
        QTest::newRow("select all, Backspace, click")
            << "gone" << QStringList{"Ctrl+A", "Backspace", "click the text"};
        QTest::newRow("Backspace to empty")
            << "ab" << QStringList{"Backspace", "Backspace"};
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
            if (step == "click the address box")
                QTest::mouseClick(w.find<QComboBox>("addressBox")->lineEdit(), Qt::LeftButton);
            else if (step == "click the text")
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

    // The size, font and colour lists show the selection's look, or keep their text when it is
    // mixed; a colour with no name keeps the colour entry and opens no dialog.
    void listsFollowTheSelection()
    {
        Window w;
        QTest::keyClicks(w.editor, QStringLiteral("abcdefghij"));
        const QStringList named = {"Black", "White", "Blue", "Red", "Green"};
        for (int i = 0; i < named.size(); ++i) {
            w.select(2 * i, 2 * i + 2);
            w.choose("fontColorList", named[i]);
        }
        w.select(0, 3);
        w.choose("fontSizeList", QStringLiteral("12"));
        w.choose("fontNameList", QStringLiteral("Liberation Sans"));
        w.dialogs.colorAnswers = {QColor(10, 20, 30)};
        w.select(0, 1);
        w.choose("fontColorList", QStringLiteral("Custom Color"));
        QCOMPARE(w.formatAt(0).foreground().color(), QColor(10, 20, 30));

        w.select(6, 7);
        QCOMPARE(w.text("fontSizeList"), "30");
        QCOMPARE(w.text("fontNameList"), "Times New Roman");
        QCOMPARE(w.text("fontColorList"), "Red");

        w.select(2, 7); // sizes, fonts and colours mixed
        QCOMPARE(w.text("fontSizeList"), "30");
        QCOMPARE(w.text("fontNameList"), "Times New Roman");
        QCOMPARE(w.text("fontColorList"), "Red");

        w.select(0, 1); // the custom colour
        QCOMPARE(w.text("fontSizeList"), "12");
        QCOMPARE(w.text("fontNameList"), "Liberation Sans");
        QCOMPARE(w.text("fontColorList"), "Red");
        QVERIFY(w.dialogs.colorAnswers.isEmpty());

        w.select(2, 3);
        QCOMPARE(w.text("fontSizeList"), "12");
        QCOMPARE(w.text("fontNameList"), "Liberation Sans");
        QCOMPARE(w.text("fontColorList"), "White");
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
        QTest::newRow("123 to 126") << "a{|}~b" << "ab";
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

    void caretMoveAndDeletionMarkTheCrawlChanged()
    {
        Window w;
        test::typeKeys(w.editor, QStringLiteral("ab"));
        w.state.modified = false;
        QTest::keyClick(w.editor, Qt::Key_Left);
        QVERIFY(w.state.modified);

        w.state.modified = false;
        test::typeKeys(w.editor, QStringLiteral("\x7f")); // the caret stays where it is
        QVERIFY(w.state.modified);
        QCOMPARE(w.state.kite7Message, QStringLiteral("a"));
    }

    void lockedListIgnoresTheKeyboard_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::newRow("speed") << QByteArray("speedList");
        QTest::newRow("background") << QByteArray("backgroundList");
    }

    void lockedListIgnoresTheKeyboard()
    {
        QFETCH(QByteArray, list);
        Window w;
        auto *box = w.find<QComboBox>(list.constData());
        const QString before = box->currentText();
        box->setFocus();
        const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_End,
                                Qt::Key_Home, Qt::Key_Backspace, Qt::Key_7};
        for (const Qt::Key key : keys)
            QTest::keyClick(box->lineEdit(), key);
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(box->currentText(), before);
        QCOMPARE(w.editor->backColor(), 0u);
    }

    // Black at first: no custom colour was chosen before.
    void cancelledCustomFontColourGivesTheLastChosen()
    {
        Window w;
        w.choose("fontColorList", QStringLiteral("Custom Color"));
        QTest::keyClicks(w.editor, QStringLiteral("a"));
        QCOMPARE(w.formatAt(0).foreground().color(), QColor(Qt::black));
    }

    // With the box ticked the colour key follows the background, as 0x00BBGGRR in hex.
    void colourKeyFollowsTheBackgroundWhileTicked()
    {
        Window w;
        w.choose("backgroundList", QStringLiteral("Blue"));
        QCOMPARE(w.text("colorKeyBox"), "None");
        w.tick("transparentBox");
        QCOMPARE(w.text("colorKeyBox"), "FF0000");

        // A cancelled custom background gives the last custom one chosen.
        w.dialogs.colorAnswers = {QColor(255, 0, 0), std::nullopt};
        w.choose("backgroundList", QStringLiteral("Custom Color"));
        w.choose("backgroundList", QStringLiteral("White"));
        w.choose("backgroundList", QStringLiteral("Custom Color"));
        QCOMPARE(w.editor->backColor(), 0x0000FFu);
        QCOMPARE(w.text("colorKeyBox"), "0000FF");

        w.tick("transparentBox");
        QCOMPARE(w.text("colorKeyBox"), "");
    }

    void pasteKeepsOnlyCrawlFormatting()
    {
        Window w;
        auto *mime = new QMimeData; // the clipboard takes it
        mime->setHtml(QStringLiteral("<p><span style=\"font-size:12pt; color:#ff0000; background:yellow\">"
                                     "Red</span> <i>plain</i><img src=\"a.png\"></p>"
                                     "<table><tr><td><a href=\"x\">cell</a></td></tr></table>"));
        QApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
        w.editor->paste();
        QApplication::clipboard()->clear();

        QCOMPARE(w.editor->toPlainText(), "Red plain\ncell");
        const QTextCharFormat red = w.formatAt(0);
        QCOMPARE(red.foreground().color(), QColor(Qt::red));
        QCOMPARE(red.fontPointSize(), 12.0);
        QVERIFY(!red.hasProperty(QTextFormat::BackgroundBrush));
        // What the pasted text leaves unset looks as typing would.
        const QTextCharFormat plain = w.formatAt(5);
        QCOMPARE(plain.foreground().color(), QColor(Qt::white));
        QCOMPARE(plain.fontPointSize(), 30.0);
        QVERIFY(plain.fontItalic());
        QVERIFY(!w.formatAt(10).isAnchor());
    }

    void hideNeverLosesTheWindow()
    {
        Window w;
        w.click("hideButton");
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(!w.window->isVisible());
        else
            QVERIFY(w.window->isMinimized());
        w.window->showFromTray(); // the tray's menu entry
        QTRY_VERIFY(w.window->isVisible());
        QTRY_VERIFY(!w.window->isMinimized());
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
