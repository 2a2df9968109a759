#pragma once

#include "dispatch/FtpCommon.h"
#include "dispatch/FtpFailure.h"
#include "dispatch/SendRequest.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

namespace qvic {

// What every player of a send gets: the files read once, the account in the
// bytes the player reads, the time limits.
struct SendJob
{
    struct File
    {
        SendFile file;
        QByteArray bytes;
        std::optional<FtpFailure> unreadable; // why it could not be read
    };

    QList<File> files;
    std::optional<ReadPlan> read;
    QByteArray user;
    QByteArray password;
    SendTimeLimits limits;

    // Reads the request's files; a file that cannot be read fails every player.
    static SendJob load(const SendRequest &request, const SendTimeLimits &limits);
};

// The connections of one player under way, shared between its session (on a
// worker thread) and the engine, which cuts them from its own thread when the
// operator cancels. libcurl opens and closes the sockets through this, under
// its lock, so a socket is never cut after its number went to another one.
class PlayerConnections
{
public:
    curl_socket_t open(int family, int type, int protocol);
    int close(curl_socket_t socket);

    // The control connection (the first socket) and the data connection under way.
    curl_socket_t control() const;
    curl_socket_t data() const;

    // Ends every connection at once: the control connection hangs up, and the
    // data connection ends with a reset, so the player sees an upload broken,
    // not complete.
    void hangUp();
    // After its last reply: QUIT, without waiting for the player's answer.
    void quit();

    // The multi handle the session waits in, for cancel() to wake it.
    void setMulti(CURLM *multi);
    // Cancels the player's send from any thread: hangs up and wakes the session.
    void cancel();
    bool cancelled() const { return m_cancelled; }

private:
    mutable std::mutex m_lock;
    QList<curl_socket_t> m_sockets; // the control connection first
    CURLM *m_multi = nullptr;
    std::atomic<bool> m_cancelled{false};
};

// One player's whole send, on the thread that runs it: logs on with the first
// upload, then for each file uploads it, asks its size back and, for a file
// sent by a temporary name, renames it (where the player refuses to rename over
// the old file, that one steps aside until the new one has the name, and comes
// back when the player will not give it). One connection carries every file; paths
// are given whole, so no command changes folder. The outcome is decided once
// the last file is verified; then QUIT goes out and the connection closes
// without waiting for the player's answer.
//
// libcurl waits for some replies inside its own calls (the one after an
// upload), bounded by the response limit: only this player waits. An upload
// holds back its end until the player has acknowledged every byte, and fails
// when the player acknowledges nothing for the stall limit.
class PlayerSession
{
public:
    using Report = std::function<void(const PlayerResult &)>;

    PlayerSession(const SendJob &job, const QString &player, PlayerConnections &connections, Report report);
    ~PlayerSession();
    PlayerSession(const PlayerSession &) = delete;
    PlayerSession &operator=(const PlayerSession &) = delete;

    PlayerResult run();

private:
    // Where an upload is: waiting for libcurl to ask for data, handing data over,
    // every byte handed over and the upload held until the player has them all,
    // or all with the player and libcurl waiting for its reply.
    enum class Upload { NotYet, Flowing, Draining, Done };

    bool begin();
    bool readFromPlayer();
    bool fetch(const QString &remoteFile, qint64 limit, PlayerReading &reading);
    bool sendFile(int index);
    bool upload(const SendJob::File &file);
    bool verify(const SendJob::File &file);
    bool rename(const SendJob::File &file);
    // Sends one FTP command on the connection; the player's reply code, or
    // nothing when the request itself failed (the player has failed then).
    std::optional<int> command(const QByteArray &line);
    bool pause(int milliseconds);

    // Readies the easy handle for a request: the common options, url path, and
    // with commands a request that sends them and moves no file.
    bool prepareRequest(const QByteArray &path);
    bool commandRequest(const QList<QByteArray> &commands);
    // Runs the request to its end, following an upload meanwhile.
    CURLcode perform();
    // Reports what the player has acknowledged of an upload, lets its end go
    // once the player has everything, and tells a stall or a lost connection.
    bool followUpload();
    CURLcode check(CURLcode code);

    bool fail(int number, const QString &description);
    bool failRequest(CURLcode code);
    bool failCancelled();
    void finish(PlayerResult::State state);
    void report(bool force);
    void setLoggedOn();

    static size_t readData(char *buffer, size_t size, size_t count, void *session);
    static size_t takeData(char *data, size_t size, size_t count, void *session);
    static size_t readReply(char *line, size_t size, size_t count, void *session);
    static curl_socket_t openSocket(void *session, curlsocktype purpose, curl_sockaddr *address);
    static int closeSocket(void *session, curl_socket_t socket);

    const SendJob &m_job;
    PlayerConnections &m_connections;
    Report m_report;
    PlayerResult m_result;
    CurlMulti m_multi;
    CurlEasy m_easy;
    CurlUrl m_url;
    CurlSlist m_commands;
    char m_errorText[CURL_ERROR_SIZE] = {};

    bool m_loggedOn = false;
    bool m_unverified = false;
    std::optional<FtpFailure> m_ownFailure; // a failure of ours that ended a request (stall, lost)
    QByteArray m_lastReply;                  // the last line of the player's last reply

    QByteArray *m_fetched = nullptr; // what a fetch has taken so far
    qint64 m_fetchLimit = 0;
    const QByteArray *m_bytes = nullptr; // the file under way
    qint64 m_offset = 0;                 // what has been handed to libcurl of it
    Upload m_upload = Upload::NotYet;
    qint64 m_acknowledged = 0;
    QElapsedTimer m_sinceAcknowledged;
    QElapsedTimer m_sinceLook;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceReport;
};

} // namespace qvic
