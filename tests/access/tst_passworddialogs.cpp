#include "access/PasswordStore.h"
#include "access/ui/PasswordDialog.h"
#include "access/ui/PasswordChangeDialog.h"
#include "state/SharedState.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScreen>

#include <sys/stat.h>

using namespace qvic;

namespace {

const QByteArray kRemember0("[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
const QByteArray kRemember1("[PASSWORD]\r\nremember=1\r\npass=Secret\r\n");
const QString kWrong = QStringLiteral("e Incorrect password!");
const QString kInvalid = QStringLiteral("e Invalid current password, please try again.");

// An operator's visit to a password dialog, all by keyboard.
struct Visit
{
    QByteArray file; // before; null: not even a WinDir
    QString shown;   // in the focused first box at opening, all of it selected (and the tick set)
    QString keys;    // typed wherever the focus is: \t Tab, \r Enter; a window left open gets its close box
    QStringList messages; // a message's first line
    QString ends;    // "accepted", "rejected", or "open: box[selected text]" when the keys leave it open
    QByteArray after; // null: no file; empty: a folder stands where the file is written
};

} // namespace

Q_DECLARE_METATYPE(Visit)

class tst_PasswordDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { state.passwordFile = dirs.winDir() + "/icpass.ini"; }
    void cleanup() { QDir(dirs.winDir()).removeRecursively(); }
    void login() { QFETCH(Visit, visit); run<PasswordDialog>(visit); }
    void change() { QFETCH(Visit, visit); run<PasswordChangeDialog>(visit); }

    // The Kite-7 tests press Cancel here; the store's tests read a stored password over 79 characters.
    void login_data()
    {
        QTest::addColumn<Visit>("visit");
        const QString open = QStringLiteral("open: passwordBox[]");
        QTest::newRow("empty box") << Visit{{}, "", "\r", {"i Please enter a password before proceeding."}, open, {}};
        QTest::newRow("blank") << Visit{kRemember0, "", "Secret \r", {kWrong}, open, kRemember0};
        QTest::newRow("built-in, no file") << Visit{{}, "", "rb3tessorn\r", {}, "accepted", "[PASSWORD]\r\nremember=0\r\n"};
        QTest::newRow("remember 1, built-in typed over") << Visit{kRemember1, "Secret", "rb3tessorn\r", {}, "accepted", kRemember1};
        QTest::newRow("remember a word, ticked") << Visit{"[PASSWORD]\r\nremember=yes\r\npass=Secret\r\n", "", "Secret\t \r", {},
                                                          "accepted", kRemember1};
        QTest::newRow("close box") << Visit{kRemember0, "", "Secret", {}, open, kRemember0};
    }

    // The three rules in their order, each leaving the focus where the operator mends it.
    void change_data()
    {
        QTest::addColumn<Visit>("visit");
        QTest::newRow("both empty") << Visit{kRemember1, "", "\t\r", {"i Please enter the current password."}, "open: currentPasswordBox[]", kRemember1};
        QTest::newRow("no new, wrong current") << Visit{kRemember1, "", "x\t\r", {"i Please enter a new password."},
                                                        "open: passwordBox[]", kRemember1};
        QTest::newRow("built-in") << Visit{kRemember1, "", "rb3tessorn\tNew\r", {kInvalid}, "open: currentPasswordBox[rb3tessorn]", kRemember1};
        QTest::newRow("no file") << Visit{{}, "", "x\tNew\r", {"e Can't find the password ini file, please contact our technical support.",
                                                               kInvalid}, "open: currentPasswordBox[x]", {}};
        QTest::newRow("write fails") << Visit{kRemember1, "", "Secret\tBlue Sky\r",
            {"e The new password could not be saved; the old password stays in force."}, "open: passwordBox[]", ""};
        QTest::newRow("cancel") << Visit{kRemember1, "", "Secret\tNew\t\t ", {}, "rejected", kRemember1};
        // A password the file cannot give back as typed is refused before anything is written.
        const QString long80(80, u'x');
        QTest::newRow("80 characters") << Visit{kRemember1, "", "Secret\t" + long80 + "\r",
            {"e The new password is too long: a password can have at most 79 characters."},
            "open: passwordBox[" + long80 + "]", kRemember1};
        QTest::newRow("outside Windows-1252") << Visit{kRemember1, "", QString::fromUtf8("Secret\tSnow \u2603\r"),
            {"e The new password cannot be kept as typed: use only Western European (Windows-1252) "
             "letters, digits and signs, with no space at its start or end and no quotes around it."},
            QString::fromUtf8("open: passwordBox[Snow \u2603]"), kRemember1};
        QTest::newRow("79 characters, euro sign") << Visit{kRemember1, "", "Secret\t" + QString(78, u'x') + QChar(0x20AC) + "\r",
            {"i Successfully changed the password."}, "accepted",
            "[PASSWORD]\r\nremember=1\r\npass=" + QByteArray(78, 'x') + "\x80\r\n"};
    }

    // The old password opens until a change is accepted; then the new one is taken and the
    // old refused; unticking forgets it for the next opening.
    void changeThenLogin()
    {
        const QByteArray changed("[PASSWORD]\r\nremember=1\r\npass=Blue Sky\r\n");
        const QByteArray forgot("[PASSWORD]\r\nremember=0\r\npass=Blue Sky\r\n");
        run<PasswordDialog>({kRemember1, "Secret", "\r", {}, "accepted", kRemember1}); // as the refused changes leave it
        run<PasswordChangeDialog>({{}, "", "Secret\tBlue Sky\r", {"i Successfully changed the password."}, "accepted", changed});
        run<PasswordDialog>({{}, "Blue Sky", "Secret\r", {kWrong}, "open: passwordBox[]", changed});
        run<PasswordDialog>({{}, "Blue Sky", "\t \r", {}, "accepted", forgot});
        run<PasswordDialog>({{}, "", "Blue Sky\r", {}, "accepted", forgot});
    }

    // The store as each dialog loads it; "remember" counts when exactly "1" (the dialogs' rows show the others).
    void storeLoad_data()
    {
        // saved: as the password dialog loads it; stored: as the change dialog loads it
        test::columns<QByteArray, bool, QString, QString>("file", "remember", "saved", "stored");
        QTest::newRow("pass without remember is not read") << QByteArray("[PASSWORD]\r\npass=Secret\r\n") << false << "" << "Secret";
        QTest::newRow("lower-case names, LF ends") << QByteArray("[password]\nREMEMBER=1\nPass=Se cret\n") << true << "Se cret" << "Se cret";
        QTest::newRow("over 79 characters") << "[PASSWORD]\r\nremember=0\r\npass=" + QByteArray(79, 'a') + "b\r\n" << false << QString(79, u'a') << QString(79, u'a');
    }

    void storeLoad()
    {
        QFETCH(QByteArray, file);
        if (!file.isNull())
            test::writeAll(state.passwordFile, file);
        const PasswordStore store(state.passwordFile);
        QTEST(store.loadLogin().remember, "remember");
        QTEST(store.loadLogin().savedPassword, "saved");
        QTEST(store.loadPassword(), "stored");
    }

    // A new WinDir, then a file an administrator left (0644): the file and the new folder end up private.
    void storeWrite()
    {
        const auto mode = [](const QString &file) { struct stat info {}; return ::stat(QFile::encodeName(file).constData(), &info) ? 0u : info.st_mode & 0777; };
        QVERIFY(PasswordStore(state.passwordFile).storePassword("New Pass"));
        QCOMPARE(test::readAll(state.passwordFile), "[PASSWORD]\r\npass=New Pass\r\n");
        QVERIFY(mode(state.passwordFile) == 0600u && (mode(dirs.winDir()) & 077) == 0);
        const QString kept = dirs.root.filePath("kept.ini");
        test::writeAll(kept, "[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=Old\r\n");
        QVERIFY(PasswordStore(kept).storePassword(u"\u00e9t\u20ac"_qs));
        QCOMPARE(test::readAll(kept), "[Other]\r\npass=x\r\n[PASSWORD]\r\nremember=1\r\npass=\xe9t\x80\r\n");
        QCOMPARE(mode(kept), 0600u);
    }

private:
    template <typename Dialog> void run(const Visit &visit);

    test::TempDirs dirs;
    SharedState state;
};

// Shown with exec(), as the program does: top-most, centred, the focus in the first box.
template <typename Dialog> void tst_PasswordDialogs::run(const Visit &visit)
{
    if (!visit.file.isNull())
        test::writeAll(state.passwordFile, visit.file);
    RecordingDialogs dialogs;
    state.passwordAccepted = false;
    Dialog dialog(state, dialogs);
    if (visit.after.isEmpty() && !visit.after.isNull()) // once the dialog has read the file
        QVERIFY(QFile::remove(state.passwordFile) && QDir().mkdir(state.passwordFile));
    QString ends;
    test::whenModal([&](QWidget *modal) {
        QCOMPARE(modal, &dialog);
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY((dialog.frameGeometry().center() - dialog.screen()->geometry().center()).manhattanLength() <= 2);
        QLineEdit *box = nullptr;
        QTRY_VERIFY((box = qobject_cast<QLineEdit *>(QApplication::focusWidget())) && box->echoMode() == QLineEdit::Password);
        QCOMPARE(box->selectedText(), visit.shown);
        if (auto *tick = dialog.template findChild<QCheckBox *>("rememberBox"))
            QCOMPARE(tick->isChecked(), !visit.shown.isEmpty());
        test::typeKeys(nullptr, visit.keys);
        if ((box = qobject_cast<QLineEdit *>(QApplication::focusWidget())) && dialog.isVisible())
            ends = QStringLiteral("open: %1[%2]").arg(box->objectName(), box->selectedText());
    });
    dialog.exec();
    if (ends.isEmpty())
        ends = dialog.result() == QDialog::Accepted ? "accepted" : "rejected";
    QCOMPARE(ends, visit.ends);
    QCOMPARE(state.passwordAccepted, (std::is_same_v<Dialog, PasswordDialog> && ends == u"accepted"));
    QCOMPARE(dialogs.said.replaceInStrings(QRegularExpression("\n.*", QRegularExpression::DotMatchesEverythingOption), ""), visit.messages);
    QCOMPARE(QFileInfo::exists(state.passwordFile), !visit.after.isNull());
    QCOMPARE(test::readAll(state.passwordFile), visit.after);
}

QTEST_MAIN(tst_PasswordDialogs)
#include "tst_passworddialogs.moc"
