#include "ProgramRun.h"
#include "StandInPlayers.h"
#include "TestSupport.h"

#include "cli/CliOptions.h"
#include "dispatch/SendLog.h"

#include <QJsonArray>
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
const QString kLogon = "Can't logon to this IP Address";

// How the parser took the arguments: its usage error, the help asked for, or the SOURCE read.
QString described(const cli::Parsed &parsed)
{
    if (const auto *error = std::get_if<cli::UsageError>(&parsed))
        return error->problem;
    if (const auto *help = std::get_if<cli::HelpRequest>(&parsed))
        return "help " + cli::commandName(help->command);
    if (const auto *options = std::get_if<cli::Options>(&parsed))
        return "source " + options->source;
    return "version";
}

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
    void options_data();
    void options();
    void failedPlayerToldInJson();
    void passwordTypedAtTheTerminal();
    void refusals_data();
    void refusals();
    void players();
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
    writeAll(m_dirs.appDir() + "/IPList.txt", "10.0.0.5\r\n\r\n127.0.0.1:2100\r\n");
    writeAll(passwordFile(), "[PASSWORD]\r\nremember=0\r\npass=Secret\r\n");
    writeAll(m_dirs.root.filePath("password"), "Secret\n");
    // Long enough to be still on its way to a slow player when the program is told to end.
    writeAll(rtf() + "Large.rtf", "{\\rtf1\\ansi " + QByteArray(1 << 20, 'x') + '}');
    writeAll(rtf() + "Large.inst", kSettings);
}

void tst_Cli::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("read"); // as described() tells it
    QTest::newRow("alert's source after --")
        << QStringList{"alert", "-g", "Lobby", "--", "--odd.xml"} << "source --odd.xml";
    QTest::newRow("help wins")
        << QStringList{"stop", "-p", "x", "--help", "--x"} << "help stop";
    QTest::newRow("unknown")
        << QStringList{"players", "--all"} << "unrecognized option '--all'";
    QTest::newRow("not for stop")
        << QStringList{"stop", "--crawl", "Lobby"} << "option '--crawl' does not apply to 'stop'";
    QTest::newRow("twice")
        << QStringList{"stop", "-g", "a", "-g", "b"} << "option '--group' given more than once";
    QTest::newRow("off the list")
        << QStringList{"alert", "a.xml", "-g", "Lobby", "--accept", "test,rehearsal"}
        << "invalid argument 'test,rehearsal' for '--accept' (a list of exercise, test, system, draft)";
}

// GNU's words, a row for each kind of mistake; the first --help or --version decides, as for
// the window.
void tst_Cli::options()
{
    QFETCH(QStringList, arguments);
    QTEST(described(cli::parseArguments(arguments)), "read");
}

// A group's player refuses the logon: the others get the crawl, the run exits 2, and the JSON
// and the send log name the failed player with why.
void tst_Cli::failedPlayerToldInJson()
{
    StandInPlayers players({StandInPlayers::Fault::None, StandInPlayers::Fault::Refused});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(m_dirs.appDir() + "/groups.ini", ("[Lobby]\n" + players.host(0) + '\n' + players.host(1) + '\n').toUtf8());
    const qsizetype logged = SendLog::read(logPath()).rows.size();

    const Ran ran = run({"start", "--crawl", rtf() + "Lobby.rtf", "--group", "lobby", "--json"}, "Secret");

    QVERIFY2(ran.status == 2, ran.out + ran.err);
    QCOMPARE(readAll(players.root(0) + "/media/Lobby.rtf"), kCrawl);
    QCOMPARE(readAll(players.root(1) + "/settings/Instant.txt"), QByteArray());
    const QJsonArray reported = QJsonDocument::fromJson(ran.out).object().value("players").toArray();
    QCOMPARE(reported.size(), 2);
    QCOMPARE(reported[0].toObject()["outcome"].toString(), "delivered");
    QCOMPARE(reported[1].toObject()["address"].toString(), players.host(1));
    QCOMPARE(reported[1].toObject()["outcome"].toString(), "failed");
    QCOMPARE(reported[1].toObject()["error"].toString(), kLogon);
    const QList<SendLogRow> log = SendLog::read(logPath()).rows.mid(logged);
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[1].outcome, "failed: " + kLogon);
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

// The saved addresses and the groups; a skipped line of the groups file is told.
void tst_Cli::players()
{
    writeAll(m_dirs.appDir() + "/groups.ini", "10.9.9.9\n[Lobby]\n10.0.0.5\n[::1]:2100\n[Empty]\n");

    const Ran listed = run({"players"});

    QCOMPARE(listed.status, 0);
    QCOMPARE(QString(listed.out), "Saved addresses (" + m_dirs.appDir() + "/IPList.txt):\n"
                                  "  10.0.0.5\n"
                                  "  127.0.0.1:2100\n"
                                  "Groups (" + m_dirs.appDir() + "/groups.ini):\n"
                                  "  [Lobby]\n"
                                  "    10.0.0.5\n"
                                  "    [::1]:2100\n"
                                  "  [Empty]\n"
                                  "    (no address)\n");
    QCOMPARE(QString(listed.err), "qv-instant-crawl: warning: " + m_dirs.appDir()
                                      + "/groups.ini: line 1: an address outside any group was skipped\n");
}

// Players that took the document but never answer keep a send waiting for their reply; a
// supervisor's SIGTERM ends it at once all the same, every player logged as cancelled and the
// files built for them gone.
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

// Without a password file a send is refused with the way out; `password` sets the first
// password, which then opens a send.
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
