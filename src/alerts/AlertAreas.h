#pragma once

#include "alerts/CapAlert.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

namespace qvic {

class PlayerGroups;

// Which player groups an alert's areas reach, from an areas file (UTF-8 text):
//   # comments and blank lines are skipped
//   Green County = Lobby screens, Cafeteria
//   geocode:SAME:017001 = Lobby screens
// The left side matches an area's whole <areaDesc>, or one of its geocodes by
// value name and value; both without regard to case. Every group named must be
// one of the groups file's.
class AlertAreas
{
public:
    // The mappings of the file at path, each group's players taken from groups
    // now. Refused with words naming the file and line: an unknown or empty
    // group, a line that is no "MATCH = GROUP, GROUP", a geocode match without
    // its value name or value, a file that cannot be read or is no UTF-8.
    static std::variant<AlertAreas, QString> read(const QString &path, const PlayerGroups &groups);

    // What the areas of an info reach.
    struct Reach
    {
        QStringList groups;  // in the file's order, each once
        QStringList players; // their addresses in the same order, each once
    };
    Reach reach(const CapInfo &info) const;

private:
    struct Mapping
    {
        QString areaDescription; // folded; empty for a geocode
        QString valueName;       // folded
        QString value;           // folded
        QStringList groups;      // as the groups file names them
        QList<QStringList> players; // each group's addresses
        bool matches(const CapArea &area) const;
    };
    QList<Mapping> m_mappings;
};

} // namespace qvic
