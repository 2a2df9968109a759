#include "platform/ProfileString.h"

#include <QFileInfo>

#include <optional>

namespace qvic::profile {
namespace {

// The name inside "[name]", or nothing when the line is no section header.
std::optional<QString> sectionName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

bool keyMatches(const QString &line, const QString &key, QString *value = nullptr)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || line.left(eq).trimmed().compare(key.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

QString unquote(const QString &value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString getString(const QString &filePath, const QString &section, const QString &key,
                  int bufferSize, const QString &defaultValue)
{
    const auto limit = [bufferSize](const QString &text) {
        return bufferSize <= 0 ? QString() : text.left(bufferSize - 1);
    };
    // Unreadable reads as absent, as on Windows; a FIFO or an oversized file is
    // refused unopened or unread, so a read never blocks or fills the memory.
    const auto bytes = textfile::readFile(filePath, nullptr, textfile::kSmallFileLimit);
    if (!bytes)
        return limit(defaultValue);
    bool inSection = false;
    for (const QString &line : textfile::splitLines(*bytes)) {
        if (const auto name = sectionName(line)) {
            if (inSection)
                break; // the first section of that name is the one that counts
            inSection = name->compare(section.trimmed(), Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && keyMatches(line, key, &value))
            return limit(unquote(value));
    }
    return limit(defaultValue);
}

bool writeString(const QString &filePath, const QString &section, const QString &key,
                 const QString &value, QString *error, textfile::Access access)
{
    QStringList lines;
    if (QFileInfo::exists(filePath)) {
        const auto bytes = textfile::readFile(filePath, error, textfile::kSmallFileLimit);
        if (!bytes)
            return false;
        lines = textfile::splitLines(*bytes);
    }
    const QString entry = key.trimmed() + u'=' + value;

    qsizetype sectionStart = -1;
    qsizetype insertAt = -1; // after the section's last non-blank line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (sectionStart >= 0)
                break;
            if (name->compare(section.trimmed(), Qt::CaseInsensitive) == 0)
                sectionStart = insertAt = i;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (keyMatches(lines[i], key)) {
            lines[i] = entry;
            return textfile::replaceFile(filePath, textfile::crlfLines(lines), error, access);
        }
        if (!lines[i].trimmed().isEmpty())
            insertAt = i;
    }
    if (sectionStart >= 0) {
        lines.insert(insertAt + 1, entry);
    } else {
        lines << u'[' + section.trimmed() + u']' << entry;
    }
    return textfile::replaceFile(filePath, textfile::crlfLines(lines), error, access);
}

} // namespace qvic::profile
