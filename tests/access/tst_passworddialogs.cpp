#include "access/frmPassword.h"
#include "access/frmPasswordChange.h"
#include "app/SharedState.h"
#include "platform/RecordingDialogs.h"

#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include <functional>

using namespace qvic;

namespace {

const QByteArray kRemember0("[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
const QByteArray kRemember1("[PASSWORD]\r\nremember=1\r\npass=Secret\r\n");
const QByteArray kWord("[PASSWORD]\r\nremember=yes\r\npass=Secret\r\n");
const QByteArray kLong("[PASSWORD]\r\nremember=0\r\npass=" + QByteArray(79, 'a') + "b\r\n");
const QString kWrong = QStringLiteral("e Incorrect password!");
const QString kInvalid = QStringLiteral("e Invalid current password, please try again.");
const QString kChanged = QStringLiteral("i Successfully changed the password.");

// An operator's visit: the file before, what is typed, how it ends, what follows.
struct Login
{
    QByteArray file; // null: not even a WinDir
    QString shown;   // in the box at opening, all of it selected
    bool ticked;
    QString typed;   // over the selection
    bool toggle;     // click "Remember the password" before ending
    QString action;  // enter, cancel or close
    QStringList messages;
    bool passed;     // blnPasswordOK
    QByteArray after;
};

struct Change
{
    QByteArray file;
    QStringList opening; // shown before the dialog appears
    QString current, next, action;
    QStringList messages;
    QString focus; // where the focus lands; empty: the dialog closed
    QString selected;
    QByteArray after;
};

QStringList said(const RecordingDialogs &dialogs)
{
    QStringList out;
    for (const auto &message : dialogs.messages)
        out << QString(message.kind == RecordingDialogs::Kind::Information ? "i " : "e ")
                + message.text;
    return out;
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

// Shows the dialog with exec(), as the program does, while `act` plays the
// operator inside its modal loop. A dialog still open afterwards (also after a
// failed check) is closed by its close box, so no test hangs.
void runModal(QDialog &dialog, const std::function<void()> &act)
{
    QTimer::singleShot(0, &dialog, [&] {
        struct CloseBox
        {
            QDialog &dialog;
            ~CloseBox() { if (dialog.isVisible()) dialog.close(); }
        } closeBox{dialog};
        QTRY_VERIFY(dialog.isActiveWindow());
        const QPoint middle = dialog.screen()->geometry().center();
        QVERIFY((dialog.frameGeometry().center() - middle).manhattanLength() <= 2);
        act();
    });
    dialog.exec();
}

void finish(QDialog &dialog, const QString &action)
{
    if (action == u"enter")
        QTest::keyClick(focused(), Qt::Key_Return);
    else if (action == u"cancel")
        QTest::mouseClick(dialog.findChild<QPushButton *>("btnCancel"), Qt::LeftButton);
    else
        dialog.close();
}

} // namespace

Q_DECLARE_METATYPE(Login)
Q_DECLARE_METATYPE(Change)

class tst_PasswordDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { state.strPassFile = dirs.winDir() + "/icpass.ini"; }
    void cleanup() { QDir(dirs.winDir()).removeRecursively(); }
    void login_data();
    void login();
    void change_data();
    void change();
    void changeThenLogin();
    void failedWriteKeepsDialogOpen();

private:
    void logIn(const Login &visit);
    void changeFrom(const Change &visit);

    test::TempDirs dirs;
    SharedState state;
};

void tst_PasswordDialogs::logIn(const Login &visit)
{
    if (!visit.file.isNull())
        test::writeAll(state.strPassFile, visit.file);
    RecordingDialogs dialogs;
    state.blnPasswordOK = false;
    frmPassword dialog(state, dialogs);
    auto *box = dialog.findChild<QLineEdit *>("txtPassword");
    runModal(dialog, [&] {
        QTRY_COMPARE(focused(), box);
        QCOMPARE(box->selectedText(), visit.shown);
        QCOMPARE(dialog.findChild<QCheckBox *>("chkRemPassword")->isChecked(), visit.ticked);
        QTest::keyClicks(focused(), visit.typed);
        if (visit.toggle)
            QTest::mouseClick(dialog.findChild<QCheckBox *>("chkRemPassword"), Qt::LeftButton);
        finish(dialog, visit.action);
        // Refused: the dialog stays open.
        QCOMPARE(dialog.isVisible(), !visit.passed && visit.action == u"enter");
    });
    QCOMPARE(said(dialogs), visit.messages);
    QCOMPARE(state.blnPasswordOK, visit.passed);
    QCOMPARE(QFileInfo::exists(state.strPassFile), !visit.after.isNull());
    if (!visit.after.isNull())
        QCOMPARE(test::readAll(state.strPassFile), visit.after);
}

void tst_PasswordDialogs::login_data()
{
    QTest::addColumn<Login>("visit");
    const QStringList none;
    QTest::newRow("empty box") << Login{{}, "", false, "", false, "enter",
        {"i Please enter a password before proceeding."}, false, {}};
    QTest::newRow("case") << Login{kRemember0, "", false, "secret", false, "enter", {kWrong}, false, kRemember0};
    QTest::newRow("blank") << Login{kRemember0, "", false, "Secret ", false, "enter", {kWrong}, false, kRemember0};
    QTest::newRow("built-in, no file") << Login{{}, "", false, "rb3tessorn", false, "enter", none,
        true, "[PASSWORD]\r\nremember=0\r\n"};
    QTest::newRow("remember 1, Enter at once") << Login{kRemember1, "Secret", true, "", false, "enter", none, true, kRemember1};
    QTest::newRow("remember 1, built-in typed over") << Login{kRemember1, "Secret", true, "rb3tessorn", false, "enter", none, true, kRemember1};
    QTest::newRow("remember 0, typed") << Login{kRemember0, "", false, "Secret", false, "enter", none, true, kRemember0};
    QTest::newRow("remember a word, ticked") << Login{kWord, "", false, "Secret", true, "enter", none, true, kRemember1};
    QTest::newRow("unticked") << Login{kRemember1, "Secret", true, "", true, "enter", none, true, kRemember0};
    QTest::newRow("over 79, whole") << Login{kLong, "", false, QString(79, u'a') + u'b', false, "enter", {kWrong}, false, kLong};
    QTest::newRow("over 79, first 79") << Login{kLong, "", false, QString(79, u'a'), false, "enter", none, true, kLong};
    QTest::newRow("cancel") << Login{kRemember0, "", false, "Secret", false, "cancel", none, false, kRemember0};
    QTest::newRow("close box") << Login{kRemember0, "", false, "Secret", false, "close", none, false, kRemember0};
}

void tst_PasswordDialogs::login()
{
    QFETCH(Login, visit);
    logIn(visit);
}

void tst_PasswordDialogs::changeFrom(const Change &visit)
{
    if (!visit.file.isNull())
        test::writeAll(state.strPassFile, visit.file);
    RecordingDialogs dialogs;
    frmPasswordChange dialog(state, dialogs);
    QCOMPARE(said(dialogs), visit.opening);
    dialogs.messages.clear();
    runModal(dialog, [&] {
        QTRY_COMPARE(focused(), dialog.findChild<QLineEdit *>("txtOldPassword"));
        QTest::keyClicks(focused(), visit.current);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), visit.next);
        finish(dialog, visit.action);
        QCOMPARE(dialog.isVisible(), !visit.focus.isEmpty());
        if (!visit.focus.isEmpty()) {
            QCOMPARE(focused()->objectName(), visit.focus);
            QCOMPARE(qobject_cast<QLineEdit *>(focused())->selectedText(), visit.selected);
        }
    });
    QCOMPARE(said(dialogs), visit.messages);
    QCOMPARE(QFileInfo::exists(state.strPassFile), !visit.after.isNull());
    if (!visit.after.isNull())
        QCOMPARE(test::readAll(state.strPassFile), visit.after);
}

void tst_PasswordDialogs::change_data()
{
    QTest::addColumn<Change>("visit");
    const QStringList none;
    QTest::newRow("both empty") << Change{kRemember1, none, "", "", "enter",
        {"i Please enter the current password."}, "txtOldPassword", "", kRemember1};
    QTest::newRow("no new, wrong current") << Change{kRemember1, none, "x", "", "enter",
        {"i Please enter a new password."}, "txtPassword", "", kRemember1};
    QTest::newRow("case") << Change{kRemember1, none, "secret", "New", "enter", {kInvalid}, "txtOldPassword", "secret", kRemember1};
    QTest::newRow("built-in") << Change{kRemember1, none, "rb3tessorn", "New", "enter", {kInvalid}, "txtOldPassword", "rb3tessorn", kRemember1};
    QTest::newRow("no file") << Change{{}, {"e Can't find the password ini file, please contact our technical support."},
        "x", "New", "enter", {kInvalid}, "txtOldPassword", "x", {}};
    QTest::newRow("changed") << Change{kRemember1, none, "Secret", "Blue Sky", "enter", {kChanged}, "", "",
        "[PASSWORD]\r\nremember=1\r\npass=Blue Sky\r\n"};
    QTest::newRow("cancel") << Change{kRemember1, none, "Secret", "New", "cancel", none, "", "", kRemember1};
    QTest::newRow("close box") << Change{kRemember1, none, "Secret", "New", "close", none, "", "", kRemember1};
}

void tst_PasswordDialogs::change()
{
    QFETCH(Change, visit);
    changeFrom(visit);
}

void tst_PasswordDialogs::changeThenLogin()
{
    const QByteArray changed("[PASSWORD]\r\nremember=1\r\npass=Blue Sky\r\n");
    const QByteArray forgot("[PASSWORD]\r\nremember=0\r\npass=Blue Sky\r\n");
    changeFrom({kRemember1, {}, "Secret", "Blue Sky", "enter", {kChanged}, "", "", changed});
    // Filled in, but the old one typed over it is refused; unticking forgets it.
    logIn({{}, "Blue Sky", true, "Secret", false, "enter", {kWrong}, false, changed});
    logIn({{}, "Blue Sky", true, "", true, "enter", {}, true, forgot});
    logIn({{}, "", false, "Blue Sky", false, "enter", {}, true, forgot});
    logIn({{}, "", false, "rb3tessorn", false, "enter", {}, true, forgot});
}

void tst_PasswordDialogs::failedWriteKeepsDialogOpen()
{
    test::writeAll(state.strPassFile, kRemember1);
    RecordingDialogs dialogs;
    frmPasswordChange dialog(state, dialogs);
    // The file was read; now a folder stands where it is written.
    QVERIFY(QFile::remove(state.strPassFile) && QDir().mkdir(state.strPassFile));
    runModal(dialog, [&] {
        QTest::keyClicks(focused(), "Secret");
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), "Blue Sky");
        QTest::keyClick(focused(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
    });
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].kind, RecordingDialogs::Kind::Exclamation);
    QVERIFY(dialogs.messages[0].text.startsWith(
        "The new password could not be saved; the old password stays in force.\n"));
    QVERIFY(dialogs.messages[0].text.contains(state.strPassFile));
}

QTEST_MAIN(tst_PasswordDialogs)
#include "tst_passworddialogs.moc"
