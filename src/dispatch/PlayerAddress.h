#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <curl/curl.h>

namespace qvic {

// A player's address as libcurl's URL API takes it: the host (an IPv6 address
// in brackets) and the port.
struct PlayerAddress
{
    QByteArray host;
    QByteArray port;
};

// The one rule for a player's address, wherever one is typed or read (the
// address box, the groups, the command line): an IPv4 address, a host name,
// "address:port", "[v6 address]:port", "[v6 address]" or a bare IPv6 address,
// with spaces around it ignored and port 21 when none is given. Nothing for any
// other text: one holding a space or a control character, a port that is no
// number from 1 to 65535, or a host libcurl's URL parser refuses ("a/b").
std::optional<PlayerAddress> parsePlayerAddress(const QString &text);

// What two spellings of one player share and two players do not: the host
// without regard to case or a final dot, an IP address in its usual form, any
// loopback address and "localhost" as this computer, and the port. Empty for
// text that is no address.
QString playerIdentity(const QString &text);

// Points url at the player's FTP root; false when libcurl will not take it.
bool setPlayerUrl(CURLU *url, const PlayerAddress &address);

} // namespace qvic
