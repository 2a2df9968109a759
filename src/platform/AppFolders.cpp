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

std::optional<QString> iniMainSetting(SharedState &state, const QString &appDir,
                                      const QString &winDir)
{
    // The AppDir itself is made when missing, as an installed program's folder would exist.
    if (!QFileInfo::exists(appDir) && !QDir().mkpath(appDir))
        return QStringLiteral("Cannot create the folder %1.").arg(appDir);

    state.strAppFolder = appDir + QStringLiteral("/Application");
    if (auto error = ensureFolder(state.strAppFolder))
        return error;
    state.strWinDir = winDir;
    state.strSettingsFolder = appDir + QStringLiteral("/Application/Settings");
    if (auto error = ensureFolder(state.strSettingsFolder))
        return error;
    state.strRtfFolder = appDir + QStringLiteral("/Application/RTF");
    if (auto error = ensureFolder(state.strRtfFolder))
        return error;
    state.strIniFile = appDir + QStringLiteral("/IC.ini");
    state.strInstantFile = state.strSettingsFolder + QStringLiteral("/Instant.txt");
    state.strPassFile = state.strWinDir + QStringLiteral("/icpass.ini");
    state.strIPListFile = appDir + QStringLiteral("/IPList.txt");
    state.strPreIPFile = appDir + QStringLiteral("/preIP.txt");
    // Both INI files read as empty when they cannot be read, as on Windows. One
    // that is no regular file or far too large is a mistake to name before the
    // window opens, rather than a screen width or a password silently lost.
    for (const QString &ini : {state.strIniFile, state.strPassFile})
        if (auto refused = textfile::refusedKind(ini, textfile::kSmallFileLimit))
            return refused;
    state.strFtpUser = QStringLiteral("qv7player");
    state.strFtpPassword = QStringLiteral("tk2harbor");
    state.strCurFileName = QStringLiteral("Untitled");
    state.strCurFilePath = QStringLiteral("Untitled");
    state.blnModified = false;
    return std::nullopt;
}

} // namespace qvic
