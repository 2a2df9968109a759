#include "alerts/AlertAreas.h"

#include "dispatch/PlayerGroups.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QSet>

namespace qvic {

bool AlertAreas::Mapping::matches(const CapArea &area) const
{
    if (!areaDescription.isEmpty())
        return area.description.simplified().toCaseFolded() == areaDescription;
    for (const CapValue &geocode : area.geocodes)
        if (geocode.valueName.trimmed().toCaseFolded() == valueName
            && geocode.value.trimmed().toCaseFolded() == value)
            return true;
    return false;
}

std::variant<AlertAreas, QString> AlertAreas::read(const QString &path, const PlayerGroups &groups)
{
    const QString file = QDir::toNativeSeparators(path);
    QString error;
    const auto read = textfile::readUtf8File(path, &error);
    if (!read)
        return QStringLiteral("the areas file: %1").arg(error);
    const QString &text = *read;

    AlertAreas areas;
    const QStringList lines = text.split(u'\n');
    for (int number = 1; number <= lines.size(); ++number) {
        const QString line = lines[number - 1].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("%1, line %2").arg(file).arg(number);
        const qsizetype equals = line.lastIndexOf(u'=');
        const QString match = line.left(equals).simplified();
        if (equals < 0 || match.isEmpty() || hasControlCharacter(line))
            return QStringLiteral("%1: \"%2\" is no mapping AREA = GROUP, GROUP").arg(where, line);
        Mapping mapping;
        if (match.startsWith(QLatin1String("geocode:"), Qt::CaseInsensitive)) {
            const QStringList parts = match.mid(8).split(u':');
            if (parts.size() != 2 || parts[0].trimmed().isEmpty() || parts[1].trimmed().isEmpty())
                return QStringLiteral("%1: \"%2\" is no geocode:VALUENAME:VALUE").arg(where, match);
            mapping.valueName = parts[0].trimmed().toCaseFolded();
            mapping.value = parts[1].trimmed().toCaseFolded();
        } else {
            mapping.areaDescription = match.toCaseFolded();
        }
        for (const QString &named : line.mid(equals + 1).split(u',')) {
            const QString group = named.trimmed();
            if (group.isEmpty())
                return QStringLiteral("%1: \"%2\" names an empty group").arg(where, line);
            if (!groups.contains(group))
                return QStringLiteral("%1: no group '%2' in the groups file (%3)")
                    .arg(where, group, groups.groups().join(QStringLiteral(", ")));
            if (groups.addresses(group).isEmpty())
                return QStringLiteral("%1: the group '%2' holds no player address").arg(where, group);
            mapping.groups << group;
            mapping.players << groups.addresses(group);
        }
        areas.m_mappings << mapping;
    }
    return areas;
}

AlertAreas::Reach AlertAreas::reach(const CapInfo &info) const
{
    Reach reach;
    QSet<QString> groupsTaken;
    QSet<QString> playersTaken;
    for (const Mapping &mapping : m_mappings) {
        const bool matched = std::any_of(info.areas.cbegin(), info.areas.cend(),
                                         [&mapping](const CapArea &area) { return mapping.matches(area); });
        if (!matched)
            continue;
        for (qsizetype i = 0; i < mapping.groups.size(); ++i) {
            if (groupsTaken.contains(mapping.groups[i].toCaseFolded()))
                continue;
            groupsTaken.insert(mapping.groups[i].toCaseFolded());
            reach.groups << mapping.groups[i];
            for (const QString &player : mapping.players[i]) {
                if (!playersTaken.contains(player)) {
                    playersTaken.insert(player);
                    reach.players << player;
                }
            }
        }
    }
    return reach;
}

} // namespace qvic
