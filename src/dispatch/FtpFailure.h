#pragma once

#include <QString>

#include <curl/curl.h>

namespace qvic {

// The error numbers the operator's messages tell apart. Any other failure
// carries libcurl's own code and text.
namespace ftperror {
constexpr int LogonRefused = 20302;      // player unreachable, silent, or refused the logon
constexpr int RemoteFileRefused = 20142; // remote folder or file refused (550/553)
constexpr int NotConnected = 424;        // connection lost or stalled after the logon
constexpr int LocalFileMissing = 53;     // the file to send is not there
} // namespace ftperror

// A failed step of a send: its number and the description the general message shows.
struct FtpFailure
{
    int number = 0;
    QString description;
};

// The number of a failed libcurl request. Before the logon completed any
// failure means the player cannot be logged on to; after it, a refused remote
// file, a lost or silent connection, or libcurl's own code. reply is the
// player's last reply code.
int ftpFailureNumber(CURLcode code, long reply, bool loggedOn);

// The words the operator reads for a failure, by its number: "Can't logon to
// this IP Address", "Can't find the transferred file." and so on, the general
// message naming the number and the description.
QString transferFailureWords(int errorNumber, const QString &description);
// And for a send the operator cancelled.
QString transferCancelledWords();

} // namespace qvic
