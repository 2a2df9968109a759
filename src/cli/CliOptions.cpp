#include "cli/CliOptions.h"

#include "cli/AlertSource.h"
#include "device/Kite7Lists.h"

#include <algorithm>
#include <array>
#include <utility>
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
    ToWatch = 64,
    ToSends = ToStart | ToStop,
    ToAlerts = ToAlert | ToWatch,
    ToAll = 127
};

struct OptionSpec
{
    const char *name;
    bool takesValue;
    int appliesTo;
    char letter = 0; // the short option's letter, if it has one
};

constexpr std::array kOptions{
    OptionSpec{"crawl", true, ToStart, 'c'},
    OptionSpec{"player", true, ToSends | ToStatus | ToAlerts, 'p'},
    OptionSpec{"group", true, ToSends | ToStatus | ToAlerts, 'g'},
    OptionSpec{"kite7", false, ToSends},
    OptionSpec{"kite7-port", true, ToSends},
    OptionSpec{"kite7-speed", true, ToStart},
    OptionSpec{"kite7-position", true, ToStart},
    OptionSpec{"kite7-repeat", true, ToStart},
    OptionSpec{"password-file", true, ToSends | ToPassword | ToAlerts},
    OptionSpec{"max-connections", true, ToSends | ToStatus | ToAlerts},
    OptionSpec{"areas", true, ToAlerts},
    OptionSpec{"looks", true, ToAlerts},
    OptionSpec{"language", true, ToAlerts},
    OptionSpec{"accept", true, ToAlerts},
    OptionSpec{"interval", true, ToWatch},
    OptionSpec{"state", true, ToWatch},
    // A watch tells each action on a line of its own as it happens: one object for
    // all of them would come only when it ends.
    OptionSpec{"json", false, ToAll & ~ToWatch},
    OptionSpec{"help", false, ToAll},
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
    case Command::Watch:
        return ToWatch;
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

// A whole number from min to max into field; an error naming the range otherwise.
std::optional<UsageError> takeNumber(int &field, const QString &value, const QString &name, int min, int max,
                                     const QString &unit)
{
    bool number = false;
    field = value.toInt(&number);
    if (!number || field < min || field > max)
        return invalid(value, name, QStringLiteral("%1 to %2%3").arg(min).arg(max).arg(unit));
    return std::nullopt;
}

// The options whose value is a name or a path, kept as given.
const std::pair<QStringView, std::optional<QString> Options::*> kKeptAsGiven[]{
    {u"group", &Options::group},       {u"password-file", &Options::passwordFile},
    {u"areas", &Options::areasFile},   {u"looks", &Options::looksFile},
    {u"state", &Options::stateFile}};

// Takes one option's value into the options; an error when it is no valid one.
std::optional<UsageError> take(Options &options, const QString &name, const QString &value)
{
    using namespace kite7lists;
    for (const auto &[option, field] : kKeptAsGiven) {
        if (name == option) {
            options.*field = value;
            return std::nullopt;
        }
    }
    if (name == u"crawl")
        options.crawl = value;
    else if (name == u"player")
        options.players << value;
    else if (name == u"language")
        options.language = value;
    else if (name == u"interval")
        return takeNumber(options.interval, value, name, 1, kMaxInterval, QStringLiteral(" seconds"));
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
    else if (name == u"max-connections")
        return takeNumber(options.maxConnections, value, name, 1, kMaxConnectionsLimit, QString());
    else if (name == u"kite7-port") {
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
    if (options.command == Command::Watch) {
        if (options.source.isEmpty() || !isUrl(options.source))
            return UsageError{QStringLiteral("'watch' needs the feed's URL, http:// or https://")};
        if (options.interval == 0)
            return UsageError{QStringLiteral("'watch' needs --interval SECONDS")};
        const int targets = int(!options.players.isEmpty()) + int(options.group.has_value())
                            + int(options.areasFile.has_value());
        if (targets != 1)
            return UsageError{QStringLiteral("'watch' needs one of --player ADDRESS, --group GROUP or --areas FILE")};
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
    for (const Command command : {Command::Start, Command::Stop, Command::Players, Command::Password, Command::Status,
                                  Command::Alert, Command::Watch})
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
    case Command::Watch:
        return QStringLiteral("watch");
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
        // 'alert' and 'watch' take their SOURCE or URL among the options: getopt stops at it,
        // and reads on after it.
        const bool afterDoubleDash = optind > 1 && arguments[optind - 1] == u"--";
        const bool takesSource = *command == Command::Alert || *command == Command::Watch;
        if (code == -1 && takesSource && optind < argc && options.source.isEmpty()) {
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

} // namespace qvic::cli
