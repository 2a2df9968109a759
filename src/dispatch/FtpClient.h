#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>
#include <exception>
#include <memory>
#include <optional>

#include <curl/curl.h>

namespace qvic {

// The error numbers the transfer dialog tells apart. Any other failure carries
// libcurl's own code and text.
namespace ftperror {
constexpr int LogonRefused = 20302;      // player unreachable, silent, or refused the logon
constexpr int RemoteFileRefused = 20142; // remote folder or file refused (550/553, CWD)
constexpr int NotConnected = 424;        // connection lost or stalled after the logon
constexpr int LocalFileMissing = 53;     // the file to send is not there
} // namespace ftperror

class FtpError : public std::exception
{
public:
    FtpError(int number, QString description);
    int number() const { return m_number; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

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
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;

// Uploads one file to a player by FTP, on the thread that drives it. LogOn logs
// on and keeps the connection; SendFile starts the upload over that connection;
// ServiceEvents lets it advance (waiting on the sockets, then handling pending
// window events so the window keeps painting) until TransferFinished.
// LogOn, SendFile and ServiceEvents throw FtpError on failure; by then the
// connection is released. Passive mode, binary type.
//
// An upload is measured by what the player has acknowledged, not by what the
// kernel has taken: a slow player may still be receiving many seconds after the
// last byte left the program. The upload ends (and the wait for the player's
// answer begins) only once the player holds every byte; it fails when the player
// acknowledges nothing for the stall limit. Whatever ends an upload short resets
// its data connection, so that the player never keeps a cut-off file.
class FtpClient : public QObject
{
    Q_OBJECT

public:
    struct TimeLimits
    {
        std::chrono::milliseconds connect{10000}; // connection and logon
        std::chrono::seconds response{15};        // any one server reply
        std::chrono::seconds stall{30};           // an upload the player takes nothing of this long
    };

    explicit FtpClient(QObject *parent = nullptr);
    ~FtpClient() override;

    // "address", "address:port" or "[v6 address]:port"; port 21 by default.
    QString Host;
    QString UserName;
    QString Password;
    // Both relative to the logon folder, with backslash separators.
    QString RemoteFolder;
    QString RemoteFile;
    QString LocalFile;
    // Upload to RemoteFile with kTemporarySuffix, for PutInPlace to rename: a
    // broken upload then leaves the player's older file whole under its name.
    bool ViaTemporaryName = false;

    bool IsConnected() const { return m_connected; }
    // Connects and logs on; returns once logged on.
    void LogOn();
    // Sends QUIT and closes the connection. Never fails.
    void LogOff();
    // Starts sending LocalFile to RemoteFolder\RemoteFile over the logged-on
    // connection; TransferStarted comes before it returns.
    void SendFile();
    // Waits briefly for the sockets, moves the upload on, fires its notifications,
    // and handles pending window events. Throws when the upload failed.
    void ServiceEvents();
    // After an upload under the temporary name has finished: checks that the player
    // holds every byte (when it answers SIZE) and renames the file to RemoteFile,
    // deleting the old one first where the player will not rename over it.
    // Does nothing after a direct upload. Throws on failure, as LogOn does.
    void PutInPlace();
    // Ends the running logon, upload or PutInPlace; an upload's wait ends with
    // TransferFinished (a logon or PutInPlace in progress throws instead). Safe to call from a notification.
    // The player sees a broken upload, not a short file that ended cleanly.
    void AbortTransfer();

    void setTimeLimits(const TimeLimits &limits) { m_limits = limits; }

signals:
    void TransferStarted();
    // Bytes the player has acknowledged so far, cumulative.
    void TransferProgress(qint64 bytes);
    void TransferFinished();

private:
    enum class Phase { Idle, LoggingOn, Sending, Commanding };
    // Where the upload's bytes are: not asked for yet (libcurl still talks to the
    // player), flowing, all in the kernel with libcurl held back until the player
    // has them, or all with the player, when the data connection may close normally.
    enum class Data { Waiting, Flowing, Draining, Delivered };

    void prepareHandles();
    void setCommonOptions();
    // Runs the request set on the easy handle to its end, the window handling its
    // events meanwhile; throws when the operator aborts it.
    CURLcode perform(Phase phase);
    // A request that moves no file on the logged-on connection: at path, the
    // commands before it (nullptr: none, a SIZE of the file path names).
    CURLcode command(const QByteArray &path, curl_slist *commands);
    // One round of waiting and work; returns the finished transfer's result.
    std::optional<CURLcode> step();
    int pollCapMs() const;
    // Reports what the player has acknowledged, lets the upload end once it has
    // everything, and throws when it has taken nothing for the stall limit.
    void followPlayer();
    void pumpWindowEvents(bool force);
    // Closes the connection; with a reset after an upload that ended short.
    void release(bool reset = false);
    FtpError failure(CURLcode code) const;
    void check(CURLcode code, const char *what) const;
    void check(CURLMcode code) const;

    static size_t readData(char *buffer, size_t size, size_t count, void *client);
    static curl_socket_t openSocket(void *client, curlsocktype purpose,
                                    struct curl_sockaddr *address);
    static int closeSocket(void *client, curl_socket_t socket);

    TimeLimits m_limits;
    CurlMulti m_multi;
    CurlEasy m_easy;
    CurlUrl m_url;
    QByteArray m_user;
    QByteArray m_password;
    char m_errorText[CURL_ERROR_SIZE] = {};
    QFile m_file;
    QSet<curl_socket_t> m_sockets;
    curl_socket_t m_controlSocket = CURL_SOCKET_BAD;
    curl_socket_t m_dataSocket = CURL_SOCKET_BAD;

    Phase m_phase = Phase::Idle;
    bool m_connected = false;
    bool m_inMulti = false;
    bool m_abortRequested = false;
    Data m_data = Data::Waiting;
    qint64 m_acknowledged = 0;
    qint64 m_sent = 0; // by the last upload that finished
    QElapsedTimer m_sinceSendFile;
    QElapsedTimer m_sinceAcknowledged;
    qint64 m_bytesReported = -1;
    QElapsedTimer m_sinceProgress;
    QElapsedTimer m_sinceWindowEvents;
};

} // namespace qvic
