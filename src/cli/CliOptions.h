#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The subcommands of qv-instant-crawl and their options, read by getopt_long:
// "--name value" or "--name=value" (names in full), "-p VALUE" or "-pVALUE",
// "--" ends the options.
namespace qvic::cli {

enum class Command { Start, Stop, Players, Password, Status, Alert, Watch };

// The Kite-7 choices of a send, kept as the Kite-7 dialog keeps them (see
// device/Kite7Lists.h); an unset one keeps the start-up default.
struct Kite7Choices
{
    std::optional<QString> comPort;  // "1" to "8"
    std::optional<QString> speed;    // "Slow", "Med", "Fast"
    std::optional<QString> position; // "40" to "218"
    std::optional<QString> repeat;   // "1" to "128", "128" being "Infinite"
};

struct Options
{
    Command command = Command::Players;
    QString crawl;
    QStringList players; // as given, in order
    std::optional<QString> group;
    bool kite7 = false;
    Kite7Choices kite7Choices;
    std::optional<QString> passwordFile; // "-" is standard input
    bool json = false;
    int maxConnections = 32;
    // alert: where the alerts come from (a file, "-" for standard input, or an
    // http(s) URL), where they go, and how they are taken; watch: the feed's URL.
    QString source;
    std::optional<QString> areasFile;
    std::optional<QString> looksFile;
    QString language;
    QStringList accepted; // CAP status words beyond Actual, as CAP writes them ("Test")
    // watch: seconds from one poll of the feed to the next, and the state file.
    int interval = 0;
    std::optional<QString> stateFile;
};

// What the arguments ask for: a send or the listing, a help or version text,
// or a usage error in GNU's words (without the program's name).
struct HelpRequest { Command command; };
struct VersionRequest {};
struct UsageError { QString problem; };
using Parsed = std::variant<Options, HelpRequest, VersionRequest, UsageError>;

inline constexpr int kMaxConnectionsLimit = 256;
inline constexpr int kMaxInterval = 86400; // a day

// The command's name, or nothing for a word that names none.
std::optional<Command> commandNamed(const QString &name);
QString commandName(Command command);

// arguments: the command's name first, then its options.
Parsed parseArguments(const QStringList &arguments);

} // namespace qvic::cli
