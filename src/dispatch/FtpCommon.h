#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

#include <curl/curl.h>

namespace qvic {

struct CurlSlistCleanup
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistCleanup>;

// What every FTP transfer to a player shares, whichever client carries it: the
// address box's text as host and port, the remote path as the player names it,
// and the error number the program tells a failure by.

// A host as libcurl's URL API takes it (IPv6 addresses in brackets) and its port.
struct FtpHostPort
{
    QByteArray host;
    QByteArray port;
};

// "address", "address:port", "[v6]:port", "[v6]" or a bare v6 address; port 21
// when none is given. Nothing when the text is none of these.
std::optional<FtpHostPort> parseFtpHost(const QString &text);

// Points url at the player's FTP root; false when libcurl will not take the address.
bool setPlayerAddress(CURLU *url, const FtpHostPort &address);

// CR, LF or NUL would end an FTP command early and start another.
bool hasLineBreakOrNul(const QString &text);

// The segments of a remote path: the folder's, then the file's, split at the
// program's backslashes, empty ones dropped.
QStringList ftpPathSegments(const QString &folder, const QString &file);

// The URL path of those segments: each one's Windows-1252 bytes (the names
// inside Instant.txt are Windows-1252), percent-encoded; "/" for none. With
// asFolder the path ends in "/", so libcurl changes into it and names no file.
QByteArray ftpUrlPath(const QStringList &segments, bool asFolder = false);

// Ftp error numbers of a failed libcurl request: during the logon, any failure
// means the player cannot be logged on to; after it, see ftperror in FtpClient.h.
// reply is the player's last reply code.
int ftpFailureNumber(CURLcode code, long reply, bool loggingOn);

// The options every request to a player carries: FTP only, the account, the
// error buffer, no signals, the connect and response limits, and no proxy (players
// sit on the local network; a proxy from the environment would only get in the way).
CURLcode setPlayerOptions(CURL *easy, CURLU *url, const QByteArray &user, const QByteArray &password,
                          char *errorBuffer, std::chrono::milliseconds connect,
                          std::chrono::seconds response);

// Bytes sent on the socket that its peer has not yet acknowledged (SIOCOUTQ).
qint64 unacknowledged(curl_socket_t socket);
// Whether the player has everything sent on the socket, or never will: a reset
// connection keeps its count of unacknowledged bytes.
bool drained(curl_socket_t socket);
// A socket closed after this ends its connection with a reset: an FTP upload
// ends where its data connection closes, so a plain close would tell the player
// that a cut-off file is complete.
void resetOnClose(curl_socket_t socket);

} // namespace qvic
