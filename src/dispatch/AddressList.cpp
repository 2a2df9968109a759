#include "dispatch/AddressList.h"

#include "platform/QuotedFields.h"
#include "platform/TextFile.h"

#include <QFileInfo>

namespace qvic::addresslist {
QStringList readFields(const QByteArray &bytes)
{
    QStringList fields;
    for (const QString &line : textfile::splitLines(bytes))
        fields += quotedfields::read(line, quotedfields::Blanks::LeadingSpaces,
                                     quotedfields::Lines::Given);
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
