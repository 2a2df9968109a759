#include "platform/TextFile.h"

#include "platform/Text.h"
#include "platform/Win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Closes the descriptor when the reader or writer is done with it.
struct Descriptor
{
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, QByteArray bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t put = ::write(fd, bytes.constData(), bytes.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove(0, put);
    }
    return true;
}

QString tooLarge(const QString &path, qint64 maxBytes)
{
    return QStringLiteral("Cannot read %1: it is larger than %2 MB.")
        .arg(path, QString::number(double(maxBytes) / (1 << 20)));
}

std::optional<QString> kindProblem(const QString &path, const struct stat &info, qint64 maxBytes)
{
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("Cannot read %1: it is a folder.").arg(path);
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("Cannot read %1: it is not a regular file.").arg(path);
    if (info.st_size > maxBytes)
        return tooLarge(path, maxBytes);
    return std::nullopt;
}

// Writes the new file beside path in full, its place not yet taken: nothing
// replaces path until the file is committed. Null, with the reason, on failure.
std::unique_ptr<QSaveFile> writeBeside(const QString &path, const QByteArray &bytes, Access access, QString *error)
{
    if (!makeParent(path, access, error))
        return nullptr;
    const auto refuse = [&](const QString &reason) {
        failWith(error, QStringLiteral("Cannot write %1: %2").arg(path, reason));
        return nullptr;
    };
    // QSaveFile follows a link and renames its new file onto the target: never onto a device.
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return refuse(S_ISDIR(info.st_mode) ? QStringLiteral("a folder has that name.")
                                            : QStringLiteral("it is not a regular file."));
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly))
        return refuse(file->errorString());
    // The temporary file becomes the file: restrict it before any byte lands in it.
    if (access == Access::Private && ::fchmod(file->handle(), S_IRUSR | S_IWUSR) != 0) {
        file->cancelWriting();
        failWith(error, QStringLiteral("Cannot protect %1.").arg(path));
        return nullptr;
    }
    // QSaveFile buffers what is written and commit() does not notice that writing the
    // buffer out failed (a full disk): flush first, so a cut-short file is never committed.
    errno = 0;
    if (file->write(bytes) != bytes.size() || !file->flush()) {
        const int reason = errno; // the flush's own error text says no more than "Unknown error"
        file->cancelWriting();
        return refuse(reason != 0 ? QString::fromLocal8Bit(std::strerror(reason)) : file->errorString());
    }
    return file;
}

bool commit(QSaveFile &file, QString *error)
{
    errno = 0;
    if (file.commit())
        return true;
    const int reason = errno;
    return failWith(error, QStringLiteral("Cannot write %1: %2")
                               .arg(file.fileName(), reason != 0 ? QString::fromLocal8Bit(std::strerror(reason))
                                                                 : file.errorString()));
}

} // namespace

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error, Access access)
{
    const auto file = writeBeside(path, bytes, access, error);
    return file && commit(*file, error);
}

bool replaceFiles(const QList<std::pair<QString, QByteArray>> &files, QString *error, Access access)
{
    // A file left uncommitted is discarded with its QSaveFile: the target keeps its bytes.
    std::vector<std::unique_ptr<QSaveFile>> written;
    for (const auto &[path, bytes] : files) {
        written.push_back(writeBeside(path, bytes, access, error));
        if (!written.back())
            return false;
    }
    // Putting a file back needs its old bytes; nothing means it was not there.
    QList<std::optional<QByteArray>> previous;
    for (qsizetype i = 0; i + 1 < files.size(); ++i) {
        const QString &path = files[i].first;
        if (!QFileInfo::exists(path)) {
            previous.append(std::nullopt);
            continue;
        }
        const auto bytes = readFile(path, error);
        if (!bytes)
            return false;
        previous.append(bytes);
    }
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (commit(*written[i], error))
            continue;
        for (qsizetype j = 0; j < i; ++j) {
            QString putBackError;
            if (previous[j]) {
                replaceFile(files[j].first, *previous[j], &putBackError, access);
            } else {
                QFile added(files[j].first);
                if (!added.remove())
                    putBackError = added.errorString();
            }
            if (!putBackError.isEmpty() && error)
                *error += QStringLiteral("; %1 was replaced already and could not be put back as it was: %2")
                              .arg(files[j].first, putBackError);
        }
        return false;
    }
    return true;
}

bool appendToFile(const QString &path, const QByteArray &bytes, QString *error, const QByteArray &headerWhenEmpty)
{
    const auto refuse = [&](const QString &reason) {
        return failWith(error, QStringLiteral("Cannot add to %1: %2").arg(path, reason));
    };
    // O_NONBLOCK: a FIFO with no reader must not hold the program at the open.
    const Descriptor fd{::open(QFile::encodeName(path).constData(),
                               O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666)};
    if (fd.fd < 0)
        return refuse(errno == EISDIR ? QStringLiteral("it is a folder") : qt_error_string(errno));
    struct stat info {};
    if (::fstat(fd.fd, &info) != 0)
        return refuse(qt_error_string(errno));
    if (!S_ISREG(info.st_mode))
        return refuse(QStringLiteral("it is not a regular file"));
    // Held until the descriptor closes: the length read below stays the file's
    // until our lines are in, and no other appender sees the file half written.
    int locked = 0;
    while ((locked = ::flock(fd.fd, LOCK_EX)) != 0 && errno == EINTR)
        ;
    if (locked != 0)
        return refuse(QStringLiteral("it cannot be locked: %1").arg(qt_error_string(errno)));
    if (::fstat(fd.fd, &info) != 0)
        return refuse(qt_error_string(errno));
    // A last line without its line end would run into the new one.
    char last = '\n';
    if (info.st_size > 0 && ::pread(fd.fd, &last, 1, info.st_size - 1) != 1)
        return refuse(qt_error_string(errno));
    const QByteArray lineEnd = last == '\n' ? "" : last == '\r' ? "\n" : "\r\n";
    if (!writeAll(fd.fd, (info.st_size == 0 ? headerWhenEmpty : lineEnd) + bytes)) {
        const int reason = errno;
        // What went in of a cut-short write is taken out again, so no half line stays.
        if (::ftruncate(fd.fd, info.st_size) != 0)
            return refuse(QStringLiteral("%1; a part of the new lines stays at its end: %2")
                              .arg(qt_error_string(reason), qt_error_string(errno)));
        return refuse(qt_error_string(reason));
    }
    return true;
}

std::optional<QString> refusedKind(const QString &path, qint64 maxBytes)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt; // missing: each reader has its own answer to that
    return kindProblem(path, info, maxBytes);
}

std::optional<QByteArray> readFile(const QString &path, QString *error, qint64 maxBytes)
{
    const auto refuse = [error](const QString &reason) {
        failWith(error, reason);
        return std::optional<QByteArray>();
    };
    const auto failed = [&] {
        return refuse(QStringLiteral("Cannot read %1: %2").arg(path, qt_error_string(errno)));
    };
    // O_NONBLOCK: opening a FIFO must not wait for a writer before it can be refused.
    const Descriptor fd{
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info {};
    if (fd.fd < 0 || ::fstat(fd.fd, &info) != 0)
        return failed();
    if (auto problem = kindProblem(path, info, maxBytes))
        return refuse(*problem);
    QByteArray bytes;
    bytes.reserve(info.st_size);
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failed();
        if (got == 0)
            return bytes;
        if (bytes.size() + got > maxBytes) // it grew while being read
            return refuse(tooLarge(path, maxBytes));
        bytes.append(chunk, got);
    }
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

std::optional<QString> readUtf8File(const QString &path, QString *error, qint64 maxBytes)
{
    const auto bytes = readFile(path, error, maxBytes);
    if (!bytes)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(*bytes);
    if (utf8.hasError()) {
        failWith(error, QStringLiteral("Cannot read %1: it is not UTF-8 text").arg(path));
        return std::nullopt;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace qvic::textfile
