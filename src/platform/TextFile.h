#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Whole-file text I/O in the form players and Windows tools expect: Windows-1252
// bytes, CR LF line ends. Writers report failures as text that names the file.
namespace qvic::textfile {

enum class Access {
    Shared,  // the process umask decides, as for any document
    Private, // owner only (0600), for the password file; parents made 0700
};

// Replaces the whole file atomically: on any failure the old file stays whole.
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error = nullptr,
                 Access access = Access::Shared);
// Appends to the file, creating it when missing.
bool appendToFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);
// The file's bytes, or nothing (with the reason) when it cannot be read.
std::optional<QByteArray> readFile(const QString &path, QString *error = nullptr);

// Each line encoded in Windows-1252 and ended with CR LF.
QByteArray crlfLines(const QStringList &lines);
// Decodes Windows-1252 and splits at CR LF or LF; a final line end adds no empty line.
QStringList splitLines(const QByteArray &bytes);

} // namespace qvic::textfile
