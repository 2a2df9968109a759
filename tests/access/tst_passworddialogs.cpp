#include "access/PasswordStore.h"
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

using namespace qvic;
using test::said;

namespace {

const QByteArray kRemember0("[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
const QByteArray kRemember1("[PASSWORD]\r\nremember=1\r\npass=Secret\r\n");
const QByteArray kLong("[PASSWORD]\r\nremember=0\r\npass=" + QByteArray(79, 'a') + "b\r\n");
const QString kWrong = QStringLiteral("e Incorrect password!");
const QString kInvalid = QStringLiteral("e Invalid current password, please try again.");

// An operator's visit: the file before (null: not even a WinDir), what the box shows
// at opening (all of it selected), what is typed over it, how it ends, what follows.
struct Login
{
    QByteArray file;
    QString shown;
    bool ticked;
    QString typed;
    bool toggle; // click "Remember the password" before ending
    QString action; // enter, cancel or close
    QStringList messages;
    bool passed; // blnPasswordOK
    QByteArray after;
};

struct Change
{
    QByteArray file;
    QString current, next, action;
    QStringList messages; // the first ones before it appears; %1: why the store could not write
    QString focus; // where the focus lands; empty: the dialog closed
    QString selected;
    QByteArray after; // empty: a folder stands where the file is written
};

QWidget *focused() { return QApplication::focusWidget(); }

// Shown with exec(), as the program does, centred, while act plays the operator.
void runModal(QDialog &dialog, const std::function<void()> &act)
{
    test::whenModal([&](QWidget *modal) {
        QCOMPARE(modal, &dialog);
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
    void login() { QFETCH(Login, visit); logIn(visit); }
    void change_data();
    void change() { QFETCH(Change, visit); changeFrom(visit); }
    void changeThenLogin();

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
    runModal(dialog, [&] {
        QTRY_COMPARE(focused(), dialog.findChild<QLineEdit *>("txtPassword"));
        QCOMPARE(qobject_cast<QLineEdit *>(focused())->selectedText(), visit.shown);
        auto *tick = dialog.findChild<QCheckBox *>("chkRemPassword");
        QCOMPARE(tick->isChecked(), visit.ticked);
        QTest::keyClicks(focused(), visit.typed);
        if (visit.toggle)
            QTest::mouseClick(tick, Qt::LeftButton);
        finish(dialog, visit.action);
        QCOMPARE(dialog.isVisible(), !visit.passed && visit.action == u"enter"); // refused: stays
    });
    QCOMPARE(said(dialogs), visit.messages);
    QCOMPARE(state.blnPasswordOK, visit.passed);
    QCOMPARE(QFileInfo::exists(state.strPassFile), !visit.after.isNull());
    QCOMPARE(test::readAll(state.strPassFile), visit.after);
}

void tst_PasswordDialogs::login_data()
{
    QTest::addColumn<Login>("visit");
    const QByteArray kWord("[PASSWORD]\r\nremember=yes\r\npass=Secret\r\n");
    QTest::newRow("empty box") << Login{{}, "", false, "", false, "enter",
        {"i Please enter a password before proceeding."}, false, {}};
    QTest::newRow("case") << Login{kRemember0, "", false, "secret", false, "enter", {kWrong}, false, kRemember0};
    QTest::newRow("blank") << Login{kRemember0, "", false, "Secret ", false, "enter", {kWrong}, false, kRemember0};
    QTest::newRow("built-in, no file")
        << Login{{}, "", false, "rb3tessorn", false, "enter", {}, true, "[PASSWORD]\r\nremember=0\r\n"};
    QTest::newRow("remember 1, Enter at once") << Login{kRemember1, "Secret", true, "", false, "enter", {}, true, kRemember1};
    QTest::newRow("remember 1, built-in typed over")
        << Login{kRemember1, "Secret", true, "rb3tessorn", false, "enter", {}, true, kRemember1};
    QTest::newRow("remember a word, ticked") << Login{kWord, "", false, "Secret", true, "enter", {}, true, kRemember1};
    QTest::newRow("over 79, whole")
        << Login{kLong, "", false, QString(79, u'a') + u'b', false, "enter", {kWrong}, false, kLong};
    QTest::newRow("over 79, first 79") << Login{kLong, "", false, QString(79, u'a'), false, "enter", {}, true, kLong};
    QTest::newRow("cancel") << Login{kRemember0, "", false, "Secret", false, "cancel", {}, false, kRemember0};
    QTest::newRow("close box") << Login{kRemember0, "", false, "Secret", false, "close", {}, false, kRemember0};
}

void tst_PasswordDialogs::changeFrom(const Change &visit)
{
    if (!visit.file.isNull())
        test::writeAll(state.strPassFile, visit.file);
    RecordingDialogs dialogs;
    frmPasswordChange dialog(state, dialogs);
    QString why; // the dialog has read the file; a folder now stands where it is written
    if (visit.after.isEmpty() && !visit.after.isNull()) {
        QVERIFY(QFile::remove(state.strPassFile) && QDir().mkdir(state.strPassFile));
        QVERIFY(!PasswordStore(state.strPassFile).storePassword(visit.next, &why));
    }
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
    QCOMPARE(said(dialogs).join('|'), visit.messages.join(u'|').replace("%1", why));
    QCOMPARE(QFileInfo::exists(state.strPassFile), !visit.after.isNull());
    QCOMPARE(test::readAll(state.strPassFile), visit.after);
}

void tst_PasswordDialogs::change_data()
{
    QTest::addColumn<Change>("visit");
    QTest::newRow("both empty") << Change{kRemember1, "", "", "enter",
        {"i Please enter the current password."}, "txtOldPassword", "", kRemember1};
    QTest::newRow("no new, wrong current") << Change{kRemember1, "x", "", "enter",
        {"i Please enter a new password."}, "txtPassword", "", kRemember1};
    QTest::newRow("case") << Change{kRemember1, "secret", "New", "enter", {kInvalid}, "txtOldPassword", "secret", kRemember1};
    QTest::newRow("built-in") << Change{kRemember1, "rb3tessorn", "New", "enter", {kInvalid}, "txtOldPassword", "rb3tessorn", kRemember1};
    QTest::newRow("no file") << Change{{}, "x", "New", "enter",
        {"e Can't find the password ini file, please contact our technical support.", kInvalid}, "txtOldPassword", "x", {}};
    QTest::newRow("write fails") << Change{kRemember1, "Secret", "Blue Sky", "enter",
        {"e The new password could not be saved; the old password stays in force.\n%1"}, "txtPassword", "", ""};
    QTest::newRow("cancel") << Change{kRemember1, "Secret", "New", "cancel", {}, "", "", kRemember1};
    QTest::newRow("close box") << Change{kRemember1, "Secret", "New", "close", {}, "", "", kRemember1};
}

// The new password is taken, the old refused; unticking forgets it for the next opening.
void tst_PasswordDialogs::changeThenLogin()
{
    const QByteArray changed("[PASSWORD]\r\nremember=1\r\npass=Blue Sky\r\n");
    const QByteArray forgot("[PASSWORD]\r\nremember=0\r\npass=Blue Sky\r\n");
    changeFrom({kRemember1, "Secret", "Blue Sky", "enter", {"i Successfully changed the password."}, "", "", changed});
    logIn({{}, "Blue Sky", true, "Secret", false, "enter", {kWrong}, false, changed});
    logIn({{}, "Blue Sky", true, "", true, "enter", {}, true, forgot});
    logIn({{}, "", false, "Blue Sky", false, "enter", {}, true, forgot});
}

QTEST_MAIN(tst_PasswordDialogs)
#include "tst_passworddialogs.moc"
