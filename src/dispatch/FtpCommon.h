#pragma once

#include "dispatch/SendRequest.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

#include <curl/curl.h>

// The libcurl pieces every request to a player shares: handles that clean up
// after themselves, the player's paths as URL and as FTP command, the options
// every request carries, and what the sockets tell of the player.
namespace qvic {

struct CurlEasyCleanup
{
    void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct CurlMultiCleanup
{
    void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};
struct CurlUrlCleanup
{
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};
struct CurlSlistCleanup
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistCleanup>;

// A document a player may be showing travels under a temporary name in its own
// folder and takes its real name only once the player holds it whole: a broken
// upload leaves the older document as it was.
inline const QString kTemporarySuffix = QStringLiteral(".part");

// CR, LF or NUL would end an FTP command early and start another.
bool hasLineBreakOrNul(const QString &text);

// A remote file ("media\Lobby.rtf", relative to the player's FTP root,
// backslash separators), with the temporary suffix when asked, as the path of
// a URL: each segment's Windows-1252 bytes (the names inside Instant.txt are
// Windows-1252) percent-encoded, "/media/Lobby.rtf". Its segments never hold a
// "/": the caller refuses such names.
QByteArray remoteUrlPath(const QString &remoteFile, bool temporary = false);
// The same path as an FTP command names it: "media/Lobby.rtf" in Windows-1252.
QByteArray remoteCommandPath(const QString &remoteFile, bool temporary = false);

// Makes a list of FTP commands for CURLOPT_QUOTE; a leading "*" lets a command
// fail without failing the request.
CurlSlist commandList(const QList<QByteArray> &commands);

// The options every request to a player carries: FTP only, passive mode, the
// account, the error buffer, no signals, the connect and response limits,
// whole paths rather than changes of folder, and no proxy (players sit on the
// local network; a proxy from the environment would only get in the way).
CURLcode setPlayerOptions(CURL *easy, CURLU *url, const QByteArray &user, const QByteArray &password,
                          char *errorBuffer, const SendTimeLimits &limits);

// The size in a reply to SIZE ("213 20170"); -1 when the reply is no size.
qint64 sizeInReply(const QByteArray &line);

// Bytes sent on the socket that its peer has not yet acknowledged (SIOCOUTQ).
qint64 unacknowledged(curl_socket_t socket);
// Whether the connection is gone (reset, or closed by both ends): its count of
// unacknowledged bytes will never fall.
bool connectionLost(curl_socket_t socket);
// A socket closed after this ends its connection with a reset: an FTP upload
// ends where its data connection closes, so a plain close would tell the player
// that a cut-off file is complete.
void resetOnClose(curl_socket_t socket);

} // namespace qvic
