#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qvic {
struct SharedState;
}

namespace qvic::cli {

// The players a send goes to: the addresses given, trimmed as the address box
// trims them and repeats dropped, or those of the named group. Nothing, with
// the reason in *error, for an unknown or empty group, a groups file that
// cannot be read, or an address no player can have (naming it and its group):
// a send sends to all of them or to none. Lines of the groups file that were
// skipped are told in *warnings.
std::optional<QStringList> choosePlayers(const QStringList &addresses, const std::optional<QString> &group,
                                         const SharedState &state, QStringList *warnings, QString *error);

// The saved addresses (IPList.txt) and the groups, as `players` lists them.
struct PlayerListing
{
    QString addressFile;
    QStringList addresses;
    QString groupFile;
    QList<std::pair<QString, QStringList>> groups; // name, addresses
};
std::optional<PlayerListing> listPlayers(const SharedState &state, QStringList *warnings, QString *error);

// For people, one address a line under its heading; or one JSON object:
// {"addresses": [...], "groups": [{"name": "...", "addresses": [...]}]}.
QByteArray listingText(const PlayerListing &listing, bool json);

} // namespace qvic::cli
