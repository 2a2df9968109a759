#include "cli/CliOptions.h"

#include "device/Kite7Lists.h"

#include <algorithm>
#include <array>
#include <vector>

#include <getopt.h>

namespace qvic::cli {
namespace {

enum Applies {
    ToStart = 1,
    ToStop = 2,
    ToPlayers = 4,
    ToPassword = 8,
    ToStatus = 16,
    ToAlert = 32,
    ToSends = ToStart | ToStop,
    ToAll = 63
};

struct OptionSpec
{
    const char *name;
    bool takesValue;
    int appliesTo;
    char letter = 0; // the short option's letter, if it has one
};

constexpr std::array kOptions{
    OptionSpec{"crawl", true, ToStart, 'c'},     OptionSpec{"player", true, ToSends | ToStatus | ToAlert, 'p'},
    OptionSpec{"group", true, ToSends | ToStatus | ToAlert, 'g'},     OptionSpec{"kite7", false, ToSends},
    OptionSpec{"kite7-port", true, ToSends},     OptionSpec{"kite7-speed", true, ToStart},
    OptionSpec{"kite7-position", true, ToStart}, OptionSpec{"kite7-repeat", true, ToStart},
    OptionSpec{"password-file", true, ToSends | ToPassword | ToAlert},
    OptionSpec{"max-connections", true, ToSends | ToStatus | ToAlert},
    OptionSpec{"areas", true, ToAlert},          OptionSpec{"looks", true, ToAlert},
    OptionSpec{"language", true, ToAlert},       OptionSpec{"accept", true, ToAlert},
    OptionSpec{"json", false, ToAll},            OptionSpec{"help", false, ToAll},
    OptionSpec{"version", false, ToAll},
};

// '+': stop at the first argument that is no option, as getopt would otherwise move it
// to the end; ':': tell a missing value apart from an unknown option.
constexpr char kShortOptions[] = "+:c:p:g:";

// What getopt_long returns for an option: its letter, or a number past every letter.
int codeOf(std::size_t index)
{
    return kOptions[index].letter ? kOptions[index].letter : 256 + int(index);
}

std::array<option, kOptions.size() + 1> longOptions()
{
    std::array<option, kOptions.size() + 1> table{}; // ends with an entry of zeros
    for (std::size_t i = 0; i < kOptions.size(); ++i)
        table[i] = {kOptions[i].name, kOptions[i].takesValue ? required_argument : no_argument, nullptr, codeOf(i)};
    return table;
}

const OptionSpec *findOption(int code)
{
    for (std::size_t i = 0; i < kOptions.size(); ++i)
        if (codeOf(i) == code)
            return &kOptions[i];
    return nullptr;
}

int bit(Command command)
{
    switch (command) {
    case Command::Start:
        return ToStart;
    case Command::Stop:
        return ToStop;
    case Command::Players:
        return ToPlayers;
    case Command::Password:
        return ToPassword;
    case Command::Status:
        return ToStatus;
    case Command::Alert:
        return ToAlert;
    }
    return 0;
}

// The entry of a Kite-7 list the value names, as the dialog keeps it: the
// entry's 1-based position for the numbered lists, its text for the others.
std::optional<QString> kite7Choice(const QStringList &entries, const QString &value, bool keepPosition)
{
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (entries[i].compare(value, Qt::CaseInsensitive) == 0)
            return keepPosition ? kite7lists::positionText(int(i)) : entries[i];
    return std::nullopt;
}

UsageError invalid(const QString &value, const QString &option, const QString &valid)
{
    return {QStringLiteral("invalid argument '%1' for '--%2' (%3)").arg(value, option, valid)};
}

// Takes one option's value into the options; an error when it is no valid one.
std::optional<UsageError> take(Options &options, const QString &name, const QString &value)
{
    using namespace kite7lists;
    if (name == u"crawl")
        options.crawl = value;
    else if (name == u"player")
        options.players << value;
    else if (name == u"group")
        options.group = value;
    else if (name == u"password-file")
        options.passwordFile = value;
    else if (name == u"areas")
        options.areasFile = value;
    else if (name == u"looks")
        options.looksFile = value;
    else if (name == u"language")
        options.language = value;
    else if (name == u"accept") {
        static const QStringList statuses{"Exercise", "System", "Test", "Draft", "Actual"};
        for (const QString &word : value.split(u',')) {
            const auto known = std::find_if(statuses.cbegin(), statuses.cend(), [&word](const QString &status) {
                return status.compare(word.trimmed(), Qt::CaseInsensitive) == 0;
            });
            if (known == statuses.cend())
                return invalid(value, name, QStringLiteral("a list of exercise, test, system, draft"));
            options.accepted << *known;
        }
    }
    else if (name == u"max-connections") {
        bool number = false;
        options.maxConnections = value.toInt(&number);
        if (!number || options.maxConnections < 1 || options.maxConnections > kMaxConnectionsLimit)
            return invalid(value, name, QStringLiteral("1 to %1").arg(kMaxConnectionsLimit));
    } else if (name == u"kite7-port") {
        if (!(options.kite7Choices.comPort = kite7Choice(comPorts(), value, true)))
            return invalid(value, name, QStringLiteral("1 to 8"));
    } else if (name == u"kite7-speed") {
        if (!(options.kite7Choices.speed = kite7Choice(speeds(), value, false)))
            return invalid(value, name, QStringLiteral("Slow, Med or Fast"));
    } else if (name == u"kite7-position") {
        if (!(options.kite7Choices.position = kite7Choice(positions(), value, false)))
            return invalid(value, name, QStringLiteral("40 to 218"));
    } else if (name == u"kite7-repeat") {
        if (!(options.kite7Choices.repeat = kite7Choice(repetitions(), value, true)))
            return invalid(value, name, QStringLiteral("1 to 127, or Infinite"));
    }
    return std::nullopt;
}

std::optional<UsageError> checkCombination(const Options &options, const QStringList &given)
{
    const QString command = commandName(options.command);
    if (options.command == Command::Players || options.command == Command::Password)
        return std::nullopt;
    if (options.command == Command::Start && options.crawl.isEmpty())
        return UsageError{QStringLiteral("'start' needs --crawl NAME")};
    if (options.command == Command::Alert) {
        if (options.source.isEmpty())
            return UsageError{QStringLiteral("'alert' needs a SOURCE: a CAP file, - for standard input, or a URL")};
        const int targets = int(!options.players.isEmpty()) + int(options.group.has_value())
                            + int(options.areasFile.has_value());
        if (targets != 1)
            return UsageError{QStringLiteral("'alert' needs one of --player ADDRESS, --group GROUP or --areas FILE")};
        return std::nullopt;
    }
    if (options.players.isEmpty() && !options.group)
        return UsageError{QStringLiteral("'%1' needs --player ADDRESS or --group GROUP").arg(command)};
    if (!options.players.isEmpty() && options.group)
        return UsageError{QStringLiteral("--player and --group cannot be used together")};
    // A device choice without the device script would be silently ignored.
    for (const QString &name : given)
        if (name.startsWith(QLatin1String("kite7-")) && !options.kite7)
            return UsageError{QStringLiteral("option '--%1' needs --kite7").arg(name)};
    return std::nullopt;
}

} // namespace

std::optional<Command> commandNamed(const QString &name)
{
    for (const Command command :
         {Command::Start, Command::Stop, Command::Players, Command::Password, Command::Status, Command::Alert})
        if (name == commandName(command))
            return command;
    return std::nullopt;
}

QString commandName(Command command)
{
    switch (command) {
    case Command::Start:
        return QStringLiteral("start");
    case Command::Stop:
        return QStringLiteral("stop");
    case Command::Players:
        return QStringLiteral("players");
    case Command::Password:
        return QStringLiteral("password");
    case Command::Status:
        return QStringLiteral("status");
    case Command::Alert:
        return QStringLiteral("alert");
    }
    return {};
}

Parsed parseArguments(const QStringList &arguments)
{
    const auto command = commandNamed(arguments.value(0));
    if (!command)
        return UsageError{QStringLiteral("unrecognized command '%1'").arg(arguments.value(0))};
    Options options;
    options.command = *command;
    QStringList given;

    // getopt_long reads C strings; the command's name stands where argv[0] would.
    std::vector<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int argc = int(arguments.size());
    const auto table = longOptions();
    optind = 0; // start afresh: getopt keeps its place between calls in globals
    opterr = 0; // the words are ours, printed by the caller

    for (;;) {
        const int at = std::max(optind, 1); // the argument getopt reads next (0 asked for a fresh start)
        const int code = getopt_long(argc, argv.data(), kShortOptions, table.data(), nullptr);
        // 'alert' takes its SOURCE among the options: getopt stops at it, and reads on after it.
        const bool afterDoubleDash = optind > 1 && arguments[optind - 1] == u"--";
        if (code == -1 && *command == Command::Alert && optind < argc && options.source.isEmpty()) {
            options.source = arguments[optind++];
            if (afterDoubleDash)
                break;
            continue;
        }
        if (code == -1)
            break;
        const QString &argument = arguments[at];
        const bool missingValue = code == ':';
        const bool unwantedValue = code == '?';
        const OptionSpec *spec = findOption(missingValue || unwantedValue ? optopt : code);
        const bool isLong = argument.startsWith(QLatin1String("--"));
        // Names in full only: getopt_long takes a prefix (--cra), but the JSON refusal spots
        // --json by its full name before parsing, so a prefix would apply only in part.
        if (isLong && (!spec || argument.mid(2).section(u'=', 0, 0) != QLatin1String(spec->name)))
            return UsageError{QStringLiteral("unrecognized option '%1'").arg(argument)};
        // The letter from the argument itself: optopt holds only the first byte of a
        // letter outside ASCII.
        if (!spec)
            return UsageError{QStringLiteral("invalid option -- '%1'").arg(argument[1])};
        const QString name = QLatin1String(spec->name);
        if (!(spec->appliesTo & bit(*command)))
            return UsageError{QStringLiteral("option '--%1' does not apply to '%2'").arg(name, arguments[0])};
        if (unwantedValue)
            return UsageError{QStringLiteral("option '--%1' doesn't allow an argument").arg(name)};
        if (!spec->takesValue) {
            if (name == u"help")
                return HelpRequest{*command};
            if (name == u"version")
                return VersionRequest{};
            (name == u"json" ? options.json : options.kite7) = true;
            continue;
        }
        const QString value = missingValue ? QString() : QString::fromLocal8Bit(optarg);
        if (value.isEmpty())
            return UsageError{QStringLiteral("option '--%1' requires an argument").arg(name)};
        // Only players add up; a second crawl or group is more likely a mistake than a wish.
        const bool again = given.contains(name);
        if (again && name != u"player")
            return UsageError{QStringLiteral("option '--%1' given more than once").arg(name)};
        if (!again) // each name once: thousands of --player would make the search quadratic
            given << name;
        if (auto error = take(options, name, value))
            return *error;
    }
    // getopt stops after "--" or at the first argument that is no option: what is left is unexpected.
    if (optind < argc)
        return UsageError{QStringLiteral("unexpected argument '%1'").arg(arguments[optind])};
    if (auto error = checkCombination(options, given))
        return *error;
    return options;
}

QString helpText(Command command)
{
    const QString players = QStringLiteral(
        "  -p, --player=ADDRESS    send to this player (again for more): an IPv4\n"
        "                          address, a host name, ADDRESS:PORT or [IPv6]:PORT\n"
        "  -g, --group=GROUP       send to every player of this group (see 'players')\n");
    const QString common = QStringLiteral(
        "      --password-file=FILE  read the password from the first line of FILE\n"
        "                          (- for standard input)\n"
        "      --max-connections=N  send to at most N players at a time (default 32)\n"
        "      --json              print the outcome as JSON\n"
        "      --help              display this help and exit\n"
        "      --version           output version information and exit\n");
    const QString passwordAndExit = QStringLiteral(
        "\n"
        "The password is asked for on the terminal; without one it is read from the\n"
        "first line of standard input. Nothing is sent when it is refused.\n"
        "One line per player tells how it went, as it finishes, then a summary.\n"
        "\n"
        "Exit status: 0 when every player got everything, 2 when a player failed,\n"
        "1 for bad usage, bad input or a refused password (nothing was sent).\n"
        "\n"
        "Full documentation: man qv-instant-crawl\n");
    switch (command) {
    case Command::Start:
        return QStringLiteral(
                   "Usage: qv-instant-crawl start --crawl=NAME (--player=ADDRESS... | --group=GROUP)\n"
                   "                              [OPTION]...\n"
                   "Send a saved crawl to players: its document and the start command built\n"
                   "from its settings file (NAME.inst beside NAME.rtf).\n"
                   "\n"
                   "  -c, --crawl=NAME        the crawl NAME(.rtf) in the crawl folder, or a path\n"
                   "                          holding a '/' (./Lobby.rtf)\n")
               + players
               + QStringLiteral(
                   "      --kite7             also start the crawl on the Kite-7 device\n"
                   "      --kite7-port=N      the player's serial port for it, 1 to 8 (1)\n"
                   "      --kite7-speed=SPEED  Slow, Med or Fast (Slow)\n"
                   "      --kite7-position=ROW  the device's crawl line, 40 to 218 (200)\n"
                   "      --kite7-repeat=N    1 to 127 times, or Infinite (Infinite)\n")
               + common + passwordAndExit;
    case Command::Stop:
        return QStringLiteral(
                   "Usage: qv-instant-crawl stop (--player=ADDRESS... | --group=GROUP) [OPTION]...\n"
                   "Stop the instant crawl on players.\n"
                   "\n")
               + players
               + QStringLiteral(
                   "      --kite7             also stop the crawl on the Kite-7 device\n"
                   "      --kite7-port=N      the player's serial port for it, 1 to 8 (1)\n")
               + common + passwordAndExit;
    case Command::Players:
        return QStringLiteral(
            "Usage: qv-instant-crawl players [OPTION]...\n"
            "List the saved player addresses and the player groups.\n"
            "\n"
            "      --json     print them as JSON\n"
            "      --help     display this help and exit\n"
            "      --version  output version information and exit\n"
            "\n"
            "Full documentation: man qv-instant-crawl\n");
    case Command::Status:
        return QStringLiteral(
                   "Usage: qv-instant-crawl status (--player=ADDRESS... | --group=GROUP) [OPTION]...\n"
                   "Tell what each player shows now, from the command file it holds and the\n"
                   "document that file names. Nothing changes on a player, so no password is\n"
                   "needed.\n"
                   "\n")
               + players
               + QStringLiteral(
                   "      --max-connections=N  read at most N players at a time (default 32)\n"
                   "      --json              print the outcome as JSON\n"
                   "      --help              display this help and exit\n"
                   "      --version           output version information and exit\n"
                   "\n"
                   "Each player gets a line as it answers: showing, ended, stopped, missing,\n"
                   "unknown or unreachable, with the document, since when and until when, and\n"
                   "where it differs from what this computer last sent it; then a summary.\n"
                   "\n"
                   "Exit status: 0 when every player answered, 2 when one did not, 1 for bad\n"
                   "usage.\n"
                   "\n"
                   "Full documentation: man qv-instant-crawl\n");
    case Command::Alert:
        return QStringLiteral(
                   "Usage: qv-instant-crawl alert SOURCE (--player=ADDRESS... | --group=GROUP |\n"
                   "                              --areas=FILE) [OPTION]...\n"
                   "Make crawls of Common Alerting Protocol alerts (CAP 1.2 or 1.1) and start or\n"
                   "stop them on players. SOURCE is a file holding one alert or an Atom feed of\n"
                   "them, - for standard input, or an http:// or https:// URL (at most 1 MB).\n"
                   "An Alert or Update starts its crawl, a Cancel stops the players showing the\n"
                   "alert it cancels; no player is sent the same alert twice (see the send log).\n"
                   "\n")
               + players
               + QStringLiteral(
                   "      --areas=FILE        send to the groups FILE maps the alert's areas to\n"
                   "      --language=LANG     the alert's text in LANG (en-US, es), else its first\n"
                   "      --accept=LIST       also take alerts of these statuses: exercise, test,\n"
                   "                          system, draft (only Actual alerts otherwise)\n"
                   "      --looks=FILE        the crawls' looks by severity (default:\n"
                   "                          alert-looks.ini in the program's folder, if any)\n")
               + common
               + QStringLiteral(
                   "\n"
                   "The password is asked for once, as for 'start'. One line per player tells\n"
                   "how it went, then a line per alert; --json prints an object per alert.\n"
                   "\n"
                   "Exit status: 0 when every player got everything or nothing was to be done,\n"
                   "2 when a player failed, 1 for bad usage, a document, looks or areas file\n"
                   "that was refused, or a refused password (nothing was sent).\n"
                   "\n"
                   "Full documentation: man qv-instant-crawl\n");
    case Command::Password:
        return QStringLiteral(
            "Usage: qv-instant-crawl password [OPTION]...\n"
            "Set the first password that opens a send, or change it.\n"
            "\n"
            "      --password-file=FILE  read the passwords from the lines of FILE\n"
            "                          (- for standard input)\n"
            "      --json              print the outcome as JSON\n"
            "      --help              display this help and exit\n"
            "      --version           output version information and exit\n"
            "\n"
            "Where a password is saved, the current one is asked for first; then the new\n"
            "password, twice. On a terminal they are typed without echo; without one they\n"
            "are read a line each from standard input. The rules are the password change\n"
            "window's: at most 79 characters of Windows-1252, no space at either end, no\n"
            "quotes around it. The password file (icpass.ini in the WinDir) is replaced\n"
            "whole and readable by its owner only.\n"
            "\n"
            "Exit status: 0 when the password was set or changed, 1 when it was not.\n"
            "\n"
            "Full documentation: man qv-instant-crawl\n");
    }
    return {};
}

} // namespace qvic::cli
