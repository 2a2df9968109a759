#pragma once

#include "dispatch/CurlMultiLoop.h"
#include "dispatch/FtpClient.h"
#include "dispatch/FtpCommon.h"
#include "dispatch/GroupSend.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

namespace qvic {

// The transfers of a group send, on one multi handle in the event loop of the
// thread this object lives in (GroupSend gives it a thread of its own). Each
// player goes through its steps: log on; for each file upload, ask its size
// back, and for a file sent by a temporary name rename it (deleting the old
// file first where the player refuses to rename over it). libcurl keeps one
// connection per player for all of them.
class GroupTransfers : public QObject
{
    Q_OBJECT

public:
    explicit GroupTransfers(QObject *parent = nullptr);
    ~GroupTransfers() override;

    // Sends to the given players (indices into the request). A new request
    // reads its local files once; a retry sends the same bytes again.
    void run(const GroupRequest &request, const QList<int> &players, bool newRequest,
             const FtpClient::TimeLimits &limits, int maxConnections);
    void cancel();

signals:
    void playerChanged(int player, const qvic::PlayerResult &result);
    void finished();

private:
    enum class Step { Logon, Upload, Size, Rename, DeleteAndRename };

    struct LocalFile
    {
        GroupFile file;
        QByteArray bytes;
        int errorNumber = 0; // when it could not be read, and why
        QString error;
    };

    struct Player
    {
        GroupTransfers *owner = nullptr;
        int index = 0;
        PlayerResult result;
        CurlEasy easy;
        CurlUrl url;
        CurlSlist commands;      // sent before the request's own
        QStringList lastFolder; // of its last request
        char errorText[CURL_ERROR_SIZE] = {};
        Step step = Step::Logon;
        int file = -1;        // the file in hand
        qint64 offset = 0;    // read position in its bytes
        qint64 sentBefore = 0; // bytes of the files before it
        bool inMulti = false;
        bool unverified = false;
        bool draining = false;  // every byte handed over, not all taken yet
        qint64 unacknowledged = 0;
        QElapsedTimer sinceDrainProgress;
        QList<curl_socket_t> sockets; // the control connection first
        std::unique_ptr<QTimer> pause; // before a file that waits for the previous one
        QElapsedTimer clock;
        QElapsedTimer sinceReport;
    };

    void loadFiles();
    void begin(Player &player);
    void admit();
    void nextFile(Player &player);
    void sendFile(Player &player);
    void submit(Player &player, Step step, const QStringList &segments, bool asFolder);
    void onDone(CURL *easy, CURLcode code);
    void afterLogon(Player &player, CURLcode code);
    void afterUpload(Player &player, CURLcode code);
    void afterSize(Player &player, CURLcode code);
    void afterRename(Player &player, CURLcode code);
    void fail(Player &player, int number, const QString &description);
    void fail(Player &player, CURLcode code);
    void fail(Player &player, const FtpError &error);
    void finish(Player &player, PlayerResult::State state);
    void report(Player &player);
    void endRunIfDone();
    // Cuts the player's connections with a reset, so an upload under way ends
    // broken on the player rather than complete.
    void hangUp(Player &player);
    void checkDraining();
    static qint64 unacknowledged(const Player &player);

    const LocalFile &currentFile(const Player &player) const { return m_files[player.file]; }
    QStringList remoteSegments(const Player &player, bool temporary) const;
    bool isFinalRequest(const Player &player, Step step) const;

    static size_t readData(char *buffer, size_t size, size_t count, void *player);
    static int progress(void *player, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow);
    static curl_socket_t openSocket(void *player, curlsocktype, curl_sockaddr *address);
    static int closeSocket(void *player, curl_socket_t socket);

    CurlMultiLoop m_loop; // a child, so it moves with this object to its thread
    QTimer m_drainCheck;   // a child too
    GroupRequest m_request;
    std::vector<LocalFile> m_files;
    std::vector<std::unique_ptr<Player>> m_players;
    QList<int> m_waiting;
    int m_active = 0;
    int m_maxConnections = 32;
    bool m_running = false;
    FtpClient::TimeLimits m_limits;
};

} // namespace qvic
