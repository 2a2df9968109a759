#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace qvic {

// What the program answers on the command line instead of opening its window.
struct CommandLineAnswer
{
    int exitCode = 0;
    QString standardOutput;
    QString standardError;
};

// Reads the GNU-style long options (--help, --version) in order; the first one
// decides, and "--" ends them. Returns nothing when the window should open.
// Options with a single dash (-platform, -style, ...) are Qt's own and left to it.
std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments);

// The --version text, for the subcommands' --version too.
QString versionText();

// The same for main's arguments, before any application object exists: prints
// the answer and returns its exit code, or returns nothing to go on to the window.
std::optional<int> answerCommandLine(int argc, char *argv[]);

} // namespace qvic
