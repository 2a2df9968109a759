#include "MainWindowFixture.h"

#include "compose/ui/EditorFormatting.h"

#include <QClipboard>
#include <QMimeData>
#include <QSystemTrayIcon>

using namespace qvic;

struct Window : test::MainWindowFixture { Window() { showActive(); } };

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void typingTakesTheListsLook_data()
    {
        QTest::addColumn<QString>("before"); // typed first
        QTest::addColumn<QString>("steps");  // x click the address box, c click into the text,
                                             // a Ctrl+A, b Backspace, h Home, d Delete
        QTest::newRow("at start-up") << "" << "";
        QTest::newRow("click from the address box into the empty editor") << "" << "xc";
        QTest::newRow("select all, Backspace, click") << "gone" << "abc";
        QTest::newRow("Backspace to empty") << "ab" << "bb";
        QTest::newRow("select all, Delete") << "gone" << "ad";
        QTest::newRow("Delete one by one") << "ab" << "hdd";
    }

    // Whenever the editor is empty, what is typed next looks as the lists show
    // (white Times New Roman 30 on black, bold by the mode), up to the saved file.
    void typingTakesTheListsLook()
    {
        QFETCH(QString, before);
        QFETCH(QString, steps);
        Window w;
        QTRY_VERIFY(w.editor->hasFocus());
        QCOMPARE(w.editor->backColor(), 0u);
        QVERIFY(w.window->formatting().bold() && !w.window->formatting().italic() && !w.window->formatting().underline());
        QTest::keyClicks(w.editor, before);
        for (QChar step : steps) {
            if (step == u'x')
                QTest::mouseClick(w.find<QComboBox>("addressBox")->lineEdit(), Qt::LeftButton);
            else if (step == u'c')
                QTest::mouseClick(w.editor->viewport(), Qt::LeftButton, {}, QPoint(60, 12));
            else if (step == u'd') // as a keyboard sends it: with the text DEL
                test::typeKeys(w.editor, QStringLiteral("\x7f"));
            else
                QTest::keyClick(w.editor, step == u'a' ? Qt::Key_A : step == u'b' ? Qt::Key_Backspace : Qt::Key_Home,
                                step == u'a' ? Qt::ControlModifier : Qt::NoModifier);
        }
        QCOMPARE(w.editor->toPlainText(), QString());
        QTest::keyClicks(w.editor, QStringLiteral("Hi all"));
        w.saveAs(QStringLiteral("Look.rtf"));

        QCOMPARE(test::readAll(w.rtf(QStringLiteral("Look.rtf"))), // white, 30 points (fs60), bold, Times New Roman
                 "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fnil\\fcharset0 Times New Roman;}}\n"
                 "{\\colortbl;\\red255\\green255\\blue255;}\n\\pard\\f0\\fs60\\cf1\\b Hi all\\par\n}\n");
        QCOMPARE(w.texts({"fontSizeList", "fontColorList"}), QStringLiteral("30 White"));
    }

    void styleModeTakesEffectAtNextSelectionChange()
    {
        Window w;
        const auto styles = [&](int at) {
            const QTextCharFormat f = w.formatAt(at);
            return QStringLiteral("%1%2%3").arg(f.fontWeight() == QFont::Bold).arg(f.fontItalic()).arg(f.fontUnderline());
        };
        QTest::keyClicks(w.editor, QStringLiteral("xy"));
        for (const char *button : {"boldButton", "italicButton", "underlineButton"})
            w.click(button);
        QTRY_VERIFY(w.editor->hasFocus());
        QTest::keyClicks(w.editor, QStringLiteral("abc"));
        // The first letter keeps the former style; the caret move after it applies the mode.
        QCOMPARE(QStringList({styles(1), styles(2), styles(3), styles(4)}), QStringList({"100", "100", "011", "011"}));
        w.select(0, 2); // selecting a range applies the mode to it
        QCOMPARE(styles(0), QStringLiteral("011"));
    }

    // The size, font and colour lists show the selection's look, or keep their text when it is mixed;
    // a colour with no name leaves the colour entry and opens no dialog.
    void listsFollowTheSelection()
    {
        Window w;
        const auto shown = [&] { return w.texts({"fontSizeList", "fontNameList", "fontColorList"}); };
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
        w.select(6, 7);
        QCOMPARE(shown(), QStringLiteral("30 Times New Roman Red"));
        w.select(2, 7); // mixed
        QCOMPARE(shown(), QStringLiteral("30 Times New Roman Red"));
        w.select(0, 1);
        QCOMPARE(shown(), QStringLiteral("12 Liberation Sans Red"));
        w.select(2, 3);
        QCOMPARE(shown(), QStringLiteral("12 Liberation Sans White"));
        QVERIFY(w.dialogs.colorAnswers.isEmpty());
        QCOMPARE(w.formatAt(0).foreground().color(), QColor(10, 20, 30));
        // A typed size applies nothing, even with Enter.
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
        QTest::newRow("40 to 45") << "a()*+,-b" << "ab";
        QTest::newRow("59 to 64 but 61") << "a;<=>?@b" << "a=b";
        QTest::newRow("91 to 96") << "a[\\]^_`b" << "ab";
        QTest::newRow("123 to 126") << "a{|}~b" << "ab";
        QTest::newRow("passed") << "It's 5.30/6: A=1" << "It's 5.30/6: A=1";
        QTest::newRow("beyond ASCII") << "café" << "café";
    }

    void typedCharacterFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        Window w;
        test::typeKeys(w.editor, typed + QStringLiteral("\x7f\rz")); // Delete at the end: deletes nothing, types nothing
        QCOMPARE(w.editor->toPlainText(), kept + QStringLiteral("\nz"));
        QCOMPARE(w.state.kite7Message, kept + QStringLiteral("\r\nz"));
        w.state.modified = false; // a mere caret movement counts as a change
        QTest::keyClick(w.editor, Qt::Key_Left);
        QVERIFY(w.state.modified);
        w.state.modified = false; // so does a deletion that leaves the caret where it is
        test::typeKeys(w.editor, QStringLiteral("\x7f"));
        QVERIFY(w.state.modified);
        QCOMPARE(w.state.kite7Message, kept + QStringLiteral("\r\n"));
    }

    void lockedListsIgnoreTheKeyboard()
    {
        Window w;
        for (const char *name : {"speedList", "backgroundList"}) {
            auto *box = w.find<QComboBox>(name);
            const QString before = box->currentText();
            box->setFocus();
            for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Backspace, Qt::Key_7})
                QTest::keyClick(box->lineEdit(), key);
            QTest::keyClick(box, Qt::Key_Down);
            QCOMPARE(box->currentText(), before);
        }
        QCOMPARE(w.editor->backColor(), 0u);
    }

    // A cancelled custom colour gives the last chosen (black at first); with the box ticked the
    // colour key follows the background.
    void backgroundAndColourKey()
    {
        Window w;
        w.choose("fontColorList", QStringLiteral("Custom Color"));
        QTest::keyClicks(w.editor, QStringLiteral("a"));
        QCOMPARE(w.formatAt(0).foreground().color(), QColor(Qt::black));
        w.choose("backgroundList", QStringLiteral("Blue"));
        QCOMPARE(w.text("colorKeyBox"), QStringLiteral("None")); // the box is clear: the key stays
        w.tick("transparentBox");
        QCOMPARE(w.text("colorKeyBox"), QStringLiteral("FF0000"));
        w.dialogs.colorAnswers = {QColor(255, 0, 0), std::nullopt};
        for (const char *entry : {"Custom Color", "White", "Custom Color"})
            w.choose("backgroundList", QLatin1String(entry));
        QCOMPARE(w.editor->backColor(), 0x0000FFu); // red as 0x00BBGGRR
        QCOMPARE(w.text("colorKeyBox"), QStringLiteral("0000FF"));
        w.tick("transparentBox");
        QCOMPARE(w.text("colorKeyBox"), QString());
    }

    void pasteKeepsOnlyCrawlFormatting()
    {
        Window w;
        auto *mime = new QMimeData; // the clipboard takes it
        mime->setHtml(QStringLiteral("<p><span style=\"font-size:12pt; color:#ff0000; background:yellow\">Red</span> "
                                     "<i>plain</i><img src=\"a.png\"></p><table><tr><td><a href=\"x\">cell</a></td></tr></table>"));
        QApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
        w.editor->paste();
        QApplication::clipboard()->clear();
        QCOMPARE(w.editor->toPlainText(), QStringLiteral("Red plain\ncell"));
        const QTextCharFormat red = w.formatAt(0), plain = w.formatAt(5); // unset: as typing would be
        QCOMPARE(QList<QVariant>({red.foreground().color(), red.fontPointSize(), plain.foreground().color(), plain.fontPointSize()}),
                 QList<QVariant>({QColor(Qt::red), 12.0, QColor(Qt::white), 30.0}));
        QVERIFY(!red.hasProperty(QTextFormat::BackgroundBrush) && !w.formatAt(10).isAnchor() && plain.fontItalic());
    }

    void hideNeverLosesTheWindow()
    {
        Window w;
        w.click("hideButton");
        QVERIFY(QSystemTrayIcon::isSystemTrayAvailable() ? !w.window->isVisible() : w.window->isMinimized());
        w.window->showFromTray(); // the tray's menu entry
        QTRY_VERIFY(w.window->isVisible() && !w.window->isMinimized());
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
