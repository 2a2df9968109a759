#include "ProgramRun.h"
#include "StandInPlayers.h"
#include "TestSupport.h"

#include "dispatch/SendLog.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace qvic;
using namespace qvic::test;

namespace {

// Two paragraphs, the second partly bold.
const QByteArray kCrawl
    = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs40 Doors open at nine\\par Exit by the \\b lobby\\b0}";
const QByteArray kSettings = "120,none,0.25,3,0.5000,0\r\n";

// Whether the terminal behind terminal echoes what is typed.
bool echoes(int terminal)
{
    termios settings{};
    return ::tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO);
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void passwordTypedAtTheTerminal();
    void refusals_data();
    void refusals();
    void signalEndsStuckSendAtOnce();
    void firstPasswordThenAStart();

private:
    // Starts the program as a process on our folders, its temporary one included.
    void start(QProcess &process, const QStringList &arguments) const
    {
        process.setProcessEnvironment(programEnvironment(m_dirs));
        process.start(QVIC_EXECUTABLE, arguments);
    }
    Ran run(const QStringList &arguments, const QByteArray &input = {}) const
    {
        return runProgram(m_dirs, arguments, input);
    }
    QString rtf() const { return m_dirs.appDir() + "/Application/RTF/"; }
    QString logPath() const { return m_dirs.appDir() + "/sendlog.csv"; }
    QString tmpDir() const { return m_dirs.root.filePath("tmp"); }
    QString passwordFile() const { return m_dirs.winDir() + "/icpass.ini"; }

    TempDirs m_dirs;
};

void tst_Cli::initTestCase()
{
    writeAll(rtf() + "Lobby.rtf", kCrawl);
    writeAll(rtf() + "Lobby.inst", kSettings);
    writeAll(rtf() + "Bare.rtf", kCrawl);
    writeAll(passwordFile(), "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
    writeAll(m_dirs.root.filePath("password"), "Secret\n");
    // Long enough to be still on its way to a slow player when the program is told to end.
    writeAll(rtf() + "Large.rtf", "{\\rtf1\\ansi " + QByteArray(1 << 20, 'x') + '}');
    writeAll(rtf() + "Large.inst", kSettings);
}

// The operator types the password at the prompt on the terminal: it is not echoed, and the
// stop goes out.
void tst_Cli::passwordTypedAtTheTerminal()
{
    StandInPlayers player;
    QVERIFY2(player.start(), qPrintable(player.errorString()));
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0)
        QSKIP("This machine has no pseudo-terminals.");
    const auto closeTerminal = qScopeGuard([terminal] { ::close(terminal); });
    QCOMPARE(::grantpt(terminal), 0);
    QCOMPARE(::unlockpt(terminal), 0);
    QCOMPARE(::fcntl(terminal, F_SETFL, O_NONBLOCK), 0);
    const QByteArray operatorSide = ::ptsname(terminal);
    QProcess process;
    // As from a shell: a session whose controlling terminal is the operator's, on standard input.
    process.setChildProcessModifier([operatorSide] {
        ::setsid();
        const int side = ::open(operatorSide.constData(), O_RDWR);
        ::ioctl(side, TIOCSCTTY, 0);
        ::dup2(side, STDIN_FILENO);
    });
    QByteArray screen;
    const auto readScreen = [&] {
        char bytes[256];
        for (ssize_t got; (got = ::read(terminal, bytes, sizeof bytes)) > 0;)
            screen.append(bytes, got);
        return screen;
    };

    start(process, {"stop", "-p", player.host()});

    QTRY_COMPARE_WITH_TIMEOUT(readScreen(), "Password: ", 10000);
    QTRY_VERIFY(!echoes(terminal)); // the operator types once the prompt waits
    QCOMPARE(::write(terminal, "Secret\r", 7), 7);
    QVERIFY(process.waitForFinished(30000));
    readScreen();
    QCOMPARE(screen, "Password: \r\n"); // the Enter's line end only, written by the program
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardError(), QByteArray());
    const QByteArray command = readAll(player.root() + "/settings/Instant.txt");
    QVERIFY2(command.endsWith("\r\nMessage=@STOP_INSTANT_CRAWL\r\n"), command);
}

void tst_Cli::refusals_data()
{
    QTest::addColumn<QStringList>("arguments"); // APP stands for the AppDir, P0 for the player
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("error"); // APP stands for the AppDir

    const QString rtf = "APP/Application/RTF/";
    QTest::newRow("unknown crawl")
        << QStringList{"start", "-c", "Nowhere", "-p", "P0"} << QByteArray("Secret\n")
        << "no crawl 'Nowhere' in " + rtf.chopped(1) + " (looked for Nowhere.rtf)";
    QTest::newRow("no settings file")
        << QStringList{"start", "-c", "Bare", "-p", "P0"} << QByteArray("Secret\n")
        << "the crawl " + rtf + "Bare.rtf has no settings file " + rtf
               + "Bare.inst; open the crawl in the window and save it to write one";
    QTest::newRow("bad usage")
        << QStringList{"start", "-p", "P0"} << QByteArray("Secret\n")
        << "'start' needs --crawl NAME\nTry 'qv-instant-crawl start --help' for more information.";
}

// Bad input and a refused password: exit 1, one clear line, nothing sent and nothing logged.
// With --json the refusal is one JSON object on standard output, the hint left out. Which
// addresses and document names are refused is the address table's and the builders' matter.
void tst_Cli::refusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QString, error);
    StandInPlayers player;
    QVERIFY2(player.start(), qPrintable(player.errorString()));
    writeAll(m_dirs.appDir() + "/groups.ini", ("[Lobby]\n" + player.host() + "\n[Empty]\n").toUtf8());
    arguments.replaceInStrings("P0", player.host());
    arguments.replaceInStrings("APP", m_dirs.appDir());
    error.replace("APP", m_dirs.appDir());
    const QByteArray logBefore = readAll(logPath());

    const Ran ran = run(arguments, input);

    QCOMPARE(ran.status, 1);
    QCOMPARE(ran.out, QByteArray());
    QCOMPARE(QString(ran.err), "qv-instant-crawl: " + error + '\n');

    const Ran json = run(arguments << "--json", input);

    QCOMPARE(json.status, 1);
    const QJsonObject refusal{{"error", error.section(u'\n', 0, 0)}, {"exitStatus", 1}};
    QCOMPARE(QJsonDocument::fromJson(json.out).object(), refusal);
    QCOMPARE(player.events(), QStringList());
    QCOMPARE(readAll(logPath()), logBefore);
}

// Without a password file a send is refused with the way out; `password` sets the first
// password, which then opens a send.
// SIGTERM while three players sit on their uploads' replies ends the send at once: every player
// logged as cancelled, the temporary folder gone.
void tst_Cli::signalEndsStuckSendAtOnce()
{
    QVERIFY(QDir(tmpDir()).removeRecursively());
    QVERIFY(QDir().mkpath(tmpDir()));
    StandInPlayers players(QList<StandInPlayers::Fault>(3, StandInPlayers::Fault::NoReplyAfterData));
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    const qsizetype logged = SendLog::read(logPath()).rows.size();
    QProcess process;
    start(process, {"start", "--crawl", "Large", "-p", players.host(0), "-p", players.host(1),
                    "-p", players.host(2), "--password-file", m_dirs.root.filePath("password")});
    for (int player = 0; player < players.size(); ++player)
        QTRY_COMPARE_WITH_TIMEOUT(players.count("received /media/Large.rtf.part", player), 1, 10000);

    ::kill(pid_t(process.processId()), SIGTERM);

    // Their replies would be awaited for the response limit, 15 s.
    QVERIFY2(process.waitForFinished(10000), "the send went on after SIGTERM");
    QCOMPARE(process.exitCode(), 128 + SIGTERM);
    const QList<SendLogRow> log = SendLog::read(logPath()).rows.mid(logged);
    QCOMPARE(log.size(), players.size());
    for (const SendLogRow &line : log)
        QCOMPARE(line.outcome, "failed: Transferring process is cancelled.");
    QCOMPARE(QDir(tmpDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void tst_Cli::firstPasswordThenAStart()
{
    QVERIFY(QFile::rename(passwordFile(), passwordFile() + ".away"));
    const auto putBack = qScopeGuard([&] {
        QFile::remove(passwordFile());
        QFile::rename(passwordFile() + ".away", passwordFile());
    });
    StandInPlayers player;
    QVERIFY2(player.start(), qPrintable(player.errorString()));

    const Ran refused = run({"start", "--crawl", "Lobby", "-p", player.host()}, "Secret\n");
    const Ran set = run({"password"}, "lobby lights\nlobby lights\n");
    const Ran started = run({"start", "--crawl", "Lobby", "-p", player.host()}, "lobby lights\n");

    QCOMPARE(refused.status, 1);
    QCOMPARE(QString(refused.err), "qv-instant-crawl: there is no password file " + passwordFile()
                                       + "; set the first password with 'qv-instant-crawl password'; nothing was sent\n");
    QCOMPARE(set.status, 0);
    QCOMPARE(QString(set.out), "The first password is set in " + passwordFile() + ".\n");
    QVERIFY2(started.status == 0, started.out + started.err);
    QCOMPARE(readAll(player.root() + "/media/Lobby.rtf"), kCrawl);
}

QTEST_MAIN(tst_Cli)
#include "tst_cli.moc"
