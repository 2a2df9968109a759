#include "platform/TextFile.h"

#include "platform/Text.h"
#include "platform/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace qvic::textfile {
namespace {

bool makeParent(const QString &path, Access access, QString *error)
{
    const QString parent = QFileInfo(path).absolutePath();
    if (QFileInfo(parent).isDir())
        return true;
    if (!QDir().mkpath(parent))
        return failWith(error, QStringLiteral("Cannot create the folder %1.").arg(parent));
    if (access == Access::Private)
        QFile::setPermissions(parent, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

} // namespace

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error, Access access)
{
    if (!makeParent(path, access, error))
        return false;
    if (QFileInfo(path).isDir())
        return failWith(error, QStringLiteral("Cannot write %1: a folder has that name.").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failWith(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    // The temporary file becomes the file: restrict it before any byte lands in it.
    if (access == Access::Private && ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
        file.cancelWriting();
        return failWith(error, QStringLiteral("Cannot protect %1.").arg(path));
    }
    if (file.write(bytes) != bytes.size() || !file.commit())
        return failWith(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

bool appendToFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::WriteOnly | QIODevice::Append))
        return failWith(error, QStringLiteral("Cannot add to %1: %2")
                               .arg(path, QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                                  : file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failWith(error, QStringLiteral("Cannot add to %1: %2").arg(path, file.errorString()));
    return true;
}

std::optional<QByteArray> readFile(const QString &path, QString *error)
{
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        failWith(error, QStringLiteral("Cannot read %1: it is a folder.").arg(path));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        failWith(error, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError) {
        failWith(error, QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return bytes;
}

QByteArray crlfLines(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += win1252::encode(line) + "\r\n";
    return bytes;
}

QStringList splitLines(const QByteArray &bytes)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines.append(win1252::decode(bytes.mid(start, stop - start)));
        start = end + 1;
    }
    return lines;
}

} // namespace qvic::textfile
