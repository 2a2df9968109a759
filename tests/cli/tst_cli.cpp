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
#include <sys/stat.h>
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

// How the parser read the arguments, in one line.
QString described(const cli::Parsed &parsed)
{
    if (const auto *error = std::get_if<cli::UsageError>(&parsed))
        return error->problem;
    if (const auto *help = std::get_if<cli::HelpRequest>(&parsed))
        return "help " + cli::commandName(help->command);
    if (std::holds_alternative<cli::VersionRequest>(parsed))
        return "version";
    const auto &options = std::get<cli::Options>(parsed);
    const cli::Kite7Choices &kite7 = options.kite7Choices;
    const QStringList fields{cli::commandName(options.command),
                             options.crawl,
                             options.players.join(','),
                             options.group.value_or("-"),
                             options.kite7 ? "kite7" : "-",
                             kite7.comPort.value_or("-"),
                             kite7.speed.value_or("-"),
                             kite7.position.value_or("-"),
                             kite7.repeat.value_or("-"),
                             options.passwordFile.value_or("-"),
                             QString::number(options.maxConnections),
                             options.json ? "json" : "-"};
    return fields.join(' ');
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
    void sends_data();
    void sends();
    void kite7StartEndsWithTheDeviceScript();
    void passwordTypedAtTheTerminal();
    void refusals_data();
    void refusals();
    void players();
    void leavesNoTemporaryFiles_data();
    void leavesNoTemporaryFiles();
    void signalEndsStuckSendAtOnce();
    void firstPasswordThenAStart();
    void passwordChangeRefused_data();
    void passwordChangeRefused();

private:
    struct Ran
    {
        int status; // -1: ended by a signal
        QByteArray out;
        QByteArray err;
    };
    // Starts the program as a process, with no display to be had and our folders for its own,
    // its temporary ones included.
    void start(QProcess &process, const QStringList &arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("QVIC_APP_DIR", m_dirs.appDir());
        environment.insert("QVIC_WIN_DIR", m_dirs.winDir());
        environment.insert("HOME", m_dirs.root.path());
        environment.insert("TMPDIR", tmpDir());
        process.setProcessEnvironment(environment);
        process.start(QVIC_EXECUTABLE, arguments);
    }
    Ran run(const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcess process;
        start(process, arguments);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(60000);
        const int status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return {status, process.readAllStandardOutput(), process.readAllStandardError()};
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
    QVERIFY(QDir().mkpath(tmpDir()));
}

void tst_Cli::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("read"); // as described() tells it
    QTest::newRow("both value forms")
        << QStringList{"start", "--crawl=Lobby", "-p10.0.0.5", "-p", "10.0.0.6", "--kite7",
                       "--kite7-speed", "fast", "--kite7-repeat=infinite", "--kite7-port=8",
                       "--max-connections", "4"}
        << "start Lobby 10.0.0.5,10.0.0.6 - kite7 8 Fast - 128 - 4 -";
    QTest::newRow("stop")
        << QStringList{"stop", "-g", "Lobby", "--password-file", "-", "--json"}
        << "stop   Lobby - - - - - - 32 json";
    QTest::newRow("help wins")
        << QStringList{"stop", "-p", "x", "--help", "--x"} << "help stop";
    QTest::newRow("no command")
        << QStringList{"strat"} << "unrecognized command 'strat'";
    QTest::newRow("unknown")
        << QStringList{"players", "--all"} << "unrecognized option '--all'";
    QTest::newRow("no value")
        << QStringList{"start", "--crawl"} << "option '--crawl' requires an argument";
    QTest::newRow("not for stop")
        << QStringList{"stop", "--crawl", "Lobby"} << "option '--crawl' does not apply to 'stop'";
    QTest::newRow("twice")
        << QStringList{"stop", "-g", "a", "-g", "b"} << "option '--group' given more than once";
    QTest::newRow("positional")
        << QStringList{"start", "Lobby"} << "unexpected argument 'Lobby'";
    QTest::newRow("no player")
        << QStringList{"stop"} << "'stop' needs --player ADDRESS or --group GROUP";
    QTest::newRow("device choice alone")
        << QStringList{"stop", "-p", "x", "--kite7-port", "2"} << "option '--kite7-port' needs --kite7";
    QTest::newRow("off the list")
        << QStringList{"start", "-c", "L", "-p", "x", "--kite7", "--kite7-position=39"}
        << "invalid argument '39' for '--kite7-position' (40 to 218)";
}

// GNU's forms and words, a row for each kind of mistake; the first --help or --version decides,
// as for the window. A refusal as the operator reads it is in the refusals' rows.
void tst_Cli::options()
{
    QFETCH(QStringList, arguments);
    QTEST(described(cli::parseArguments(arguments)), "read");
}

void tst_Cli::sends_data()
{
    QTest::addColumn<QStringList>("arguments"); // P0 and P1 stand for the players' addresses
    QTest::addColumn<QList<int>>("refused");    // the players that refuse the logon
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("command");    // the command file after its time stamp line
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("outcomes");  // as the send log words them

    const QByteArray start = "Message=@START_INSTANT_CRAWL,Lobby.rtf,120,none,0.25,3,0.5000,000000\r\n";
    const QStringList both{"delivered", "delivered"};
    QTest::newRow("start to two, password file")
        << QStringList{"start", "--crawl", "Lobby", "--player", "P0", "-p", "P1",
                       "--password-file", m_dirs.root.filePath("password")}
        << QList<int>{} << QByteArray() << start << 0 << both;
    QTest::newRow("stop to a group, JSON")
        << QStringList{"stop", "--group", "lobby", "--json"}
        << QList<int>{} << QByteArray("Secret\r\n") << QByteArray("Message=@STOP_INSTANT_CRAWL\r\n") << 0 << both;
    QTest::newRow("one fails, JSON")
        << QStringList{"start", "--crawl", rtf() + "Lobby.rtf", "-p", "P0", "-p", "P1", "--json"}
        << QList<int>{1} << QByteArray("Secret") << start << 2
        << QStringList{"delivered", "failed: " + kLogon};
}

// Each player gets the document and the command file; the output tells each player's outcome,
// the exit status the whole, and the send log gains a line per player.
void tst_Cli::sends()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<int>, refused);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, command);
    QFETCH(int, status);
    QFETCH(QStringList, outcomes);
    using Fault = StandInPlayers::Fault;
    StandInPlayers players({refused.contains(0) ? Fault::Refused : Fault::None,
                            refused.contains(1) ? Fault::Refused : Fault::None});
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    writeAll(m_dirs.appDir() + "/groups.ini",
             ("[Lobby]\n" + players.host(0) + '\n' + players.host(1) + "\n[Empty]\n").toUtf8());
    arguments.replaceInStrings("P0", players.host(0));
    arguments.replaceInStrings("P1", players.host(1));
    const qsizetype logged = SendLog::read(logPath()).rows.size();
    const bool start = arguments[0] == "start";
    const bool json = arguments.contains("--json");

    const Ran ran = run(arguments, input);

    QVERIFY2(ran.status == status, ran.out + ran.err);
    QCOMPARE(ran.err, QByteArray());
    const QJsonArray reported = QJsonDocument::fromJson(ran.out).object().value("players").toArray();
    const QList<SendLogRow> log = SendLog::read(logPath()).rows.mid(logged);
    QCOMPARE(log.size(), 2);
    const QRegularExpression timeLine("^Time=\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d [AP]M\r\n");
    for (int i = 0; i < 2; ++i) {
        const bool delivered = outcomes[i] == "delivered";
        const QByteArray got = readAll(players.root(i) + "/settings/Instant.txt");
        if (delivered) {
            QVERIFY2(timeLine.match(got).hasMatch(), got);
            QCOMPARE(got.mid(got.indexOf('\n') + 1), command);
        } else {
            QCOMPARE(got, QByteArray());
        }
        QCOMPARE(readAll(players.root(i) + "/media/Lobby.rtf"), start && delivered ? kCrawl : QByteArray());
        if (json) {
            const QJsonObject player = reported[i].toObject();
            QCOMPARE(player["address"].toString(), players.host(i));
            QCOMPARE(player["outcome"].toString(), delivered ? "delivered" : "failed");
            QCOMPARE(player["error"].toString(), delivered ? "" : kLogon);
            qint64 verified = 0;
            if (delivered)
                verified = (start ? kCrawl.size() : 0) + got.size();
            QCOMPARE(player["bytesVerified"].toInteger(), verified);
        } else {
            QVERIFY2(ran.out.contains(players.host(i).toUtf8() + ": delivered, "), ran.out);
        }
        QCOMPARE(log[i].player, players.host(i));
        QCOMPARE(log[i].outcome, outcomes[i]);
        QCOMPARE(log[i].action, start ? "start" : "stop");
        QCOMPARE(log[i].document, start ? "Lobby.rtf" : "");
    }
    if (!json)
        QVERIFY2(ran.out.endsWith("\nStart sent to 2 players: 2 delivered.\n"), ran.out);
}

// A Kite-7 start leaves the device script on the player, built from the choices given and the
// crawl's text; only the first line of standard input is the password.
void tst_Cli::kite7StartEndsWithTheDeviceScript()
{
    StandInPlayers player;
    QVERIFY2(player.start(), qPrintable(player.errorString()));

    const Ran ran = run({"start", "-c", "Lobby.rtf", "-p", player.host(), "--kite7", "--kite7-port=3",
                         "--kite7-repeat", "5"},
                        "Secret\nnext line\n");

    QVERIFY2(ran.status == 0, ran.out + ran.err);
    const QByteArray script = readAll(player.root() + "/settings/Instant.txt");
    QVERIFY2(script.contains("\r\nMessage=@INSTANT_EVENT_COMMAND,$Event,3,N,9600,N,8,1,\""), script);
    QCOMPARE(script.count("<Doors open at nine\x14\nExit by the lobby@end;>`0.1`<@show,250,5;>"), 8);
    QCOMPARE(readAll(player.root() + "/media/Lobby.rtf"), kCrawl);
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
    QTest::addColumn<QString>("error"); // APP and WIN stand for the AppDir and the WinDir

    const QString rtf = "APP/Application/RTF/";
    QTest::newRow("wrong password")
        << QStringList{"start", "-c", "Lobby", "-p", "P0"} << QByteArray("secret\n")
        << "incorrect password; nothing was sent";
    QTest::newRow("no password")
        << QStringList{"stop", "-p", "P0"} << QByteArray()
        << "no password was given; nothing was sent";
    QTest::newRow("no password file yet")
        << QStringList{"stop", "-p", "P0"} << QByteArray("Secret\n")
        << "there is no password file WIN/icpass.ini; set the first password with "
           "'qv-instant-crawl password'; nothing was sent";
    QTest::newRow("unknown crawl")
        << QStringList{"start", "-c", "Nowhere", "-p", "P0"} << QByteArray("Secret\n")
        << "no crawl 'Nowhere' in " + rtf.chopped(1) + " (looked for Nowhere.rtf)";
    QTest::newRow("no settings file")
        << QStringList{"start", "-c", "Bare", "-p", "P0"} << QByteArray("Secret\n")
        << "the crawl " + rtf + "Bare.rtf has no settings file " + rtf
               + "Bare.inst; open the crawl in the window and save it to write one";
    QTest::newRow("unknown group")
        << QStringList{"stop", "-g", "Hall"} << QByteArray("Secret\n")
        << "no group 'Hall' in APP/groups.ini (groups: Lobby, Empty)";
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
    error.replace("WIN", m_dirs.winDir());
    const QByteArray logBefore = readAll(logPath());
    const bool withoutPasswordFile = error.contains("there is no password file");
    if (withoutPasswordFile)
        QVERIFY(QFile::rename(passwordFile(), passwordFile() + ".away"));
    const auto putBack = qScopeGuard([&] {
        if (withoutPasswordFile)
            QFile::rename(passwordFile() + ".away", passwordFile());
    });

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

// The saved addresses and the groups, for people and as JSON; a skipped line of the groups
// file is told.
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

    const Ran json = run({"players", "--json"});

    QCOMPARE(json.status, 0);
    const QJsonObject lobby{{"name", "Lobby"}, {"addresses", QJsonArray{"10.0.0.5", "[::1]:2100"}}};
    const QJsonObject empty{{"name", "Empty"}, {"addresses", QJsonArray{}}};
    const QJsonObject expected{{"addresses", QJsonArray{"10.0.0.5", "127.0.0.1:2100"}},
                               {"groups", QJsonArray{lobby, empty}}};
    QCOMPARE(QJsonDocument::fromJson(json.out).object(), expected);
}

void tst_Cli::leavesNoTemporaryFiles_data()
{
    QTest::addColumn<QString>("terminated"); // what the program does when it gets SIGTERM
    QTest::addColumn<int>("status");         // -1: the signal ended it
    QTest::newRow("while the document is on its way to a slow player") << "sending" << 128 + SIGTERM;
    QTest::newRow("while the program waits for the password") << "asking" << -1;
}

// The files a start builds for its players live in a temporary folder that goes with the
// program when a signal ends it.
void tst_Cli::leavesNoTemporaryFiles()
{
    QFETCH(QString, terminated);
    QFETCH(int, status);
    // What an earlier failure left.
    QVERIFY(QDir(tmpDir()).removeRecursively());
    QVERIFY(QDir().mkpath(tmpDir()));
    StandInPlayers players({StandInPlayers::Fault::Throttle});
    players.setRate(20000);
    QVERIFY2(players.start(), qPrintable(players.errorString()));
    // The password comes through a FIFO, so the test knows when the program waits for it.
    const QString passwordPipe = m_dirs.root.filePath("password-pipe");
    QFile::remove(passwordPipe);
    QCOMPARE(::mkfifo(QFile::encodeName(passwordPipe).constData(), 0600), 0);
    QProcess process;
    start(process, {"start", "--crawl", "Large", "--player", players.host(),
                    "--password-file", passwordPipe});
    int writer = -1;
    const auto openWriter = [&] {
        writer = ::open(QFile::encodeName(passwordPipe).constData(), O_WRONLY | O_NONBLOCK);
        return writer >= 0;
    };
    QTRY_VERIFY_WITH_TIMEOUT(openWriter(), 10000);
    const auto closeWriter = qScopeGuard([&writer] { ::close(writer); });
    if (terminated == "sending") {
        QCOMPARE(::write(writer, "Secret\n", 7), 7);
        QTRY_VERIFY_WITH_TIMEOUT(players.commands().contains("STOR media/Large.rtf.part"), 10000);
    }

    process.terminate();

    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, status);
    QCOMPARE(QDir(tmpDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// Players that took the document but never answer keep a send waiting for their reply; a
// supervisor's SIGTERM ends it at once all the same, every player logged as cancelled.
void tst_Cli::signalEndsStuckSendAtOnce()
{
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
}

// Without a password file, `password` sets the first password, which then opens a send.
void tst_Cli::firstPasswordThenAStart()
{
    QVERIFY(QFile::rename(passwordFile(), passwordFile() + ".away"));
    const auto putBack = qScopeGuard([&] {
        QFile::remove(passwordFile());
        QFile::rename(passwordFile() + ".away", passwordFile());
    });
    StandInPlayers player;
    QVERIFY2(player.start(), qPrintable(player.errorString()));

    const Ran set = run({"password"}, "lobby lights\nlobby lights\n");

    QCOMPARE(set.status, 0);
    QCOMPARE(QString(set.out), "The first password is set in " + passwordFile() + ".\n");
    QCOMPARE(readAll(passwordFile()), "[PASSWORD]\r\npass=lobby lights\r\nremember=0\r\n");
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QCOMPARE(QFileInfo(passwordFile()).permissions(), ownerOnly);

    const Ran started = run({"start", "--crawl", "Lobby", "-p", player.host()}, "lobby lights\n");

    QVERIFY2(started.status == 0, started.out + started.err);
    QCOMPARE(readAll(player.root() + "/media/Lobby.rtf"), kCrawl);
}

// The rules themselves are the password change window's (its test has a row for each); these
// rows show the command line reads its three lines and keeps the old password on a refusal.
void tst_Cli::passwordChangeRefused_data()
{
    QTest::addColumn<QByteArray>("input"); // the current password, the new one, the new one again
    QTest::addColumn<QString>("error");    // the saved password is "Secret"
    const QString kept = " The old password stays in force.";
    QTest::newRow("wrong current password")
        << QByteArray("secret\nnew one\nnew one\n") << "Invalid current password, please try again." + kept;
    QTest::newRow("typed differently")
        << QByteArray("Secret\nnew one\nnew on\n")
        << "The new password was typed differently the second time." + kept;
}

void tst_Cli::passwordChangeRefused()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, error);
    const QByteArray before = readAll(passwordFile());

    const Ran ran = run({"password"}, input);

    QCOMPARE(ran.status, 1);
    QCOMPARE(QString(ran.err), "qv-instant-crawl: " + error + '\n');
    QCOMPARE(readAll(passwordFile()), before);
}

QTEST_MAIN(tst_Cli)
#include "tst_cli.moc"
