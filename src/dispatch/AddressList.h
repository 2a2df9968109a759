#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The saved player addresses (IPList.txt) and the address used last (preIP.txt).
namespace qvic::addresslist {

// The fields of an address file in file order: a comma splits a line, leading
// blanks of a field are skipped, a field that starts with a double quote runs
// to the next double quote (not kept), and a blank line is one empty field.
QStringList readFields(const QByteArray &bytes);

// The fields of a file; an empty list when it does not exist, nothing (and the
// reason) when it exists but cannot be read, is no regular file or is larger
// than the small-file limit.
std::optional<QStringList> readFieldsOfFile(const QString &path, QString *error = nullptr);

// The address as typed, one line, appended (the file is created when missing);
// on a line of its own also when the file's last line has no line end.
bool appendAddress(const QString &ipListFile, const QString &address, QString *error = nullptr);

// preIP.txt replaced by one line holding the address.
bool writeLastAddress(const QString &preIpFile, const QString &address, QString *error = nullptr);

} // namespace qvic::addresslist
