#include "state/SharedState.h"
#include "app/BuildInfo.h"
#include "app/CommandLine.h"
#include "app/ui/MainWindow.h"
#include "cli/CommandLineTool.h"
#include "platform/AppFolders.h"
#include "platform/ProcessGuards.h"
#include "platform/ui/WidgetDialogs.h"

#include <QApplication>

#include <curl/curl.h>

int main(int argc, char *argv[])
{
    qvic::keepSecretsOutOfCoreDumps();
    qvic::reportOversizeWritesAsErrors();
    // The subcommands run without a window or a display; --help and --version
    // answer before anything needs one.
    if (qvic::cli::isCommandLine(argc, argv))
        return qvic::cli::run(argc, argv, qvic::versionText());
    if (const auto exitCode = qvic::answerCommandLine(argc, argv))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QV Instant Crawl"));
    QApplication::setApplicationVersion(QLatin1String(qvic::programVersion));
    // Lets the desktop match the window to the installed menu entry and icon.
    QGuiApplication::setDesktopFileName(QLatin1String(qvic::desktopId));
    // The window may hide to the tray; only its close or Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return 1;

    qvic::SharedState state;
    qvic::WidgetDialogs dialogs;
    int result = 1;
    {
        qvic::MainWindow window(state, dialogs);
        if (const auto error = window.load(qvic::appDir(), qvic::winDir())) {
            dialogs.exclamation(QStringLiteral("QV Instant Crawl cannot start.\n%1").arg(*error));
        } else {
            window.show();
            result = QApplication::exec();
        }
    }
    curl_global_cleanup();
    return result;
}
