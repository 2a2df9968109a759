#include "dispatch/PlayerGroups.h"

#include "platform/Text.h"
#include "platform/TextFile.h"
#include "state/SharedState.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace qvic {

QString PlayerGroups::pathFor(const SharedState &state)
{
    return QFileInfo(state.iniFile).dir().filePath(QStringLiteral("groups.ini"));
}

namespace {

bool hasControl(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// "[fe80::1]" is an address the address box takes, not a heading.
bool isBracketedIpv6(QStringView inside)
{
    return inside.count(u':') >= 2 && std::all_of(inside.begin(), inside.end(), [](QChar c) {
               return c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u':' || c == u'.';
           });
}

// Names match as QString::compare(Qt::CaseInsensitive) matches them: trimmed,
// each character case-folded on its own.
QString nameKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

QString skipped(int line, const QString &what)
{
    return QStringLiteral("line %1: %2 was skipped").arg(line).arg(what);
}

} // namespace

QStringList PlayerGroups::load(const QString &path)
{
    m_groups.clear();
    m_indexes.clear();
    m_unsavedOriginal.clear();
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return {};
    QString error;
    const auto bytes = textfile::readFile(path, &error, textfile::kSmallFileLimit);
    if (!bytes)
        return {error};
    QStringDecoder utf8(QStringDecoder::Utf8); // drops a leading byte-order mark, as editors may write one
    const QString text = utf8.decode(*bytes);
    QStringList problems;
    Group *current = nullptr;
    QSet<QString> currentAddresses; // the current group's, to drop repeats without searching its list
    bool inSkippedGroup = false; // its addresses go with it, told once at its heading
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i + 1);
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = line.trimmed();
        if (line.startsWith(u';') || line.startsWith(u'#'))
            m_unsavedOriginal = *bytes;
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']') && !isBracketedIpv6(QStringView(line).sliced(1, line.size() - 2))) {
            const QString name = line.sliced(1, line.size() - 2).trimmed();
            current = nullptr;
            inSkippedGroup = true;
            if (name.isEmpty())
                problems << skipped(number, QStringLiteral("a group without a name, with its addresses,"));
            else if (!validName(name))
                problems << skipped(number, QStringLiteral("a group name with a control character, with its addresses,"));
            else if (contains(name))
                problems << skipped(number, QStringLiteral("a second group named \"%1\", with its addresses,").arg(name));
            else {
                m_indexes.insert(nameKey(name), m_groups.size());
                m_groups.append({name, {}});
                current = &m_groups.last();
                currentAddresses.clear();
                inSkippedGroup = false;
            }
        } else if (hasControl(line) || line.contains(QChar::ReplacementCharacter)) {
            problems << skipped(number, QStringLiteral("an address with a control character or a byte that is not UTF-8"));
        } else if (current) {
            if (!currentAddresses.contains(line)) {
                currentAddresses.insert(line);
                current->addresses << line;
            }
        } else if (!inSkippedGroup) {
            problems << skipped(number, QStringLiteral("an address outside any group"));
        }
    }
    if (!problems.isEmpty())
        m_unsavedOriginal = *bytes;
    return problems;
}

bool PlayerGroups::save(const QString &path, QString *error) const
{
    if (!m_unsavedOriginal.isEmpty()) {
        if (!textfile::replaceFile(path + QStringLiteral(".bak"), m_unsavedOriginal, error))
            return false;
        m_unsavedOriginal.clear();
    }
    // LF line ends: the file is ours and edited with Linux editors; load takes CR LF too.
    QString text;
    for (const Group &group : m_groups) {
        if (!text.isEmpty())
            text += u'\n';
        text += u'[' + group.name + QStringLiteral("]\n");
        for (const QString &address : group.addresses)
            text += address + u'\n';
    }
    return textfile::replaceFile(path, text.toUtf8(), error);
}

QStringList PlayerGroups::groups() const
{
    QStringList names;
    for (const Group &group : m_groups)
        names << group.name;
    return names;
}

QStringList PlayerGroups::addresses(const QString &name) const
{
    const qsizetype index = indexOf(name);
    return index < 0 ? QStringList() : m_groups[index].addresses;
}

bool PlayerGroups::addGroup(const QString &name)
{
    if (!validName(name) || contains(name))
        return false;
    m_indexes.insert(nameKey(name), m_groups.size());
    m_groups.append({name.trimmed(), {}});
    return true;
}

bool PlayerGroups::removeGroup(const QString &name)
{
    const qsizetype index = indexOf(name);
    if (index < 0)
        return false;
    m_groups.removeAt(index);
    indexGroups();
    return true;
}

bool PlayerGroups::setAddresses(const QString &name, const QStringList &addresses)
{
    const qsizetype index = indexOf(name);
    if (index < 0)
        return false;
    QStringList kept;
    QSet<QString> seen;
    for (const QString &address : addresses) {
        const QString trimmed = address.trimmed();
        if (hasControl(trimmed))
            return false;
        if (!trimmed.isEmpty() && !seen.contains(trimmed)) {
            seen.insert(trimmed);
            kept << trimmed;
        }
    }
    m_groups[index].addresses = kept;
    return true;
}

bool PlayerGroups::rename(const QString &from, const QString &to)
{
    const qsizetype index = indexOf(from);
    const qsizetype taken = indexOf(to);
    if (index < 0 || !validName(to) || (taken >= 0 && taken != index)) // a change of case alone is a rename
        return false;
    m_indexes.remove(nameKey(m_groups[index].name));
    m_indexes.insert(nameKey(to), index);
    m_groups[index].name = to.trimmed();
    return true;
}

bool PlayerGroups::validName(const QString &name)
{
    const QString trimmed = name.trimmed();
    return !trimmed.isEmpty() && !hasControl(trimmed) && !isBracketedIpv6(trimmed);
}

qsizetype PlayerGroups::indexOf(const QString &name) const
{
    return m_indexes.value(nameKey(name), -1);
}

void PlayerGroups::indexGroups()
{
    m_indexes.clear();
    for (qsizetype i = 0; i < m_groups.size(); ++i)
        m_indexes.insert(nameKey(m_groups[i].name), i);
}

} // namespace qvic
