#include "StandInPlayers.h"
#include "TestSupport.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace qvic::test;

namespace {

const QByteArray kPassword = "harbour lights";

// Where the system writes a crashing process's core: a file in its working folder unless
// the pattern hands cores to a program, which the test cannot look into.
bool coresLandInWorkingFolder()
{
    return !readAll("/proc/sys/kernel/core_pattern").startsWith('|');
}

} // namespace

// The program holds the operator's password while it asks, checks and sends; a core dump
// written then would carry it off. SIGQUIT makes a process dump core where the shell allows.
// The window's start passes the same guard in main() before it parts from the command line's.
class tst_CoreDumps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!coresLandInWorkingFolder())
            QSKIP("This machine hands core dumps to a program.");
        writeAll(m_dirs.appDir() + "/Application/RTF/Lobby.rtf", "{\\rtf1 " + QByteArray(1 << 20, 'x') + "}");
        writeAll(m_dirs.appDir() + "/Application/RTF/Lobby.inst", "120,none,0.25,3,0.5000,0\r\n");
        writeAll(m_dirs.winDir() + "/icpass.ini", "[PASSWORD]\r\nremember=0\r\npass=" + kPassword + "\r\n");
    }

    // A send from the command line, quit mid-upload: no core, so no password in one.
    void noCoreDuringCommandLineSend()
    {
        StandInPlayers players({StandInPlayers::Fault::Throttle});
        players.setRate(20000);
        QVERIFY2(players.start(), qPrintable(players.errorString()));
        QTemporaryDir folder;
        QProcess program;
        startAllowingCores(program, folder.path(), {"start", "--crawl", "Lobby", "--player", players.host()});
        program.write(kPassword + '\n');
        program.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(players.count("command STOR") == 1, 10000);

        ::kill(pid_t(program.processId()), SIGQUIT);
        QVERIFY(program.waitForFinished(10000));

        QCOMPARE(program.exitStatus(), QProcess::CrashExit);
        QCOMPARE(coresIn(folder.path()), QStringList());
    }

private:
    // The program in folder, with the shell's core size limit lifted.
    void startAllowingCores(QProcess &program, const QString &folder, const QStringList &arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QVIC_APP_DIR", m_dirs.appDir());
        environment.insert("QVIC_WIN_DIR", m_dirs.winDir());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(folder);
        const QStringList shell{"-c", "ulimit -c unlimited && exec \"$0\" \"$@\"", QVIC_EXECUTABLE};
        program.start("/bin/sh", shell + arguments);
        QVERIFY(program.waitForStarted());
    }

    static QStringList coresIn(const QString &folder)
    {
        return QDir(folder).entryList({"core*"}, QDir::Files);
    }

    TempDirs m_dirs;
};

QTEST_GUILESS_MAIN(tst_CoreDumps)
#include "tst_coredumps.moc"
