#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace qvic {

struct SharedState;

// Named groups of player addresses, kept in AppDir in a file of our own that an
// operator may edit by hand (UTF-8):
//   [Lobby screens]
//   10.0.0.5
//   10.0.0.6:2100
// A heading in brackets names a group, each line under it is one address;
// blank lines and lines starting with ';' or '#' are ignored. Group names are
// matched without regard to case, as the program's INI sections are.
class PlayerGroups
{
public:
    // Replaces the groups with those of the file. A missing file is no groups.
    // What cannot be taken is skipped and told, one item each, naming its line
    // ("line 3: an address outside any group was skipped") or, for a file that
    // cannot be read at all, the file.
    QStringList load(const QString &path);
    // AppDir/groups.ini, beside the program's IC.ini.
    static QString pathFor(const SharedState &state);
    // Replaces the file atomically; on failure (*error says why) the old file stays whole.
    // The first save after a load that met comments or skipped lines keeps the
    // file as it was read beside it, as path + ".bak": the save holds neither.
    bool save(const QString &path, QString *error = nullptr) const;

    QStringList groups() const;
    QStringList addresses(const QString &name) const; // empty for no such group
    bool contains(const QString &name) const { return indexOf(name) >= 0; }

    // False for a name already taken or one the file could not hold (see validName).
    bool addGroup(const QString &name);
    bool removeGroup(const QString &name);
    // Trimmed, in the order given; blanks and repeats dropped. False for no such
    // group or an address holding a control character (nothing changes then).
    bool setAddresses(const QString &name, const QStringList &addresses);
    bool rename(const QString &from, const QString &to);

    // A name the file holds as a heading: not empty once trimmed, no control
    // character, and not one that would read back as a bracketed IPv6 address.
    static bool validName(const QString &name);

private:
    struct Group
    {
        QString name;
        QStringList addresses;
    };
    qsizetype indexOf(const QString &name) const;
    void indexGroups();

    QList<Group> m_groups;
    // Where each group is in m_groups, by its name case-folded: the file may hold
    // thousands of groups, and a search of the list for each would be quadratic.
    QHash<QString, qsizetype> m_indexes;
    mutable QByteArray m_unsavedOriginal; // what the first save would lose, until kept
};

} // namespace qvic
