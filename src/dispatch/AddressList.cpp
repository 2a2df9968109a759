#include "dispatch/AddressList.h"

#include "platform/TextFile.h"

#include <QFileInfo>

namespace qvic::addresslist {
namespace {

void splitLine(const QString &line, QStringList &fields)
{
    qsizetype i = 0;
    while (true) {
        while (i < line.size() && line[i] == u' ')
            ++i;
        QString field;
        if (i < line.size() && line[i] == u'"') {
            const qsizetype close = line.indexOf(u'"', i + 1);
            field = line.mid(i + 1, close < 0 ? -1 : close - i - 1);
            i = close < 0 ? line.size() : close + 1;
            // Whatever follows the closing quote up to the comma is not part of the field.
            const qsizetype comma = line.indexOf(u',', i);
            i = comma < 0 ? line.size() : comma;
        } else {
            const qsizetype comma = line.indexOf(u',', i);
            field = line.mid(i, comma < 0 ? -1 : comma - i);
            i = comma < 0 ? line.size() : comma;
        }
        fields.append(field);
        if (i >= line.size())
            return;
        ++i; // past the comma: a field follows, even an empty one at the line's end
    }
}

} // namespace

QStringList readFields(const QByteArray &bytes)
{
    QStringList fields;
    for (const QString &line : textfile::splitLines(bytes))
        splitLine(line, fields);
    return fields;
}

std::optional<QStringList> readFieldsOfFile(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path))
        return QStringList();
    const auto bytes = textfile::readFile(path, error, textfile::kSmallFileLimit);
    if (!bytes)
        return std::nullopt;
    return readFields(*bytes);
}

bool appendAddress(const QString &ipListFile, const QString &address, QString *error)
{
    return textfile::appendToFile(ipListFile, textfile::crlfLines({address}), error);
}

bool writeLastAddress(const QString &preIpFile, const QString &address, QString *error)
{
    return textfile::replaceFile(preIpFile, textfile::crlfLines({address}), error);
}

} // namespace qvic::addresslist
