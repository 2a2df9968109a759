#include "ProgramRun.h"
#include "StandInPlayers.h"
#include "TestSupport.h"


#include <QDirIterator>

using namespace qvic;
using namespace qvic::test;

namespace {

const QString kBuiltIn = QStringLiteral("rb3tessorn");
const QString kSaved = QStringLiteral("harbour lights");

} // namespace

// A site may turn the built-in password off in a settings file its administrator owns; then
// only the password in icpass.ini opens a send, in the window and on the command line alike.
class tst_BuiltInPassword : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QByteArray passwordFile = "[PASSWORD]\r\nremember=0\r\npass=" + kSaved.toLatin1() + "\r\n";
        writeAll(m_dirs.winDir() + "/icpass.ini", passwordFile);
        writeAll(m_dirs.appDir() + "/Application/RTF/Lobby.rtf", "{\\rtf1 Doors open\\par}");
        writeAll(m_dirs.appDir() + "/Application/RTF/Lobby.inst", "120,none,0.25,3,0.5000,0\r\n");
        qputenv("QVIC_SITE_CONFIG", siteFile().toLocal8Bit());
    }

    void commandLineSend_data() { addRows(); }

    // The command line checks the password as the dialog does: refused, nothing is sent.
    void commandLineSend()
    {
        QFETCH(QByteArray, siteSettings);
        QFETCH(QString, password);
        QFETCH(bool, opens);
        writeSiteSettings(siteSettings);
        StandInPlayers player;
        QVERIFY2(player.start(), qPrintable(player.errorString()));
        // The site settings file reaches the program through the environment initTestCase set.
        const Ran ran = runProgram(m_dirs, {"stop", "--player", player.host()}, password.toUtf8() + '\n');

        QCOMPARE(ran.status, opens ? 0 : 1);
        QCOMPARE(QString::fromUtf8(ran.err), opens ? "" : "qv-instant-crawl: incorrect password; nothing was sent\n");
        QCOMPARE(player.count("connect"), opens ? 1 : 0);
        // Nothing the program wrote holds the password: not the send log, nor a temporary file.
        const QStringList written{m_dirs.appDir(), m_dirs.root.filePath("tmp")};
        QCOMPARE(filesHolding(password.toUtf8(), written), QStringList());
    }

private:
    static void addRows()
    {
        QTest::addColumn<QByteArray>("siteSettings");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("opens");
        const QByteArray off = "[PASSWORD]\r\nbuiltin=0\r\n";
        QTest::newRow("built-in, turned off") << off << kBuiltIn << false;
        QTest::newRow("saved password, built-in turned off") << off << kSaved << true;
    }
    static QStringList filesHolding(const QByteArray &text, const QStringList &folders)
    {
        QStringList holding;
        for (const QString &folder : folders) {
            QDirIterator file(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (file.hasNext()) {
                if (readAll(file.next()).contains(text))
                    holding << file.filePath();
            }
        }
        return holding;
    }
    QString siteFile() const { return m_dirs.root.filePath("site/qv-instant-crawl.conf"); }
    void writeSiteSettings(const QByteArray &settings) const
    {
        writeAll(siteFile(), settings);
    }

    TempDirs m_dirs;
};

QTEST_MAIN(tst_BuiltInPassword)
#include "tst_builtinpassword.moc"
