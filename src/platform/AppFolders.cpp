#include "platform/AppFolders.h"

#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qvic {
namespace {

QString dirFromEnvironment(const char *variable, QStandardPaths::StandardLocation fallback)
{
    const QString chosen = qEnvironmentVariable(variable);
    if (!chosen.isEmpty())
        return QDir::cleanPath(QDir(chosen).absolutePath());
    return QStandardPaths::writableLocation(fallback) + QStringLiteral("/qv-instant-crawl");
}

std::optional<QString> ensureFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return std::nullopt;
    // A file of that name would only make every later save into the folder fail.
    if (info.exists())
        return QStringLiteral("Cannot create the folder %1: a file has that name.").arg(path);
    if (QDir().mkdir(path))
        return std::nullopt;
    const bool writable = QFileInfo(info.absolutePath()).isWritable();
    return QStringLiteral("Cannot create the folder %1: %2.")
        .arg(path, writable ? QStringLiteral("the system refused it")
                            : QStringLiteral("permission denied"));
}

} // namespace

QString appDir()
{
    return dirFromEnvironment("QVIC_APP_DIR", QStandardPaths::GenericDataLocation);
}

QString winDir()
{
    return dirFromEnvironment("QVIC_WIN_DIR", QStandardPaths::GenericConfigLocation);
}

QString siteSettingsFile()
{
    const QString given = qEnvironmentVariable("QVIC_SITE_CONFIG");
    return given.isEmpty() ? QStringLiteral("/etc/qv-instant-crawl.conf") : given;
}

std::optional<QString> setUpFolders(SharedState &state, const QString &appDir,
                                      const QString &winDir)
{
    // The AppDir itself is made when missing, as an installed program's folder would exist.
    if (!QFileInfo::exists(appDir) && !QDir().mkpath(appDir))
        return QStringLiteral("Cannot create the folder %1.").arg(appDir);

    state.appFolder = appDir + QStringLiteral("/Application");
    if (auto error = ensureFolder(state.appFolder))
        return error;
    state.winFolder = winDir;
    state.settingsFolder = appDir + QStringLiteral("/Application/Settings");
    if (auto error = ensureFolder(state.settingsFolder))
        return error;
    state.crawlFolder = appDir + QStringLiteral("/Application/RTF");
    if (auto error = ensureFolder(state.crawlFolder))
        return error;
    state.iniFile = appDir + QStringLiteral("/IC.ini");
    state.instantFile = state.settingsFolder + QStringLiteral("/Instant.txt");
    state.passwordFile = state.winFolder + QStringLiteral("/icpass.ini");
    state.addressListFile = appDir + QStringLiteral("/IPList.txt");
    state.lastAddressFile = appDir + QStringLiteral("/preIP.txt");
    // Both INI files read as empty when they cannot be read, as on Windows. One
    // that is no regular file or far too large is a mistake to name before the
    // window opens, rather than a screen width or a password silently lost.
    for (const QString &ini : {state.iniFile, state.passwordFile})
        if (auto refused = textfile::refusedKind(ini, textfile::kSmallFileLimit))
            return refused;
    state.ftpUser = QStringLiteral("qv7player");
    state.ftpPassword = QStringLiteral("tk2harbor");
    state.currentFileName = QStringLiteral("Untitled");
    state.currentFilePath = QStringLiteral("Untitled");
    state.modified = false;
    return std::nullopt;
}

} // namespace qvic
