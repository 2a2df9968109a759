#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <optional>

#include <curl/curl.h>

namespace qvic {

class FtpError;

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

// Makes easy a request that moves no file: the logon, SIZE, or commands in a folder.
CURLcode setNoTransfer(CURL *easy);

// A document a player may be showing travels under a temporary name in its own
// folder and takes its real name only once the player holds it whole: a broken
// upload leaves the older document as it was.
inline const QString kTemporarySuffix = QStringLiteral(".part");

// The commands, sent in the file's folder (CURLOPT_PREQUOTE), that give the file
// sent as name + kTemporarySuffix its real name; with deleteFirst the old file goes
// first. A player that will not rename over an existing file answers RNTO with an
// error: the star lets the request end well, and renamed() tells it.
CurlSlist renameCommands(const QString &name, bool deleteFirst);
// Whether the rename request easy ended with code left the file under its real name.
bool renamed(CURL *easy, CURLcode code);
// The size a SIZE request got for its file; -1 from a player that does not answer SIZE.
qint64 heldSize(CURL *easy);
// The failures of putting a file in place, naming it.
FtpError sizeMismatch(const QString &remoteFile, qint64 held, qint64 sent);
FtpError renameRefused(const QString &remoteFile, const char *errorText);

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
