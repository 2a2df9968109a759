#include "cli/CommandHelp.h"

namespace qvic::cli {

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
    case Command::Watch:
        return QStringLiteral(
                   "Usage: qv-instant-crawl watch URL --interval=SECONDS (--player=ADDRESS... |\n"
                   "                              --group=GROUP | --areas=FILE) [OPTION]...\n"
                   "Watch a feed of Common Alerting Protocol alerts and act on it as 'alert'\n"
                   "does, from one poll to the next: a new alert or an Update starts its crawl,\n"
                   "a Cancel stops it, and when an alert the watch started expires, the players\n"
                   "still showing it are stopped. URL is an http:// or https:// feed (at most\n"
                   "1 MB), asked again with the validators (ETag, Last-Modified) of its last\n"
                   "answer, so that an unchanged feed costs a short answer.\n"
                   "\n")
               + players
               + QStringLiteral(
                   "      --areas=FILE        send to the groups FILE maps the alert's areas to\n"
                   "      --interval=SECONDS  poll the feed every SECONDS, 1 to 86400\n"
                   "      --language=LANG     the alert's text in LANG (en-US, es), else its first\n"
                   "      --accept=LIST       also take alerts of these statuses: exercise, test,\n"
                   "                          system, draft (only Actual alerts otherwise)\n"
                   "      --looks=FILE        the crawls' looks by severity (default:\n"
                   "                          alert-looks.ini in the program's folder, if any)\n"
                   "      --state=FILE        what the watch keeps across restarts (default:\n"
                   "                          watch-state.json in the program's folder)\n"
                   "      --password-file=FILE  read the password from the first line of FILE\n"
                   "                          (- for standard input)\n"
                   "      --max-connections=N  send to at most N players at a time (default 32)\n"
                   "      --help              display this help and exit\n"
                   "      --version           output version information and exit\n"
                   "\n"
                   "The password is asked for once, before the first poll. Each action gets a\n"
                   "line on standard output with its time, and so does each poll that fails;\n"
                   "the next poll tries again. No alert goes to a player twice, across restarts\n"
                   "too, and a player that failed is tried again at the next poll. SIGTERM,\n"
                   "SIGINT or SIGHUP cancels a send under way, saves the state and ends the watch.\n"
                   "\n"
                   "Exit status: 0 when a signal ended the watch, 1 for bad usage, a looks or\n"
                   "areas file that was refused, a state file that cannot be written, or a\n"
                   "refused password.\n"
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
