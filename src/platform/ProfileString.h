#pragma once

#include "platform/TextFile.h"

#include <QString>

// INI files read and written key by key, the way Windows' profile-string
// functions do it: section and key matched without regard to case, values
// taken raw (blanks around them and one pair of enclosing quotes removed),
// reads limited to the buffer size less one, writes that change one key and
// keep every other line as it was.
namespace qvic::profile {

// The value, or defaultValue when the file, section or key is missing or the
// file cannot be read (not a regular file, larger than the small-file limit);
// either is cut to bufferSize - 1 characters. An empty result means absent or empty.
QString getString(const QString &filePath, const QString &section, const QString &key,
                  int bufferSize, const QString &defaultValue = {});

// Sets one key, adding the section or the key when missing and creating the
// file (and its folder) when needed. The whole file is replaced atomically. An
// existing file that cannot be read is left alone and the reason given.
bool writeString(const QString &filePath, const QString &section, const QString &key,
                 const QString &value, QString *error = nullptr,
                 textfile::Access access = textfile::Access::Shared);

} // namespace qvic::profile
