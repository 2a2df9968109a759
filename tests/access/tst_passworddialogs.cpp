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
const QString kPasswordBoxOpen = QStringLiteral("open: passwordBox[]");

// An operator's visit to a password dialog, all by keyboard.
struct Visit
{
    // The password file before; null: not even a WinDir.
    QByteArray file{};
    // In the focused first box at opening, all of it selected (and the tick set when not empty).
    QString shown{};
    // Typed wherever the focus is: \t Tab, \r Enter. A window left open gets its close box.
    QString keys{};
    // Each message's first line.
    QStringList messages{};
    // "accepted", "rejected", or "open: box[selected text]" when the keys leave it open.
    QString ends{};
    // The password file after; null: no file; empty: a folder stands where it is written.
    QByteArray after{};
};

unsigned modeOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 0777;
}

QStringList firstLines(QStringList messages)
{
    const QRegularExpression rest(QStringLiteral("\n.*"), QRegularExpression::DotMatchesEverythingOption);
    return messages.replaceInStrings(rest, QString());
}

} // namespace

Q_DECLARE_METATYPE(Visit)

class tst_PasswordDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_state.passwordFile = m_dirs.winDir() + "/icpass.ini"; }
    void cleanup() { QDir(m_dirs.winDir()).removeRecursively(); }

    void login_data()
    {
        QTest::addColumn<Visit>("visit");
        QTest::newRow("trailing space")
            << Visit{.file = kRemember0,
                     .keys = "Secret \r",
                     .messages = {kWrong},
                     .ends = kPasswordBoxOpen,
                     .after = kRemember0};
        QTest::newRow("built-in password, no file")
            << Visit{.keys = "rb3tessorn\r", .ends = "accepted", .after = "[PASSWORD]\r\nremember=0\r\n"};
        QTest::newRow("remember is a word, then ticked")
            << Visit{.file = "[PASSWORD]\r\nremember=yes\r\npass=Secret\r\n",
                     .keys = "Secret\t \r",
                     .ends = "accepted",
                     .after = kRemember1};
    }

    void login()
    {
        QFETCH(Visit, visit);
        run<PasswordDialog>(visit);
    }

    // The three rules in their order, each leaving the focus where the operator mends it.
    void change_data()
    {
        QTest::addColumn<Visit>("visit");
        QTest::newRow("built-in password as the current")
            << Visit{.file = kRemember1,
                     .keys = "rb3tessorn\tNew\r",
                     .messages = {kInvalid},
                     .ends = "open: currentPasswordBox[rb3tessorn]",
                     .after = kRemember1};
        QTest::newRow("write fails")
            << Visit{.file = kRemember1,
                     .keys = "Secret\tBlue Sky\r",
                     .messages = {"e The new password could not be saved; the old password stays in force."},
                     .ends = kPasswordBoxOpen,
                     .after = ""};
        // A password the file cannot give back as typed is refused before anything is written.
        const QString long80(80, u'x');
        QTest::newRow("80 characters")
            << Visit{.file = kRemember1,
                     .keys = "Secret\t" + long80 + "\r",
                     .messages = {"e The new password is too long: a password can have at most 79 characters."},
                     .ends = "open: passwordBox[" + long80 + "]",
                     .after = kRemember1};
        QTest::newRow("79 characters, euro sign")
            << Visit{.file = kRemember1,
                     .keys = "Secret\t" + QString(78, u'x') + QChar(0x20AC) + "\r",
                     .messages = {"i Successfully changed the password."},
                     .ends = "accepted",
                     .after = "[PASSWORD]\r\nremember=1\r\npass=" + QByteArray(78, 'x') + "\x80\r\n"};
    }

    void change()
    {
        QFETCH(Visit, visit);
        run<PasswordChangeDialog>(visit);
    }

    // The new WinDir and the file are private to the operator.
    void storeWriteMakesPrivateFile()
    {
        QVERIFY(PasswordStore(m_state.passwordFile).storePassword("New Pass"));
        QCOMPARE(test::readAll(m_state.passwordFile), "[PASSWORD]\r\npass=New Pass\r\n");
        QCOMPARE(modeOf(m_state.passwordFile), 0600u);
        QCOMPARE(modeOf(m_dirs.winDir()) & 077, 0u);
    }

private:
    template <typename Dialog> void run(const Visit &visit);

    test::TempDirs m_dirs;
    SharedState m_state;
};

// Shown with exec(), as the program does: top-most, centred, the focus in the first box.
template <typename Dialog> void tst_PasswordDialogs::run(const Visit &visit)
{
    if (!visit.file.isNull())
        test::writeAll(m_state.passwordFile, visit.file);
    RecordingDialogs dialogs;
    m_state.passwordAccepted = false;
    Dialog dialog(m_state, dialogs);
    const bool folderInTheWay = visit.after.isEmpty() && !visit.after.isNull();
    if (folderInTheWay) { // once the dialog has read the file
        QVERIFY(QFile::remove(m_state.passwordFile));
        QVERIFY(QDir().mkdir(m_state.passwordFile));
    }
    QString ends;
    test::whenModal([&](QWidget *modal) {
        QCOMPARE(modal, &dialog);
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        const QPoint offCentre = dialog.frameGeometry().center() - dialog.screen()->geometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);
        QTRY_VERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        auto *first = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QCOMPARE(first->echoMode(), QLineEdit::Password);
        QCOMPARE(first->selectedText(), visit.shown);
        if (auto *tick = dialog.template findChild<QCheckBox *>("rememberBox"))
            QCOMPARE(tick->isChecked(), !visit.shown.isEmpty());

        test::typeKeys(nullptr, visit.keys);

        auto *focused = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        if (focused && dialog.isVisible())
            ends = QStringLiteral("open: %1[%2]").arg(focused->objectName(), focused->selectedText());
    });
    dialog.exec();
    if (ends.isEmpty())
        ends = dialog.result() == QDialog::Accepted ? "accepted" : "rejected";

    QCOMPARE(ends, visit.ends);
    const bool loggedIn = std::is_same_v<Dialog, PasswordDialog> && ends == u"accepted";
    QCOMPARE(m_state.passwordAccepted, loggedIn);
    QCOMPARE(firstLines(dialogs.said), visit.messages);
    QCOMPARE(QFileInfo::exists(m_state.passwordFile), !visit.after.isNull());
    QCOMPARE(test::readAll(m_state.passwordFile), visit.after);
}

QTEST_MAIN(tst_PasswordDialogs)
#include "tst_passworddialogs.moc"
