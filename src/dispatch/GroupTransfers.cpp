#include "dispatch/GroupTransfers.h"

#include "platform/Win1252.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <utility>

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvic {
namespace {

// How often at most a player's byte count is reported while data flows, and how
// often its unacknowledged bytes are looked at after the last was handed over.
constexpr int kReportMs = 100;
constexpr int kDrainCheckMs = 10;


} // namespace

GroupTransfers::GroupTransfers(QObject *parent) : QObject(parent), m_loop(this), m_drainCheck(this)
{
    connect(&m_loop, &CurlMultiLoop::done, this, &GroupTransfers::onDone);
    m_drainCheck.setInterval(kDrainCheckMs);
    connect(&m_drainCheck, &QTimer::timeout, this, &GroupTransfers::checkDraining);
}

GroupTransfers::~GroupTransfers()
{
    // The kept connections call back into the players when they close.
    cancel();
    m_loop.closeConnections();
}

void GroupTransfers::run(const GroupRequest &request, const QList<int> &players, bool newRequest,
                         const FtpClient::TimeLimits &limits, int maxConnections)
{
    if (m_running)
        return;
    m_limits = limits;
    m_maxConnections = std::max(1, maxConnections);
    // Room for every player's connection between two of its requests, and for
    // the few that end before libcurl closes them.
    m_loop.setMaxConnections(2L * m_maxConnections);
    if (newRequest) {
        m_request = request;
        loadFiles();
        m_players.clear();
        for (int i = 0; i < m_request.players.size(); ++i) {
            m_players.push_back(std::make_unique<Player>());
            m_players.back()->owner = this;
            m_players.back()->index = i;
        }
    }
    m_running = true;
    m_waiting.clear();
    for (const int index : players) {
        if (index < 0 || index >= int(m_players.size()) || m_waiting.contains(index))
            continue;
        Player &player = *m_players[size_t(index)];
        player.result = PlayerResult{};
        player.result.player = m_request.players[index];
        m_waiting.append(index);
        report(player);
    }
    admit();
    endRunIfDone();
}

void GroupTransfers::loadFiles()
{
    m_files.clear();
    for (const GroupFile &file : std::as_const(m_request.files)) {
        LocalFile local{file, {}, 0, {}};
        QFile source(file.localPath);
        if (!QFileInfo(file.localPath).isFile())
            local = {file, {}, ftperror::LocalFileMissing, QStringLiteral("File not found: %1").arg(file.localPath)};
        else if (!source.open(QIODevice::ReadOnly))
            local = {file, {}, CURLE_READ_ERROR,
                     QStringLiteral("Cannot read %1: %2").arg(file.localPath, source.errorString())};
        else
            local.bytes = source.readAll(); // once: every player gets the same bytes
        m_files.push_back(local);
    }
}

void GroupTransfers::admit()
{
    while (m_active < m_maxConnections && !m_waiting.isEmpty())
        begin(*m_players[size_t(m_waiting.takeFirst())]);
}

void GroupTransfers::begin(Player &player)
{
    ++m_active;
    player.result.state = PlayerResult::State::LoggingOn;
    player.clock.start();
    player.file = -1;
    player.sentBefore = 0;
    player.unverified = false;
    report(player);

    for (const LocalFile &local : m_files) {
        if (local.errorNumber != 0)
            return fail(player, local.errorNumber, local.error);
        if (hasLineBreakOrNul(local.file.remoteFile))
            return fail(player, CURLE_URL_MALFORMAT,
                        QStringLiteral("The remote file name holds a line break or NUL."));
        if (local.file.remoteFile.split(QLatin1Char('\\')).last().isEmpty())
            return fail(player, ftperror::RemoteFileRefused,
                        QStringLiteral("The remote file \"%1\" has no name.").arg(local.file.remoteFile));
    }
    if (hasLineBreakOrNul(m_request.user) || hasLineBreakOrNul(m_request.password))
        return fail(player, CURLE_LOGIN_DENIED,
                    QStringLiteral("The user name or password holds a line break or NUL."));
    // As the address box takes it: spaces around it do not count.
    const QString host = player.result.player.trimmed();
    const std::optional<FtpHostPort> address = hasLineBreakOrNul(host) ? std::nullopt : parseFtpHost(host);
    if (!address)
        return fail(player, ftperror::LogonRefused,
                    QStringLiteral("\"%1\" is not an address, address:port or [IPv6]:port.").arg(host));
    if (!player.easy)
        player.easy.reset(curl_easy_init());
    player.url.reset(curl_url());
    if (!player.easy || !player.url)
        return fail(player, CURLE_FAILED_INIT, QStringLiteral("libcurl could not start a transfer."));
    if (!setPlayerAddress(player.url.get(), *address))
        return fail(player, ftperror::LogonRefused,
                    QStringLiteral("\"%1\" is not a usable player address.").arg(host));
    // Log on first, without a transfer, so a player that cannot be logged on
    // to is told apart from one that fails later, as in a single send.
    submit(player, Step::Logon, {}, false);
}

QStringList GroupTransfers::remoteSegments(const Player &player, bool temporary) const
{
    QStringList segments = ftpPathSegments({}, currentFile(player).file.remoteFile);
    if (temporary)
        segments.last() += kTemporarySuffix;
    return segments;
}

bool GroupTransfers::isFinalRequest(const Player &player, Step step) const
{
    if (player.file != int(m_files.size()) - 1)
        return false;
    // Not a rename: closing the connection sends QUIT, whose reply would hide
    // the RNTO reply that tells a refused rename.
    return step == Step::Size && !currentFile(player).file.viaTemporaryName;
}

void GroupTransfers::submit(Player &player, Step step, const QStringList &segments, bool asFolder)
{
    player.step = step;
    player.errorText[0] = '\0';
    CURL *easy = player.easy.get();
    curl_easy_reset(easy);
    const QByteArray path = ftpUrlPath(segments, asFolder);
    if (curl_url_set(player.url.get(), CURLUPART_PATH, path.constData(), 0) != CURLUE_OK) {
        fail(player, ftperror::RemoteFileRefused,
             QStringLiteral("The remote file \"%1\" cannot be named.").arg(segments.join(u'\\')));
        return;
    }
    CURLcode code = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK)
            code = curl_easy_setopt(easy, option, value);
    };
    code = setPlayerOptions(easy, player.url.get(), win1252::encode(m_request.user),
                            win1252::encode(m_request.password), player.errorText, m_limits.connect,
                            m_limits.response);
    set(CURLOPT_PRIVATE, static_cast<void *>(&player));
    set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(CURLOPT_LOW_SPEED_TIME, long(std::max<qint64>(1, m_limits.stall.count())));
    set(CURLOPT_OPENSOCKETFUNCTION, &GroupTransfers::openSocket);
    set(CURLOPT_OPENSOCKETDATA, static_cast<void *>(&player));
    set(CURLOPT_CLOSESOCKETFUNCTION, &GroupTransfers::closeSocket);
    set(CURLOPT_CLOSESOCKETDATA, static_cast<void *>(&player));
    // The player's last request takes its connection along: at most the
    // players under way keep one.
    set(CURLOPT_FORBID_REUSE, long(isFinalRequest(player, step)));
    QStringList folder = segments;
    if (!asFolder && !folder.isEmpty())
        folder.removeLast();
    if (step == Step::Upload) {
        player.offset = 0;
        // libcurl 7.88 on socket events leaves an upload waiting for nothing when
        // the answer to EPSV is read in the request's first step, as when no CWD
        // comes first (same folder as the last request). A NOOP first prevents it.
        if (folder == player.lastFolder) {
            player.commands.reset(curl_slist_append(nullptr, "NOOP"));
            set(CURLOPT_QUOTE, player.commands.get());
        }
        set(CURLOPT_UPLOAD, 1L);
        // No CURLOPT_INFILESIZE: with it libcurl never asks for the end of the
        // data, and readData() could not hold the upload open (the SIZE check
        // compares the lengths instead).
        set(CURLOPT_READFUNCTION, &GroupTransfers::readData);
        set(CURLOPT_READDATA, static_cast<void *>(&player));
        set(CURLOPT_NOPROGRESS, 0L);
        set(CURLOPT_XFERINFOFUNCTION, &GroupTransfers::progress);
        set(CURLOPT_XFERINFODATA, static_cast<void *>(&player));
    } else if (code == CURLE_OK) {
        // The logon, SIZE, and the rename commands after the folder's CWD.
        code = setNoTransfer(easy);
    }
    if (step == Step::Rename || step == Step::DeleteAndRename) {
        // The second time, the old file goes first.
        player.commands = renameCommands(remoteSegments(player, false).last(), step == Step::DeleteAndRename);
        set(CURLOPT_PREQUOTE, player.commands.get());
    }
    if (code != CURLE_OK)
        return fail(player, code, QLatin1String(curl_easy_strerror(code)));
    if (!m_loop.add(easy))
        return fail(player, CURLE_FAILED_INIT, QStringLiteral("libcurl could not start a transfer."));
    player.inMulti = true;
    player.lastFolder = folder;
}

void GroupTransfers::onDone(CURL *easy, CURLcode code)
{
    void *data = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &data);
    m_loop.remove(easy);
    auto *player = static_cast<Player *>(data);
    if (!player || !player->inMulti)
        return;
    player->inMulti = false;
    switch (player->step) {
    case Step::Logon:
        return afterLogon(*player, code);
    case Step::Upload:
        return afterUpload(*player, code);
    case Step::Size:
        return afterSize(*player, code);
    case Step::Rename:
    case Step::DeleteAndRename:
        return afterRename(*player, code);
    }
}

void GroupTransfers::afterLogon(Player &player, CURLcode code)
{
    if (code != CURLE_OK)
        return fail(player, code);
    player.result.state = PlayerResult::State::Sending;
    report(player);
    nextFile(player);
}

void GroupTransfers::nextFile(Player &player)
{
    ++player.file;
    if (player.file >= int(m_files.size()))
        return finish(player, player.unverified ? PlayerResult::State::DeliveredNotVerified
                                                : PlayerResult::State::Delivered);
    const int pause = currentFile(player).file.pauseBeforeMs;
    if (pause <= 0)
        return sendFile(player);
    // A timer, not a sleep: the other players go on meanwhile.
    if (!player.pause) {
        player.pause = std::make_unique<QTimer>();
        player.pause->setSingleShot(true);
        connect(player.pause.get(), &QTimer::timeout, this, [this, &player] { sendFile(player); });
    }
    player.pause->start(pause);
}

void GroupTransfers::sendFile(Player &player)
{
    const LocalFile &local = currentFile(player);
    player.result.remoteFile = local.file.remoteFile;
    report(player);
    // An empty file has nothing to send: it counts as sent, as in a single send.
    if (local.bytes.isEmpty())
        return nextFile(player);
    submit(player, Step::Upload, remoteSegments(player, local.file.viaTemporaryName), false);
}

void GroupTransfers::afterUpload(Player &player, CURLcode code)
{
    if (code != CURLE_OK)
        return fail(player, code);
    curl_off_t sent = 0;
    curl_easy_getinfo(player.easy.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
    player.sentBefore += sent;
    player.result.bytesSent = player.sentBefore;
    report(player);
    // The delivery check: the player's own word for the size of what it holds.
    submit(player, Step::Size, remoteSegments(player, currentFile(player).file.viaTemporaryName), false);
}

void GroupTransfers::afterSize(Player &player, CURLcode code)
{
    // A SIZE answered 550 ends here: the file the player just took is not there.
    if (code != CURLE_OK)
        return fail(player, code);
    const LocalFile &local = currentFile(player);
    const qint64 held = heldSize(player.easy.get());
    if (held < 0) {
        player.unverified = true; // a player without SIZE (500, 502)
    } else if (held != local.bytes.size()) {
        return fail(player, sizeMismatch(local.file.remoteFile, held, local.bytes.size()));
    } else {
        player.result.bytesVerified += held;
        report(player);
    }
    if (!local.file.viaTemporaryName)
        return nextFile(player);
    QStringList folder = remoteSegments(player, false);
    folder.removeLast();
    submit(player, Step::Rename, folder, true);
}

void GroupTransfers::afterRename(Player &player, CURLcode code)
{
    if (renamed(player.easy.get(), code)) {
        if (player.step == Step::DeleteAndRename)
            player.result.note = QStringLiteral("replaced by delete and rename");
        return nextFile(player);
    }
    if (code == CURLE_OK && player.step == Step::Rename) {
        QStringList folder = remoteSegments(player, false);
        folder.removeLast();
        submit(player, Step::DeleteAndRename, folder, true);
        return;
    }
    if (code == CURLE_QUOTE_ERROR)
        return fail(player, renameRefused(currentFile(player).file.remoteFile, player.errorText));
    fail(player, code);
}

void GroupTransfers::fail(Player &player, CURLcode code)
{
    long reply = 0;
    curl_easy_getinfo(player.easy.get(), CURLINFO_RESPONSE_CODE, &reply);
    const QString text = player.errorText[0] != '\0' ? QString::fromLocal8Bit(player.errorText)
                                                     : QLatin1String(curl_easy_strerror(code));
    fail(player, ftpFailureNumber(code, reply, player.step == Step::Logon), text);
}

void GroupTransfers::fail(Player &player, const FtpError &error)
{
    fail(player, error.number(), error.description());
}

void GroupTransfers::fail(Player &player, int number, const QString &description)
{
    player.result.errorNumber = number;
    player.result.words = transferFailureWords(number, description);
    finish(player, PlayerResult::State::Failed);
}

void GroupTransfers::finish(Player &player, PlayerResult::State state)
{
    if (player.pause)
        player.pause->stop();
    player.result.state = state;
    report(player);
    --m_active;
    admit();
    endRunIfDone();
}

void GroupTransfers::report(Player &player)
{
    player.sinceReport.start();
    if (player.clock.isValid())
        player.result.seconds = double(player.clock.nsecsElapsed()) / 1e9;
    emit playerChanged(player.index, player.result);
}

void GroupTransfers::endRunIfDone()
{
    if (!m_running || m_active > 0 || !m_waiting.isEmpty())
        return;
    m_running = false;
    // Whatever connection is left closes now, not when the next run begins.
    m_loop.closeConnections();
    emit finished();
}

void GroupTransfers::cancel()
{
    if (!m_running)
        return;
    const QList<int> waiting = std::exchange(m_waiting, {});
    for (const auto &player : m_players) {
        const bool underWay = player->result.state == PlayerResult::State::LoggingOn
                              || player->result.state == PlayerResult::State::Sending;
        if (!underWay && !waiting.contains(player->index))
            continue;
        if (player->pause)
            player->pause->stop();
        player->draining = false;
        if (player->inMulti) {
            hangUp(*player);
            m_loop.remove(player->easy.get());
            player->inMulti = false;
        }
        if (underWay)
            --m_active;
        player->result.state = PlayerResult::State::Failed;
        player->result.errorNumber = CURLE_ABORTED_BY_CALLBACK;
        player->result.words = transferCancelledWords();
        report(*player);
    }
    endRunIfDone();
}

void GroupTransfers::hangUp(Player &player)
{
    // Hang up the control connection first, then reset every connection (resetOnClose).
    if (!player.sockets.isEmpty())
        ::shutdown(player.sockets.first(), SHUT_RDWR);
    for (const curl_socket_t socket : std::as_const(player.sockets))
        resetOnClose(socket);
}

qint64 GroupTransfers::unacknowledged(const Player &player)
{
    // The data connection is the one opened after the control connection.
    return player.sockets.size() < 2 ? 0 : qvic::unacknowledged(player.sockets.last());
}

// libcurl counts an upload done once its last byte is in the socket's buffer,
// and then waits for the player's reply without returning, holding up every
// other player. So the last read pauses the upload until the player has taken
// every byte, and the wait for the reply is short.
void GroupTransfers::checkDraining()
{
    bool anyDraining = false;
    for (const auto &player : m_players) {
        if (!player->draining)
            continue;
        const qint64 left = unacknowledged(*player);
        if (left == 0) {
            player->draining = false;
            curl_easy_pause(player->easy.get(), CURLPAUSE_CONT);
            continue;
        }
        if (left < player->unacknowledged) {
            player->unacknowledged = left;
            player->sinceDrainProgress.start();
            player->result.bytesSent = player->sentBefore + currentFile(*player).bytes.size() - left;
            if (player->sinceReport.elapsed() >= kReportMs)
                report(*player);
        } else if (player->sinceDrainProgress.elapsed() >= qint64(m_limits.stall.count()) * 1000) {
            // libcurl does not watch a paused upload for stalls.
            player->draining = false;
            hangUp(*player);
            m_loop.remove(player->easy.get());
            player->inMulti = false;
            const QString file = currentFile(*player).file.remoteFile;
            fail(*player, ftperror::NotConnected,
                 QStringLiteral("%1: the player took no data for %2 s.").arg(file).arg(m_limits.stall.count()));
            continue;
        }
        anyDraining = true;
    }
    if (!anyDraining)
        m_drainCheck.stop();
}

size_t GroupTransfers::readData(char *buffer, size_t size, size_t count, void *data)
{
    auto *player = static_cast<Player *>(data);
    const QByteArray &bytes = player->owner->currentFile(*player).bytes;
    if (player->offset >= bytes.size() && !player->draining) {
        const qint64 left = unacknowledged(*player);
        if (left > 0) {
            player->draining = true;
            player->unacknowledged = left;
            player->sinceDrainProgress.start();
            if (!player->owner->m_drainCheck.isActive())
                player->owner->m_drainCheck.start();
            return CURL_READFUNC_PAUSE;
        }
    }
    const qint64 length = std::min<qint64>(qint64(size * count), bytes.size() - player->offset);
    std::memcpy(buffer, bytes.constData() + player->offset, size_t(length));
    player->offset += length;
    return size_t(length);
}

int GroupTransfers::progress(void *data, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow)
{
    auto *player = static_cast<Player *>(data);
    if (ulnow > 0 && player->sinceReport.elapsed() >= kReportMs) {
        // What the player took, not what waits in our socket's buffer.
        const qint64 bytes = player->sentBefore + qint64(ulnow) - unacknowledged(*player);
        if (bytes > player->result.bytesSent) {
            player->result.bytesSent = bytes;
            player->owner->report(*player);
        }
    }
    return 0;
}

curl_socket_t GroupTransfers::openSocket(void *data, curlsocktype, curl_sockaddr *address)
{
    const curl_socket_t socket = ::socket(address->family, address->socktype, address->protocol);
    if (socket != CURL_SOCKET_BAD)
        static_cast<Player *>(data)->sockets.append(socket);
    return socket;
}

int GroupTransfers::closeSocket(void *data, curl_socket_t socket)
{
    static_cast<Player *>(data)->sockets.removeOne(socket);
    return ::close(socket);
}

} // namespace qvic
