#include "app/CommandLine.h"

#include "app/BuildInfo.h"

#include <curl/curl.h>

#include <cstdio>

namespace qvic {
namespace {

const QString program = QStringLiteral("qv-instant-crawl");

QString helpText()
{
    return QStringLiteral(
        "Usage: %1 [OPTION]...\n"
        "  or:  %1 COMMAND [OPTION]...\n"
        "Type an instant crawl and send it to digital-signage players by FTP.\n"
        "With no command, opens the main window. The commands need no display:\n"
        "  start    send a saved crawl to players (--crawl, and --player or --group)\n"
        "  stop     stop the crawl on players (--player or --group)\n"
        "  players  list the saved player addresses and the player groups\n"
        "  status   tell what each player shows now (--player or --group)\n"
        "  alert    start or stop crawls made from CAP alerts (a file or a feed URL)\n"
        "  watch    poll a feed of CAP alerts and act on each change, until stopped\n"
        "Run '%1 COMMAND --help' for a command's options.\n"
        "\n"
        "      --help     display this help and exit\n"
        "      --version  output version information and exit\n"
        "\n"
        "Options with one dash, such as -platform or -style, are Qt's own.\n"
        "\n"
        "Environment:\n"
        "  QVIC_APP_DIR  the program's folder tree (crawls, player addresses, IC.ini);\n"
        "                by default $XDG_DATA_HOME/qv-instant-crawl\n"
        "                (~/.local/share/qv-instant-crawl)\n"
        "  QVIC_WIN_DIR  the folder of the password file icpass.ini;\n"
        "                by default $XDG_CONFIG_HOME/qv-instant-crawl\n"
        "                (~/.config/qv-instant-crawl)\n"
        "\n"
        "Full documentation: man %1\n").arg(program);
}

} // namespace

QString versionText()
{
    // The libraries' versions at run time: what a bug report needs to know.
    return QStringLiteral("%1 %2\n"
                          "QV Instant Crawl: instant crawls for digital-signage players.\n"
                          "Running with Qt %3 and libcurl %4.\n")
        .arg(program, QLatin1String(programVersion), QLatin1String(qVersion()),
             QLatin1String(curl_version_info(CURLVERSION_NOW)->version));
}

namespace {

CommandLineAnswer refusal(const QString &problem)
{
    return {1, {}, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                       .arg(program, problem)};
}

} // namespace

std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1String("--")))
            continue;
        if (argument == QLatin1String("--help"))
            return CommandLineAnswer{0, helpText(), {}};
        if (argument == QLatin1String("--version"))
            return CommandLineAnswer{0, versionText(), {}};
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        if (name == QLatin1String("--help") || name == QLatin1String("--version"))
            return refusal(QStringLiteral("option '%1' doesn't allow an argument").arg(name));
        return refusal(QStringLiteral("unrecognized option '%1'").arg(argument));
    }
    return std::nullopt;
}

std::optional<int> answerCommandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto answer = answerCommandLine(arguments);
    if (!answer)
        return std::nullopt;
    std::fputs(answer->standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(answer->standardError.toLocal8Bit().constData(), stderr);
    // A help text that never reached its reader (a full disk, a closed pipe) is a failure.
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "qv-instant-crawl: write error\n");
        return 1;
    }
    return answer->exitCode;
}

} // namespace qvic
