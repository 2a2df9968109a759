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
const QByteArray kLong("[PASSWORD]\r\nremember=0\r\npass=" + QByteArray(79, 'a') + "b\r\n");

// "i text" for an information message, "e text" for an exclamation.
QStringList said(const RecordingDialogs &dialogs)
{
    QStringList out;
    for (const auto &message : dialogs.messages)
        out << QString(message.kind == RecordingDialogs::Kind::Information ? "i " : "e ") + message.text;
    return out;
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

// Shows the dialog with exec(), as the program does, while `act` plays the
// operator from inside its modal loop. A dialog still open afterwards (also
// after a failed check) is closed by its close box, so no test hangs.
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

// Enter, the Cancel button or the close box.
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
    // Types `typed` over the selection and ends with `action`; true when it passed.
    bool logIn(const QString &typed, const QString &action, QStringList *messages = nullptr,
               bool toggle = false);

    test::TempDirs dirs;
    SharedState state;
};

bool tst_PasswordDialogs::logIn(const QString &typed, const QString &action,
                                QStringList *messages, bool toggle)
{
    RecordingDialogs dialogs;
    state.blnPasswordOK = false;
    frmPassword dialog(state, dialogs);
    runModal(dialog, [&] {
        QTRY_COMPARE(focused(), dialog.findChild<QLineEdit *>("txtPassword"));
        QTest::keyClicks(focused(), typed);
        if (toggle)
            QTest::mouseClick(dialog.findChild<QCheckBox *>("chkRemPassword"), Qt::LeftButton);
        finish(dialog, action);
    });
    if (messages)
        *messages = said(dialogs);
    return state.blnPasswordOK;
}

void tst_PasswordDialogs::login_data()
{
    QTest::addColumn<QByteArray>("file"); // null: not even a WinDir
    QTest::addColumn<QString>("shown");   // the box at opening, all of it selected
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("toggle"); // click "Remember the password" before the action
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("passed");
    QTest::addColumn<QByteArray>("after");

    const QStringList none;
    const QStringList wrong{"e Incorrect password!"};
    const QByteArray word("[PASSWORD]\r\nremember=yes\r\npass=Secret\r\n");
    QTest::newRow("empty box") << QByteArray() << "" << false << "" << false << "enter"
                               << QStringList{"i Please enter a password before proceeding."}
                               << false << QByteArray();
    QTest::newRow("case") << kRemember0 << "" << false << "secret" << false << "enter" << wrong
                          << false << kRemember0;
    QTest::newRow("leading blank") << kRemember0 << "" << false << " Secret" << false << "enter"
                                   << wrong << false << kRemember0;
    QTest::newRow("trailing blank") << kRemember0 << "" << false << "Secret " << false << "enter"
                                    << wrong << false << kRemember0;
    QTest::newRow("stored") << kRemember0 << "" << false << "Secret" << false << "enter" << none
                            << true << kRemember0;
    QTest::newRow("built-in, no file") << QByteArray() << "" << false << "rb3tessorn" << false
                                       << "enter" << none << true
                                       << QByteArray("[PASSWORD]\r\nremember=0\r\n");
    QTest::newRow("built-in over stored") << kRemember0 << "" << false << "rb3tessorn" << false
                                          << "enter" << none << true << kRemember0;
    QTest::newRow("remember 1, Enter at once") << kRemember1 << "Secret" << true << "" << false
                                               << "enter" << none << true << kRemember1;
    QTest::newRow("remember 1, typing replaces") << kRemember1 << "Secret" << true << "rb3tessorn"
                                                 << false << "enter" << none << true << kRemember1;
    QTest::newRow("remember a word") << word << "" << false << "Secret" << false << "enter" << none
                                     << true << kRemember0;
    QTest::newRow("unticked") << kRemember1 << "Secret" << true << "" << true << "enter" << none
                              << true << kRemember0;
    QTest::newRow("ticked") << kRemember0 << "" << false << "Secret" << true << "enter" << none
                            << true << kRemember1;
    QTest::newRow("over 79, whole") << kLong << "" << false << QString(79, u'a') + u'b' << false
                                    << "enter" << wrong << false << kLong;
    QTest::newRow("over 79, first 79") << kLong << "" << false << QString(79, u'a') << false
                                       << "enter" << none << true << kLong;
    QTest::newRow("cancel") << kRemember0 << "" << false << "Secret" << false << "cancel" << none
                            << false << kRemember0;
    QTest::newRow("close box") << kRemember0 << "" << false << "Secret" << false << "close" << none
                               << false << kRemember0;
}

void tst_PasswordDialogs::login()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    QFETCH(bool, ticked);
    QFETCH(QString, typed);
    QFETCH(bool, toggle);
    QFETCH(QString, action);
    QFETCH(QStringList, messages);
    QFETCH(bool, passed);
    QFETCH(QByteArray, after);
    if (!file.isNull())
        test::writeAll(state.strPassFile, file);

    RecordingDialogs dialogs;
    state.blnPasswordOK = false;
    frmPassword dialog(state, dialogs);
    auto *txtPassword = dialog.findChild<QLineEdit *>("txtPassword");
    auto *chkRemPassword = dialog.findChild<QCheckBox *>("chkRemPassword");
    runModal(dialog, [&] {
        QTRY_COMPARE(focused(), txtPassword);
        QCOMPARE(txtPassword->text(), shown);
        QCOMPARE(txtPassword->selectedText(), shown);
        QCOMPARE(chkRemPassword->isChecked(), ticked);
        QTest::keyClicks(focused(), typed);
        if (toggle)
            QTest::mouseClick(chkRemPassword, Qt::LeftButton);
        finish(dialog, action);
        // Refused: the dialog stays open with the typed text in the box.
        QCOMPARE(dialog.isVisible(), !passed && action == u"enter");
    });
    QCOMPARE(said(dialogs), messages);
    QCOMPARE(state.blnPasswordOK, passed);
    QCOMPARE(QFileInfo::exists(state.strPassFile), !after.isNull());
    if (!after.isNull())
        QCOMPARE(test::readAll(state.strPassFile), after);
}

void tst_PasswordDialogs::change_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("opening");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus"); // the box with the focus; empty: the dialog closed
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QByteArray>("after");

    const QStringList none;
    const QStringList invalid{"e Invalid current password, please try again."};
    const QStringList changed{"i Successfully changed the password."};
    QTest::newRow("both empty") << kRemember1 << none << "" << "" << "enter"
                                << QStringList{"i Please enter the current password."}
                                << "txtOldPassword" << "" << kRemember1;
    QTest::newRow("no new") << kRemember1 << none << "Secret" << "" << "enter"
                            << QStringList{"i Please enter a new password."} << "txtPassword" << ""
                            << kRemember1;
    QTest::newRow("case") << kRemember1 << none << "secret" << "New" << "enter" << invalid
                          << "txtOldPassword" << "secret" << kRemember1;
    QTest::newRow("built-in") << kRemember1 << none << "rb3tessorn" << "New" << "enter" << invalid
                              << "txtOldPassword" << "rb3tessorn" << kRemember1;
    QTest::newRow("no file")
        << QByteArray()
        << QStringList{"e Can't find the password ini file, please contact our technical support."}
        << "x" << "New" << "enter" << invalid << "txtOldPassword" << "x" << QByteArray();
    QTest::newRow("changed") << kRemember1 << none << "Secret" << "Blue Sky" << "enter" << changed
                             << "" << "" << QByteArray("[PASSWORD]\r\nremember=1\r\npass=Blue Sky\r\n");
    QTest::newRow("over 79 stored") << kLong << none << QString(79, u'a') << "n" << "enter"
                                    << changed << "" << ""
                                    << QByteArray("[PASSWORD]\r\nremember=0\r\npass=n\r\n");
    QTest::newRow("cancel") << kRemember1 << none << "Secret" << "New" << "cancel" << none << ""
                            << "" << kRemember1;
    QTest::newRow("close box") << kRemember1 << none << "Secret" << "New" << "close" << none << ""
                               << "" << kRemember1;
}

void tst_PasswordDialogs::change()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, opening);
    QFETCH(QString, current);
    QFETCH(QString, next);
    QFETCH(QString, action);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(QString, selected);
    QFETCH(QByteArray, after);
    if (!file.isNull())
        test::writeAll(state.strPassFile, file);

    RecordingDialogs dialogs;
    frmPasswordChange dialog(state, dialogs);
    QCOMPARE(said(dialogs), opening);
    dialogs.messages.clear();
    runModal(dialog, [&] {
        QTRY_COMPARE(focused(), dialog.findChild<QLineEdit *>("txtOldPassword"));
        QTest::keyClicks(focused(), current);
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), next);
        finish(dialog, action);
        QCOMPARE(dialog.isVisible(), !focus.isEmpty());
        if (!focus.isEmpty()) {
            QCOMPARE(focused()->objectName(), focus);
            QCOMPARE(qobject_cast<QLineEdit *>(focused())->selectedText(), selected);
        }
    });
    QCOMPARE(said(dialogs), messages);
    QCOMPARE(QFileInfo::exists(state.strPassFile), !after.isNull());
    if (!after.isNull())
        QCOMPARE(test::readAll(state.strPassFile), after);
}

void tst_PasswordDialogs::changeThenLogin()
{
    test::writeAll(state.strPassFile, kRemember1);
    RecordingDialogs dialogs;
    frmPasswordChange change(state, dialogs);
    runModal(change, [&] {
        QTest::keyClicks(focused(), "Secret");
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), "Blue Sky");
        QTest::keyClick(focused(), Qt::Key_Return);
    });
    QCOMPARE(said(dialogs), QStringList{"i Successfully changed the password."});

    QStringList messages;
    QVERIFY(!logIn("Secret", "enter", &messages));
    QCOMPARE(messages, QStringList{"e Incorrect password!"});
    QVERIFY(logIn("rb3tessorn", "enter"));
    // Remembered, then unticked: the next opening shows an empty box.
    QVERIFY(logIn("", "enter", &messages, true));
    QVERIFY(!logIn("", "enter", &messages));
    QCOMPARE(messages, QStringList{"i Please enter a password before proceeding."});
    QVERIFY(logIn("Blue Sky", "enter"));
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
        "The new password could not be saved; the old password stays in force."));
    QVERIFY(dialogs.messages[0].text.contains(state.strPassFile));
    QVERIFY(QFileInfo(state.strPassFile).isDir());
}

QTEST_MAIN(tst_PasswordDialogs)
#include "tst_passworddialogs.moc"
