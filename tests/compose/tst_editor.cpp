#include "MainWindowFixture.h"

#include "compose/ui/EditorFormatting.h"
#include "compose/RtfReader.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QtTest>

using namespace qvic;

using Fixture = test::MainWindowFixture;

namespace {

struct Window : Fixture
{
    Window() { showActive(); }
    QComboBox *list(const char *name) { return find<QComboBox>(name); }
};

// Types characters as the keyboard delivers them, letters beyond ASCII too.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// The Delete key as a keyboard sends it: with the text DEL.
void pressDelete(QWidget *widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void typingTakesTheListsLook_data();
    void typingTakesTheListsLook();
    void styleModeTakesEffectAtNextSelectionChange_data();
    void styleModeTakesEffectAtNextSelectionChange();
    void listsFollowTheSelection();
    void colourListFollowsNamedColoursOnly();
    void customColourCancelledGivesLastChosen();
    void typedCharacterFilter_data();
    void typedCharacterFilter();
    void lockedListsIgnoreTheKeyboard_data();
    void lockedListsIgnoreTheKeyboard();
    void transparencyKeysOnTheBackground();
    void pasteKeepsOnlyCrawlFormatting();
    void hideNeverLosesTheWindow();
};

void TestEditor::typingTakesTheListsLook_data()
{
    QTest::addColumn<QString>("before"); // typed first
    QTest::addColumn<QString>("steps");  // x click the address box, c click into the text,
                                         // a Ctrl+A, b Backspace, h Home, d Delete
    QTest::newRow("at start-up") << "" << "";
    QTest::newRow("click from the address box into the empty editor") << "" << "xc";
    QTest::newRow("select all, Backspace, click") << "gone" << "abc";
    QTest::newRow("select all, Backspace") << "gone" << "ab";
    QTest::newRow("Backspace to empty") << "ab" << "bb";
    QTest::newRow("select all, Delete") << "gone" << "ad";
    QTest::newRow("Delete one by one") << "ab" << "hdd";
}

// Whenever the editor is empty, what is typed next looks as the lists show
// (white Times New Roman 30 on black, bold by the mode), up to the saved file.
void TestEditor::typingTakesTheListsLook()
{
    QFETCH(QString, before);
    QFETCH(QString, steps);
    Window w;
    QVERIFY(!w.error);
    QTRY_VERIFY(w.editor->hasFocus());
    QCOMPARE(w.editor->backColor(), 0u);
    const EditorFormatting &modes = w.window->formatting();
    QVERIFY(modes.blnBold() && !modes.blnItalic() && !modes.blnUnderline());
    QVERIFY(!w.state.blnModified);
    QTest::keyClicks(w.editor, before);
    for (QChar step : steps) {
        if (step == u'x')
            QTest::mouseClick(w.list("cboIPAddress")->lineEdit(), Qt::LeftButton);
        else if (step == u'c')
            QTest::mouseClick(w.editor->viewport(), Qt::LeftButton, {}, QPoint(60, 12));
        else if (step == u'a')
            QTest::keyClick(w.editor, Qt::Key_A, Qt::ControlModifier);
        else if (step == u'b')
            QTest::keyClick(w.editor, Qt::Key_Backspace);
        else if (step == u'h')
            QTest::keyClick(w.editor, Qt::Key_Home);
        else
            pressDelete(w.editor);
    }
    QCOMPARE(w.editor->toPlainText(), QString());
    QTest::keyClicks(w.editor, QStringLiteral("Hi all"));
    w.dialogs.fileAnswers = {w.rtf(QStringLiteral("Look.rtf"))};
    w.click("btnSave");

    QTextDocument saved;
    QVERIFY(RtfReader::read(test::readAll(w.rtf(QStringLiteral("Look.rtf"))), saved, nullptr));
    QCOMPARE(saved.toPlainText(), QStringLiteral("Hi all"));
    for (auto it = saved.begin().begin(); !it.atEnd(); ++it) {
        const QTextCharFormat look = it.fragment().charFormat();
        QCOMPARE(look.foreground().color(), QColor(Qt::white));
        QCOMPARE(look.fontPointSize(), 30.0);
        QCOMPARE(look.fontFamilies().toStringList().value(0), QStringLiteral("Times New Roman"));
        QCOMPARE(look.fontWeight(), int(QFont::Bold));
    }
    QCOMPARE(w.list("cmbFontSize")->currentText(), QStringLiteral("30"));
    QCOMPARE(w.list("cmbFontColor")->currentText(), QStringLiteral("White"));
}

void TestEditor::styleModeTakesEffectAtNextSelectionChange_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("property");
    QTest::newRow("bold off") << "btnB" << int(QTextFormat::FontWeight);
    QTest::newRow("italic on") << "btnI" << int(QTextFormat::FontItalic);
    QTest::newRow("underline on") << "btnU" << int(QTextFormat::FontUnderline);
}

void TestEditor::styleModeTakesEffectAtNextSelectionChange()
{
    QFETCH(QString, button);
    QFETCH(int, property);
    Window w;
    const auto styled = [&](int position) {
        const QTextCharFormat format = w.formatAt(position);
        if (property == QTextFormat::FontWeight)
            return format.fontWeight() == QFont::Bold;
        return property == QTextFormat::FontItalic ? format.fontItalic() : format.fontUnderline();
    };
    QTest::keyClicks(w.editor, QStringLiteral("xy"));
    const bool before = styled(1);
    QTest::mouseClick(w.find<QPushButton>(qPrintable(button)), Qt::LeftButton);
    QTRY_VERIFY(w.editor->hasFocus());
    QTest::keyClicks(w.editor, QStringLiteral("abc"));
    // The first letter keeps the former style; the caret move after it applies the mode.
    QCOMPARE(styled(2), before);
    QCOMPARE(styled(3), !before);
    QCOMPARE(styled(4), !before);
    // Selecting a range applies the mode to it.
    w.select(0, 2);
    QCOMPARE(styled(0), !before);
}

void TestEditor::listsFollowTheSelection()
{
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("one two"));
    w.select(0, 3);
    w.choose("cmbFontSize", QStringLiteral("12"));
    w.choose("cmbFontName", QStringLiteral("Liberation Sans"));
    w.select(4, 7);
    QCOMPARE(w.list("cmbFontSize")->currentText(), QStringLiteral("30"));
    QCOMPARE(w.list("cmbFontName")->currentText(), QStringLiteral("Times New Roman"));
    w.select(0, 7); // two sizes and two fonts: the lists keep their text
    QCOMPARE(w.list("cmbFontSize")->currentText(), QStringLiteral("30"));
    QCOMPARE(w.list("cmbFontName")->currentText(), QStringLiteral("Times New Roman"));
    w.select(0, 3);
    QCOMPARE(w.list("cmbFontSize")->currentText(), QStringLiteral("12"));
    QCOMPARE(w.list("cmbFontName")->currentText(), QStringLiteral("Liberation Sans"));
    // A typed size applies nothing, even with Enter.
    QComboBox *size = w.list("cmbFontSize");
    size->lineEdit()->selectAll();
    QTest::keyClicks(size->lineEdit(), QStringLiteral("48"));
    QTest::keyClick(size->lineEdit(), Qt::Key_Return);
    QCOMPARE(w.formatAt(0).fontPointSize(), 12.0);
}

void TestEditor::colourListFollowsNamedColoursOnly()
{
    Window w;
    QTest::keyClicks(w.editor, QStringLiteral("abcdefghij"));
    const QStringList named = {"Black", "White", "Blue", "Red", "Green"};
    for (int i = 0; i < named.size(); ++i) {
        w.select(2 * i, 2 * i + 2);
        w.choose("cmbFontColor", named[i]);
    }
    w.dialogs.colorAnswers = {QColor(10, 20, 30)};
    w.select(0, 1);
    w.choose("cmbFontColor", QStringLiteral("Custom Color"));
    for (int i = 1; i < named.size(); ++i) {
        w.select(2 * i, 2 * i + 1);
        QCOMPARE(w.list("cmbFontColor")->currentText(), named[i]);
    }
    w.select(0, 1); // a colour with no name leaves the entry and opens no dialog
    QCOMPARE(w.list("cmbFontColor")->currentText(), named.last());
    w.select(2, 5); // white and blue: mixed
    QCOMPARE(w.list("cmbFontColor")->currentText(), named.last());
    QVERIFY(w.dialogs.colorAnswers.isEmpty());
    QCOMPARE(w.formatAt(0).foreground().color(), QColor(10, 20, 30));
}

void TestEditor::customColourCancelledGivesLastChosen()
{
    Window w;
    w.choose("cmbFontColor", QStringLiteral("Custom Color")); // cancelled: black
    QTest::keyClicks(w.editor, QStringLiteral("a"));
    QCOMPARE(w.formatAt(0).foreground().color(), QColor(Qt::black));
    w.choose("cmbBgColor", QStringLiteral("Custom Color"));
    QCOMPARE(w.editor->backColor(), 0u);
    w.dialogs.colorAnswers = {QColor(255, 0, 0), std::nullopt};
    w.choose("cmbBgColor", QStringLiteral("Custom Color"));
    QCOMPARE(w.editor->backColor(), 0x0000FFu); // red as 0x00BBGGRR
    w.choose("cmbBgColor", QStringLiteral("White"));
    w.choose("cmbBgColor", QStringLiteral("Custom Color")); // cancelled: the last chosen, red
    QCOMPARE(w.editor->backColor(), 0x0000FFu);
}

void TestEditor::typedCharacterFilter_data()
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

void TestEditor::typedCharacterFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Window w;
    typeText(w.editor, typed);
    pressDelete(w.editor); // at the end: deletes nothing, types nothing
    QTest::keyClick(w.editor, Qt::Key_Return);
    QTest::keyClicks(w.editor, QStringLiteral("z"));
    QCOMPARE(w.editor->toPlainText(), kept + QStringLiteral("\nz"));
    QCOMPARE(w.state.strKite7Message, kept + QStringLiteral("\r\nz"));
    w.state.blnModified = false; // a mere caret movement counts as a change
    QTest::keyClick(w.editor, Qt::Key_Left);
    QVERIFY(w.state.blnModified);
    w.state.blnModified = false; // so does a deletion that leaves the caret where it is
    pressDelete(w.editor);
    QVERIFY(w.state.blnModified);
    QCOMPARE(w.state.strKite7Message, kept + QStringLiteral("\r\n"));
}

void TestEditor::lockedListsIgnoreTheKeyboard_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("speed") << "cboSpeed";
    QTest::newRow("background") << "cmbBgColor";
}

void TestEditor::lockedListsIgnoreTheKeyboard()
{
    QFETCH(QString, name);
    Window w;
    QComboBox *box = w.list(qPrintable(name));
    const QString before = box->currentText();
    box->setFocus();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home,
                        Qt::Key_Backspace})
        QTest::keyClick(box->lineEdit(), key);
    QTest::keyClicks(box->lineEdit(), QStringLiteral("7"));
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), before);
    QCOMPARE(w.editor->backColor(), 0u);
}

void TestEditor::transparencyKeysOnTheBackground()
{
    Window w;
    auto *key = w.find<QLineEdit>("txtColorKey");
    auto *box = w.find<QCheckBox>("chkBgTrans");
    QCOMPARE(key->text(), QStringLiteral("None"));
    w.choose("cmbBgColor", QStringLiteral("Blue"));
    QCOMPARE(key->text(), QStringLiteral("None")); // the box is clear: the key stays
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QCOMPARE(key->text(), QStringLiteral("FF0000"));
    w.choose("cmbBgColor", QStringLiteral("Green")); // a new background renews the key
    QCOMPARE(key->text(), QStringLiteral("00FF00"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    QCOMPARE(key->text(), QString());
}

void TestEditor::pasteKeepsOnlyCrawlFormatting()
{
    Window w;
    auto *mime = new QMimeData; // the clipboard takes it
    mime->setHtml(QStringLiteral("<p><span style=\"font-size:12pt; color:#ff0000; "
                                "background:yellow\">Red</span> <i>plain</i>"
                                "<img src=\"a.png\"></p><table><tr><td><a href=\"x\">cell</a>"
                                "</td></tr></table>"));
    QApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    w.editor->paste();
    QCOMPARE(w.editor->toPlainText(), QStringLiteral("Red plain\ncell"));
    const QTextCharFormat red = w.formatAt(0);
    QCOMPARE(red.foreground().color(), QColor(Qt::red));
    QCOMPARE(red.fontPointSize(), 12.0);
    QVERIFY(!w.formatAt(10).isAnchor());
    QVERIFY(!red.hasProperty(QTextFormat::BackgroundBrush));
    const QTextCharFormat plain = w.formatAt(5);
    QVERIFY(plain.fontItalic());
    QCOMPARE(plain.foreground().color(), QColor(Qt::white)); // unset: as typing would be
    QCOMPARE(plain.fontPointSize(), 30.0);
    QApplication::clipboard()->clear();
}

void TestEditor::hideNeverLosesTheWindow()
{
    Window w;
    QTest::mouseClick(w.find<QPushButton>("btnHide"), Qt::LeftButton);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QVERIFY(!w.window->isVisible());
    else
        QVERIFY(w.window->isVisible() && w.window->isMinimized());
    w.window->mnuShow_Click();
    QTRY_VERIFY(w.window->isVisible() && !w.window->isMinimized());
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
