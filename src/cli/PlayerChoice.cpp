#include "cli/PlayerChoice.h"

#include "dispatch/AddressList.h"
#include "dispatch/PlayerAddress.h"
#include "dispatch/PlayerGroups.h"
#include "platform/Text.h"
#include "state/SharedState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace qvic::cli {
namespace {

// Loads the groups file; its skipped lines become warnings naming it. False
// when the file exists but cannot be read at all.
bool loadGroups(PlayerGroups &groups, const QString &path, QStringList *warnings, QString *error)
{
    for (const QString &problem : groups.load(path)) {
        if (!problem.startsWith(QLatin1String("line "))) {
            *error = problem;
            return false;
        }
        *warnings << path + QStringLiteral(": ") + problem;
    }
    return true;
}

} // namespace

std::optional<QStringList> choosePlayers(const QStringList &addresses, const std::optional<QString> &group,
                                         const SharedState &state, QStringList *warnings, QString *error)
{
    QStringList chosen;
    QString from; // how an address that is no address is told
    if (group) {
        PlayerGroups groups;
        const QString path = PlayerGroups::pathFor(state);
        if (!loadGroups(groups, path, warnings, error))
            return std::nullopt;
        if (!groups.contains(*group)) {
            const QStringList known = groups.groups();
            *error = QStringLiteral("no group '%1' in %2 (%3)")
                         .arg(*group, path,
                              known.isEmpty() ? QStringLiteral("it holds no group")
                                              : QStringLiteral("groups: ") + known.join(QStringLiteral(", ")));
            return std::nullopt;
        }
        chosen = groups.addresses(*group);
        if (chosen.isEmpty()) {
            *error = QStringLiteral("the group '%1' holds no player address").arg(*group);
            return std::nullopt;
        }
        from = QStringLiteral(" (in the group '%1')").arg(*group);
    } else {
        // Two sends to one player at once would race for its files. A set beside the
        // list keeps a command line of thousands of addresses from being quadratic.
        QSet<QString> given;
        for (const QString &address : addresses) {
            const QString trimmed = trimSpaces(address);
            if (!given.contains(trimmed)) {
                given.insert(trimmed);
                chosen << trimmed;
            }
        }
    }
    for (const QString &address : std::as_const(chosen)) {
        if (!parsePlayerAddress(address)) {
            *error = QStringLiteral("'%1'%2 is not a player address: give an IPv4 address, a host name, "
                                    "ADDRESS:PORT or [IPv6]:PORT")
                         .arg(address, from);
            return std::nullopt;
        }
    }
    return chosen;
}

std::optional<PlayerListing> listPlayers(const SharedState &state, QStringList *warnings, QString *error)
{
    PlayerListing listing;
    listing.addressFile = state.addressListFile;
    const auto saved = addresslist::readFieldsOfFile(state.addressListFile, error);
    if (!saved)
        return std::nullopt;
    QSet<QString> listed;
    for (const QString &address : *saved) {
        if (!address.isEmpty() && !listed.contains(address)) {
            listed.insert(address);
            listing.addresses << address;
        }
    }
    PlayerGroups groups;
    listing.groupFile = PlayerGroups::pathFor(state);
    if (!loadGroups(groups, listing.groupFile, warnings, error))
        return std::nullopt;
    for (const QString &name : groups.groups())
        listing.groups.append({name, groups.addresses(name)});
    return listing;
}

QByteArray listingText(const PlayerListing &listing, bool json)
{
    if (json) {
        QJsonArray groups;
        for (const auto &[name, addresses] : listing.groups)
            groups.append(QJsonObject{{"name", name}, {"addresses", QJsonArray::fromStringList(addresses)}});
        const QJsonObject all{{"addresses", QJsonArray::fromStringList(listing.addresses)}, {"groups", groups}};
        return QJsonDocument(all).toJson(QJsonDocument::Compact) + '\n';
    }
    QString text = QStringLiteral("Saved addresses (%1):\n").arg(listing.addressFile);
    for (const QString &address : listing.addresses)
        text += QStringLiteral("  ") + address + u'\n';
    if (listing.addresses.isEmpty())
        text += QStringLiteral("  (none)\n");
    text += QStringLiteral("Groups (%1):\n").arg(listing.groupFile);
    for (const auto &[name, addresses] : listing.groups) {
        text += QStringLiteral("  [%1]\n").arg(name);
        for (const QString &address : addresses)
            text += QStringLiteral("    ") + address + u'\n';
        if (addresses.isEmpty())
            text += QStringLiteral("    (no address)\n");
    }
    if (listing.groups.isEmpty())
        text += QStringLiteral("  (none)\n");
    return text.toLocal8Bit();
}

} // namespace qvic::cli
