#include "dispatch/PlayerSession.h"

#include "dispatch/PlayerAddress.h"
#include "platform/Win1252.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace qvic {
namespace {

// How often at most a player's progress is reported while its data flows.
constexpr int kReportMs = 100;
// How long the session waits on its sockets at most before it looks at the
// upload again: while the last bytes drain, often, so the reply follows at once.
constexpr int kFollowMs = 100;
constexpr int kDrainMs = 2;
// How often at most the session looks at what the player has acknowledged while data flows.
constexpr int kLookMs = 10;

// A reply's last line, "229 Entering extended passive mode": three digits and a space.
bool isLastLine(const QByteArray &line)
{
    return line.size() >= 4 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1]))
           && std::isdigit(uchar(line[2])) && line[3] == ' ';
}

} // namespace

SendJob SendJob::load(const SendRequest &request, const SendTimeLimits &limits)
{
    SendJob job;
    job.user = win1252::encode(request.user);
    job.password = win1252::encode(request.password);
    job.limits = limits;
    job.read = request.read;
    if (job.read)
        return job; // a read writes nothing
    for (const SendFile &file : request.files) {
        File loaded{file, {}, std::nullopt};
        QFile source(file.localPath);
        if (!QFileInfo(file.localPath).isFile())
            loaded.unreadable = FtpFailure{ftperror::LocalFileMissing, QStringLiteral("File not found: %1").arg(file.localPath)};
        else if (!source.open(QIODevice::ReadOnly))
            loaded.unreadable = FtpFailure{CURLE_READ_ERROR, QStringLiteral("Cannot read %1: %2").arg(file.localPath, source.errorString())};
        else
            loaded.bytes = source.readAll(); // once: every player gets the same bytes
        job.files.append(loaded);
    }
    return job;
}

// --- PlayerConnections ---

curl_socket_t PlayerConnections::open(int family, int type, int protocol)
{
    const std::lock_guard lock(m_lock);
    const curl_socket_t socket = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (socket == CURL_SOCKET_BAD)
        return socket;
    m_sockets.append(socket);
    // A send cancelled while libcurl opened this one still ends it.
    if (m_cancelled)
        resetOnClose(socket);
    return socket;
}

int PlayerConnections::close(curl_socket_t socket)
{
    const std::lock_guard lock(m_lock);
    m_sockets.removeOne(socket);
    return ::close(socket);
}

curl_socket_t PlayerConnections::control() const
{
    const std::lock_guard lock(m_lock);
    return m_sockets.isEmpty() ? CURL_SOCKET_BAD : m_sockets.first();
}

curl_socket_t PlayerConnections::data() const
{
    const std::lock_guard lock(m_lock);
    return m_sockets.size() < 2 ? CURL_SOCKET_BAD : m_sockets.last();
}

void PlayerConnections::hangUp()
{
    const std::lock_guard lock(m_lock);
    for (const curl_socket_t socket : std::as_const(m_sockets))
        resetOnClose(socket);
    if (!m_sockets.isEmpty())
        ::shutdown(m_sockets.first(), SHUT_RDWR);
}

void PlayerConnections::quit()
{
    const std::lock_guard lock(m_lock);
    if (m_sockets.isEmpty())
        return;
    // libcurl's own QUIT would wait for the answer; this one does not. A player
    // that never answers keeps nothing waiting, and libcurl's QUIT on the closed
    // side fails at once.
    static const char quit[] = "QUIT\r\n";
    (void)!::send(m_sockets.first(), quit, sizeof quit - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(m_sockets.first(), SHUT_WR);
}

void PlayerConnections::setMulti(CURLM *multi)
{
    const std::lock_guard lock(m_lock);
    m_multi = multi;
}

void PlayerConnections::cancel()
{
    m_cancelled = true;
    hangUp();
    const std::lock_guard lock(m_lock);
    // A failed wake-up costs little: the session looks at the cancel again within kFollowMs.
    if (m_multi)
        (void)curl_multi_wakeup(m_multi);
}

// --- PlayerSession ---

PlayerSession::PlayerSession(const SendJob &job, const QString &player, PlayerConnections &connections,
                             Report report)
    : m_job(job), m_connections(connections), m_report(std::move(report))
{
    m_result.player = player;
}

PlayerSession::~PlayerSession()
{
    m_connections.setMulti(nullptr);
    // The outcome is told; whatever connection is left closes without a wait.
    m_connections.quit();
    m_multi.reset();
    m_easy.reset();
}

PlayerResult PlayerSession::run()
{
    m_clock.start();
    m_result.state = PlayerResult::State::LoggingOn;
    report(true);
    if (!begin())
        return m_result;
    if (m_job.read) {
        if (readFromPlayer())
            finish(PlayerResult::State::Delivered);
        return m_result;
    }
    for (int index = 0; index < m_job.files.size(); ++index)
        if (!sendFile(index))
            return m_result;
    finish(m_unverified ? PlayerResult::State::DeliveredNotVerified : PlayerResult::State::Delivered);
    return m_result;
}

bool PlayerSession::begin()
{
    for (const SendJob::File &file : m_job.files) {
        if (file.unreadable)
            return fail(file.unreadable->number, file.unreadable->description);
        if (hasLineBreakOrNul(file.file.remoteFile))
            return fail(CURLE_URL_MALFORMAT, QStringLiteral("The remote file name holds a line break or NUL."));
        if (file.file.name().isEmpty())
            return fail(ftperror::RemoteFileRefused,
                        QStringLiteral("The remote file \"%1\" has no name.").arg(file.file.remoteFile));
    }
    if (m_job.user.contains('\r') || m_job.user.contains('\n') || m_job.user.contains('\0')
        || m_job.password.contains('\r') || m_job.password.contains('\n') || m_job.password.contains('\0'))
        return fail(CURLE_LOGIN_DENIED, QStringLiteral("The user name or password holds a line break or NUL."));
    const auto address = parsePlayerAddress(m_result.player);
    if (!address)
        return fail(ftperror::LogonRefused,
                    QStringLiteral("\"%1\" is not an address, address:port or [IPv6]:port.").arg(m_result.player));
    m_multi.reset(curl_multi_init());
    m_easy.reset(curl_easy_init());
    m_url.reset(curl_url());
    if (!m_multi || !m_easy || !m_url || !setPlayerUrl(m_url.get(), *address))
        return fail(CURLE_FAILED_INIT, QStringLiteral("libcurl could not start a transfer."));
    m_connections.setMulti(m_multi.get());
    return !m_connections.cancelled() || failCancelled();
}

bool PlayerSession::readFromPlayer()
{
    const ReadPlan &plan = *m_job.read;
    PlayerReading reading;
    m_result.remoteFile = plan.remoteFile;
    if (hasLineBreakOrNul(plan.remoteFile))
        return fail(CURLE_URL_MALFORMAT, QStringLiteral("The remote file name holds a line break or NUL."));
    if (!fetch(plan.remoteFile, plan.limit, reading))
        return false;
    reading.measuredFile = reading.bytes.isEmpty() || !plan.fileToMeasure ? QString() : plan.fileToMeasure(reading.bytes);
    if (!reading.measuredFile.isEmpty() && !hasLineBreakOrNul(reading.measuredFile)) {
        const auto reply = command("SIZE " + remoteCommandPath(reading.measuredFile));
        if (!reply)
            return false;
        const qint64 size = sizeInReply(m_lastReply);
        if (size >= 0)
            reading.measuredSize = size;
        reading.measuredMissing = *reply == 550;
    }
    m_result.reading = reading;
    return true;
}

bool PlayerSession::fetch(const QString &remoteFile, qint64 limit, PlayerReading &reading)
{
    if (!prepareRequest(remoteUrlPath(remoteFile)))
        return false;
    CURLcode code = curl_easy_setopt(m_easy.get(), CURLOPT_WRITEFUNCTION, &PlayerSession::takeData);
    if (code == CURLE_OK)
        code = curl_easy_setopt(m_easy.get(), CURLOPT_WRITEDATA, static_cast<void *>(this));
    if (code != CURLE_OK)
        return fail(code, QLatin1String(curl_easy_strerror(code)));
    m_fetched = &reading.bytes;
    m_fetchLimit = limit;
    code = perform();
    m_fetched = nullptr;
    long reply = 0;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &reply) != CURLE_OK)
        reply = 0;
    if (code == CURLE_WRITE_ERROR && reading.bytes.size() > limit) {
        // More than any command file holds: what was read tells nothing.
        reading.bytes.clear();
        reading.tooLarge = true;
        m_connections.hangUp();
        return true;
    }
    if (m_loggedOn && (code == CURLE_REMOTE_FILE_NOT_FOUND || (code == CURLE_FTP_COULDNT_RETR_FILE && reply == 550))) {
        reading.missing = true;
        return true;
    }
    return code == CURLE_OK || failRequest(code);
}

bool PlayerSession::sendFile(int index)
{
    const SendJob::File &file = m_job.files[index];
    m_result.file = index;
    m_result.remoteFile = file.file.remoteFile;
    m_result.fileAcknowledged = 0;
    report(true);
    if (file.file.pauseBeforeMs > 0 && !pause(file.file.pauseBeforeMs))
        return false;
    // An empty file has nothing to send: it counts as sent.
    if (file.bytes.isEmpty())
        return true;
    return upload(file) && verify(file) && (!file.file.viaTemporaryName || rename(file));
}

bool PlayerSession::pause(int milliseconds)
{
    // A wait the engine's cancel wakes.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds && !m_connections.cancelled()) {
        const CURLMcode code = curl_multi_poll(m_multi.get(), nullptr, 0, int(milliseconds - waited.elapsed()), nullptr);
        if (code != CURLM_OK) // the file must not follow sooner than the player can take it
            return fail(CURLE_FAILED_INIT, QLatin1String(curl_multi_strerror(code)));
    }
    return !m_connections.cancelled() || failCancelled();
}

bool PlayerSession::prepareRequest(const QByteArray &path)
{
    CURL *easy = m_easy.get();
    curl_easy_reset(easy);
    m_errorText[0] = '\0';
    m_lastReply.clear();
    m_ownFailure.reset();
    if (curl_url_set(m_url.get(), CURLUPART_PATH, path.constData(), 0) != CURLUE_OK)
        return fail(ftperror::RemoteFileRefused,
                    QStringLiteral("The remote file \"%1\" cannot be named.").arg(m_result.remoteFile));
    CURLcode code = setPlayerOptions(easy, m_url.get(), m_job.user, m_job.password, m_errorText, m_job.limits);
    const auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK)
            code = curl_easy_setopt(easy, option, value);
    };
    set(CURLOPT_HEADERFUNCTION, &PlayerSession::readReply);
    set(CURLOPT_HEADERDATA, static_cast<void *>(this));
    set(CURLOPT_OPENSOCKETFUNCTION, &PlayerSession::openSocket);
    set(CURLOPT_OPENSOCKETDATA, static_cast<void *>(this));
    set(CURLOPT_CLOSESOCKETFUNCTION, &PlayerSession::closeSocket);
    set(CURLOPT_CLOSESOCKETDATA, static_cast<void *>(this));
    return code == CURLE_OK || fail(code, QLatin1String(curl_easy_strerror(code)));
}

bool PlayerSession::commandRequest(const QList<QByteArray> &commands)
{
    if (!prepareRequest("/"))
        return false;
    m_commands = commandList(commands);
    CURL *easy = m_easy.get();
    CURLcode code = m_commands ? CURLE_OK : CURLE_OUT_OF_MEMORY;
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    if (code == CURLE_OK) // nothing but the replies comes back, and they go to readReply
        code = curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION,
                                +[](char *, size_t size, size_t count, void *) { return size * count; });
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_QUOTE, m_commands.get());
    return code == CURLE_OK || fail(code, QLatin1String(curl_easy_strerror(code)));
}

bool PlayerSession::upload(const SendJob::File &file)
{
    if (!prepareRequest(remoteUrlPath(file.file.remoteFile, file.file.viaTemporaryName)))
        return false;
    CURL *easy = m_easy.get();
    CURLcode code = curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024);
    // No CURLOPT_INFILESIZE: with it libcurl never asks for the end of the data,
    // and readData() could not hold the upload open (the size check compares
    // the lengths instead).
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_READFUNCTION, &PlayerSession::readData);
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_READDATA, static_cast<void *>(this));
    if (code != CURLE_OK)
        return fail(code, QLatin1String(curl_easy_strerror(code)));
    m_bytes = &file.bytes;
    m_offset = 0;
    m_acknowledged = 0;
    m_upload = Upload::NotYet;
    const qint64 sentBefore = m_result.bytesSent;
    code = perform();
    m_upload = Upload::NotYet;
    m_bytes = nullptr;
    if (code != CURLE_OK)
        return failRequest(code);
    m_result.fileAcknowledged = file.bytes.size();
    m_result.bytesSent = sentBefore + file.bytes.size();
    report(true);
    return true;
}

bool PlayerSession::verify(const SendJob::File &file)
{
    // The delivery check: the player's own word for the size of what it holds.
    const QByteArray path = remoteCommandPath(file.file.remoteFile, file.file.viaTemporaryName);
    if (!commandRequest({"*SIZE " + path}))
        return false;
    if (const CURLcode code = perform(); code != CURLE_OK)
        return failRequest(code);
    const qint64 held = sizeInReply(m_lastReply);
    const qint64 sent = file.bytes.size();
    if (held < 0 && m_lastReply.startsWith("550"))
        return fail(ftperror::RemoteFileRefused,
                    QStringLiteral("%1: the player does not hold it after the upload.").arg(file.file.remoteFile));
    if (held < 0) {
        m_unverified = true; // a player without SIZE (500, 502)
        return true;
    }
    if (held != sent)
        return fail(CURLE_PARTIAL_FILE, QStringLiteral("%1: the player holds %2 bytes of the %3 sent.")
                                            .arg(file.file.remoteFile)
                                            .arg(held)
                                            .arg(sent));
    m_result.bytesVerified += held;
    report(true);
    return true;
}

std::optional<int> PlayerSession::command(const QByteArray &line)
{
    // The star lets the request end well whatever the player answers; the reply tells.
    if (!commandRequest({'*' + line}))
        return std::nullopt;
    if (const CURLcode code = perform(); code != CURLE_OK) {
        failRequest(code);
        return std::nullopt;
    }
    return m_lastReply.left(3).toInt();
}

bool PlayerSession::rename(const SendJob::File &file)
{
    const QString &remote = file.file.remoteFile;
    const QByteArray real = remoteCommandPath(remote);
    const QByteArray temporary = remoteCommandPath(remote, true);
    const QByteArray aside = remoteCommandPath(remote + QStringLiteral(".old"));
    const auto refused = [&](const QString &what) {
        return fail(CURLE_QUOTE_ERROR, QStringLiteral("%1 could not be renamed (the player answered \"%2\"); %3")
                                           .arg(remote, QString::fromLatin1(m_lastReply), what));
    };
    const auto renameFile = [&](const QByteArray &from, const QByteArray &to) -> std::optional<bool> {
        const auto ready = command("RNFR " + from);
        if (!ready)
            return std::nullopt;
        if (*ready != 350)
            return false;
        const auto renamed = command("RNTO " + to);
        return renamed ? std::optional<bool>(*renamed / 100 == 2) : std::nullopt;
    };

    const auto plain = renameFile(temporary, real);
    if (!plain || *plain)
        return plain.has_value();
    // The player will not give the new document the name the old one holds. The
    // old one steps aside until the new one has the name, so that the player is
    // never left without the document it shows.
    if (!command("DELE " + aside)) // a leftover of an earlier send
        return false;
    const auto oldThere = command("RNFR " + real);
    if (!oldThere)
        return false;
    if (*oldThere != 350)
        return refused(QStringLiteral("the new document stays as %1.part.").arg(remote));
    const auto movedAside = command("RNTO " + aside);
    if (!movedAside)
        return false;
    if (*movedAside / 100 != 2)
        return refused(QStringLiteral("the player keeps its older document."));
    const auto renamed = renameFile(temporary, real);
    if (!renamed)
        return false;
    if (*renamed) {
        m_result.note = QStringLiteral("replaced by delete and rename");
        return command("DELE " + aside).has_value();
    }
    const QByteArray answer = m_lastReply;
    const auto restored = renameFile(aside, real);
    if (!restored)
        return false;
    m_lastReply = answer;
    return refused(*restored ? QStringLiteral("the player keeps its older document.")
                             : QStringLiteral("its older document could not be put back and stays as %1.old.").arg(remote));
}

CURLcode PlayerSession::perform()
{
    CURLM *multi = m_multi.get();
    CURL *easy = m_easy.get();
    if (m_connections.cancelled())
        return CURLE_ABORTED_BY_CALLBACK;
    if (CURLMcode added = curl_multi_add_handle(multi, easy); added != CURLM_OK) {
        m_ownFailure = FtpFailure{CURLE_FAILED_INIT, QLatin1String(curl_multi_strerror(added))};
        return CURLE_FAILED_INIT;
    }
    CURLcode result = CURLE_OK;
    for (bool done = false; !done;) {
        int running = 0;
        CURLMcode code = curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &queued))
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                result = message->data.result;
                done = true;
            }
        if (done)
            break;
        if (m_connections.cancelled()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (!followUpload()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (code == CURLM_OK)
            code = curl_multi_poll(multi, nullptr, 0, m_upload == Upload::Draining ? kDrainMs : kFollowMs, nullptr);
        if (code != CURLM_OK) { // a request nobody drives would leave the player "sending" for ever
            m_ownFailure = FtpFailure{CURLE_FAILED_INIT, QLatin1String(curl_multi_strerror(code))};
            result = CURLE_FAILED_INIT;
            break;
        }
    }
    // A request that ends early is cut off with a reset (its sockets are set so).
    if (const CURLMcode removed = curl_multi_remove_handle(multi, easy); removed != CURLM_OK && result == CURLE_OK) {
        m_ownFailure = FtpFailure{CURLE_FAILED_INIT, QLatin1String(curl_multi_strerror(removed))};
        result = CURLE_FAILED_INIT;
    }
    return result;
}

bool PlayerSession::followUpload()
{
    if (m_upload != Upload::Flowing && m_upload != Upload::Draining)
        return true;
    // While data flows a look now and then does: a fast upload spends its time sending.
    if (m_upload == Upload::Flowing && m_sinceLook.isValid() && m_sinceLook.elapsed() < kLookMs)
        return true;
    m_sinceLook.start();
    const curl_socket_t data = m_connections.data();
    curl_off_t written = 0;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_SIZE_UPLOAD_T, &written) != CURLE_OK)
        written = 0; // nothing known to be sent: no progress, and the stall limit decides
    const qint64 left = unacknowledged(data);
    const qint64 acknowledged = std::max<qint64>(0, qint64(written) - left);
    const QString &remote = m_result.remoteFile;
    if (acknowledged > m_acknowledged) {
        m_result.bytesSent += acknowledged - m_acknowledged;
        m_acknowledged = acknowledged;
        m_result.fileAcknowledged = acknowledged;
        m_sinceAcknowledged.start();
        report(false);
    }
    if (m_upload == Upload::Draining) {
        if (left == 0) {
            m_upload = Upload::Done;
            const CURLcode resumed = curl_easy_pause(m_easy.get(), CURLPAUSE_CONT);
            if (resumed == CURLE_OK)
                return true;
            m_ownFailure = FtpFailure{resumed, QLatin1String(curl_easy_strerror(resumed))};
            m_connections.hangUp();
            return false;
        }
        if (connectionLost(data)) {
            m_ownFailure = FtpFailure{ftperror::NotConnected,
                                      QStringLiteral("%1: the connection was lost after %2 bytes.").arg(remote).arg(acknowledged)};
            m_connections.hangUp();
            return false;
        }
    }
    const qint64 stallMs = qint64(m_job.limits.stall.count()) * 1000;
    if (m_sinceAcknowledged.elapsed() >= stallMs) {
        m_ownFailure = FtpFailure{ftperror::NotConnected, QStringLiteral("%1: the player took no data for %2 s.")
                                                              .arg(remote)
                                                              .arg(m_job.limits.stall.count())};
        m_connections.hangUp();
        return false;
    }
    return true;
}

bool PlayerSession::fail(int number, const QString &description)
{
    m_result.errorNumber = number;
    m_result.words = transferFailureWords(number, description);
    finish(PlayerResult::State::Failed);
    return false;
}

bool PlayerSession::failRequest(CURLcode code)
{
    if (m_connections.cancelled())
        return failCancelled();
    if (m_ownFailure)
        return fail(m_ownFailure->number, m_ownFailure->description);
    long reply = 0;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &reply) != CURLE_OK)
        reply = 0; // the failure is then told by libcurl's code alone
    const QString text = m_errorText[0] != '\0' ? QString::fromLocal8Bit(m_errorText)
                                                : QLatin1String(curl_easy_strerror(code));
    return fail(ftpFailureNumber(code, reply, m_loggedOn), text);
}

bool PlayerSession::failCancelled()
{
    m_result.errorNumber = CURLE_ABORTED_BY_CALLBACK;
    m_result.words = transferCancelledWords();
    finish(PlayerResult::State::Failed);
    return false;
}

void PlayerSession::finish(PlayerResult::State state)
{
    m_result.state = state;
    report(true);
}

void PlayerSession::report(bool force)
{
    if (!force && m_sinceReport.isValid() && m_sinceReport.elapsed() < kReportMs)
        return;
    m_sinceReport.start();
    m_result.seconds = double(m_clock.nsecsElapsed()) / 1e9;
    m_report(m_result);
}

void PlayerSession::setLoggedOn()
{
    if (m_loggedOn)
        return;
    m_loggedOn = true;
    m_result.state = PlayerResult::State::Sending;
    report(true);
}

size_t PlayerSession::readData(char *buffer, size_t size, size_t count, void *data)
{
    auto *session = static_cast<PlayerSession *>(data);
    const QByteArray &bytes = *session->m_bytes;
    if (session->m_upload == Upload::NotYet) {
        session->m_upload = Upload::Flowing;
        session->m_sinceAcknowledged.start();
    }
    if (session->m_offset >= bytes.size()) {
        // libcurl counts an upload done once its last byte is in the socket's
        // buffer; the player may be far from having it. The upload waits here
        // until the player has acknowledged every byte.
        if (session->m_upload == Upload::Flowing && unacknowledged(session->m_connections.data()) > 0) {
            session->m_upload = Upload::Draining;
            return CURL_READFUNC_PAUSE;
        }
        session->m_upload = Upload::Done;
        return 0;
    }
    const qint64 length = std::min<qint64>(qint64(size * count), bytes.size() - session->m_offset);
    std::memcpy(buffer, bytes.constData() + session->m_offset, size_t(length));
    session->m_offset += length;
    return size_t(length);
}

size_t PlayerSession::takeData(char *data, size_t size, size_t count, void *session)
{
    auto *self = static_cast<PlayerSession *>(session);
    const size_t length = size * count;
    // One byte past the limit tells a file too large; taking no more ends the transfer.
    const qint64 room = self->m_fetchLimit + 1 - self->m_fetched->size();
    self->m_fetched->append(data, qsizetype(std::min<qint64>(room, qint64(length))));
    return self->m_fetched->size() > self->m_fetchLimit ? 0 : length;
}

size_t PlayerSession::readReply(char *line, size_t size, size_t count, void *data)
{
    auto *session = static_cast<PlayerSession *>(data);
    const QByteArray text = QByteArray(line, qsizetype(size * count)).trimmed();
    if (isLastLine(text)) {
        session->m_lastReply = text;
        // 230 ends the logon, and PWD's 257 follows it.
        if (text.startsWith("230") || text.startsWith("257"))
            session->setLoggedOn();
    }
    return size * count;
}

curl_socket_t PlayerSession::openSocket(void *data, curlsocktype, curl_sockaddr *address)
{
    return static_cast<PlayerSession *>(data)->m_connections.open(address->family, address->socktype,
                                                                  address->protocol);
}

int PlayerSession::closeSocket(void *data, curl_socket_t socket)
{
    return static_cast<PlayerSession *>(data)->m_connections.close(socket);
}

} // namespace qvic
