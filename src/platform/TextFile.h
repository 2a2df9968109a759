#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Whole-file text I/O in the form players and Windows tools expect: Windows-1252
// bytes, CR LF line ends. Writers report failures as text that names the file.
namespace qvic::textfile {

enum class Access {
    Shared,  // the process umask decides, as for any document
    Private, // owner only (0600), for the password file; parents made 0700
};

// Replaces the whole file atomically: on any failure the old file stays whole.
// Only a regular file (or a link to one) is replaced.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                 Access access = Access::Shared);
// Replaces the files together, all or none: every new file is written in full
// beside its target before the first takes its place, and should one of them
// fail to take its place, those replaced before it are put back. The old bytes
// of every file but the last are held for that: put the largest last.
bool replaceFiles(const QList<std::pair<QString, QByteArray>> &files, QString *error = nullptr,
                  Access access = Access::Shared);
// Appends to the regular file, creating it when missing, whole or not at all: a
// failure (a full disk, the file size limit) cuts the file back to the length it
// had. Appenders wait for each other (an exclusive flock on the file), so
// headerWhenEmpty, which goes first when the file is empty, is written once
// however many processes add to a new file at once. When the last line has no
// line end, CR LF (or the LF a lone CR lacks) goes first, so what is added
// starts a line of its own.
bool appendToFile(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                  const QByteArray &headerWhenEmpty = {});
// What the program reads whole into memory is bounded by kind: the INI,
// settings and address files hold a few lines, a crawl document (RTF) some text.
inline constexpr qint64 kSmallFileLimit = 1 << 20;
inline constexpr qint64 kDocumentLimit = 16 << 20;

// The file's bytes, or nothing (with the reason) when it cannot be read. Only
// a regular file is read (a link to one is followed): a FIFO would block the
// program and a device never ends. A file larger than maxBytes is refused.
std::optional<QByteArray> readFile(const QString &path, QString *error = nullptr,
                                   qint64 maxBytes = kDocumentLimit);
// The text of a file of our own in UTF-8, a byte order mark dropped; nothing,
// with the reason, when readFile refuses it or it is not UTF-8.
std::optional<QString> readUtf8File(const QString &path, QString *error = nullptr,
                                    qint64 maxBytes = kSmallFileLimit);
// Why readFile would refuse the file for its kind or size, without opening it;
// nothing when the file is missing, regular and within maxBytes.
std::optional<QString> refusedKind(const QString &path, qint64 maxBytes);

// Each line encoded in Windows-1252 and ended with CR LF.
QByteArray crlfLines(const QStringList &lines);
// Decodes Windows-1252 and splits at CR LF or LF; a final line end adds no empty line.
QStringList splitLines(const QByteArray &bytes);

} // namespace qvic::textfile
