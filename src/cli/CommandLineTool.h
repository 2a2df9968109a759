#pragma once

#include <QString>

// The subcommands of the program's executable (start, stop, players): no
// window, no display, the same folders, password check, delivery and send
// log as the window.
namespace qvic::cli {

// Whether the arguments are the command line's rather than the window's: the
// first one is a word, not an option (Qt's own options all start with "-").
bool isCommandLine(int argc, char *argv[]);

// Answers the arguments and returns the exit status: 0 when done (every
// player delivered), 2 when a player failed, 1 for bad usage, bad input or a
// refused password (then nothing was sent). versionText answers --version.
int run(int argc, char *argv[], const QString &versionText);

} // namespace qvic::cli
