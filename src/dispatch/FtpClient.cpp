#include "dispatch/FtpClient.h"

#include "dispatch/FtpCommon.h"
#include "platform/Win1252.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvic {
namespace {

// The longest ServiceEvents or the logon waits on the sockets before it lets
// the window handle its events again.
constexpr int kPollCapMs = 50;
// How often at most the window handles its events while data flows.
constexpr int kWindowEventsMs = 10;
// How often at most TransferProgress fires while data flows.
constexpr int kProgressMs = 50;

} // namespace

FtpError::FtpError(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QByteArray::number(number) + ' ' + m_description.toUtf8())
{
}

FtpClient::FtpClient(QObject *parent) : QObject(parent) {}

FtpClient::~FtpClient()
{
    release();
}

void FtpClient::check(CURLcode code, const char *what) const
{
    if (code != CURLE_OK)
        throw FtpError(code, QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                          QLatin1String(curl_easy_strerror(code))));
}

void FtpClient::check(CURLMcode code) const
{
    if (code != CURLM_OK)
        throw FtpError(CURLE_FAILED_INIT, QLatin1String(curl_multi_strerror(code)));
}

void FtpClient::prepareHandles()
{
    m_multi.reset(curl_multi_init());
    m_easy.reset(curl_easy_init());
    m_url.reset(curl_url());
    if (!m_multi || !m_easy || !m_url)
        throw FtpError(CURLE_FAILED_INIT, QStringLiteral("libcurl could not start a transfer."));
}

void FtpClient::setCommonOptions()
{
    CURL *easy = m_easy.get();
    m_errorText[0] = '\0';
    check(setPlayerOptions(easy, m_url.get(), m_user, m_password, m_errorText, m_limits.connect,
                           m_limits.response),
          "player options");
    // No low-speed limit: libcurl counts what the kernel took, and a paused upload
    // waiting for a slow player looks stalled to it. followPlayer keeps the stall limit.
    check(curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &FtpClient::openSocket), "sockets");
    check(curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this), "sockets");
    check(curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &FtpClient::closeSocket), "sockets");
    check(curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this), "sockets");
}

void FtpClient::LogOn()
{
    release();
    m_abortRequested = false;
    if (hasLineBreakOrNul(Host))
        throw FtpError(ftperror::LogonRefused,
                       QStringLiteral("The player address holds a line break or NUL."));
    if (hasLineBreakOrNul(UserName) || hasLineBreakOrNul(Password))
        throw FtpError(CURLE_LOGIN_DENIED,
                       QStringLiteral("The user name or password holds a line break or NUL."));
    const std::optional<FtpHostPort> address = parseFtpHost(Host);
    if (!address)
        throw FtpError(ftperror::LogonRefused,
                       QStringLiteral("\"%1\" is not an address, address:port or [IPv6]:port.")
                           .arg(Host));
    m_user = win1252::encode(UserName);
    m_password = win1252::encode(Password);

    try {
        prepareHandles();
        if (!setPlayerAddress(m_url.get(), *address))
            throw FtpError(ftperror::LogonRefused,
                           QStringLiteral("\"%1\" is not a usable player address.").arg(Host));
        setCommonOptions();
        // Log on without a transfer; the connection stays for the upload.
        check(setNoTransfer(m_easy.get()), "logon");
        if (const CURLcode result = perform(Phase::LoggingOn); result != CURLE_OK)
            throw failure(result);
    } catch (...) {
        release();
        throw;
    }
    m_phase = Phase::Idle;
    m_connected = true;
}

void FtpClient::LogOff()
{
    release();
}

void FtpClient::SendFile()
{
    try {
        if (!m_connected)
            throw FtpError(ftperror::NotConnected, QStringLiteral("Not logged on to the player."));
        if (hasLineBreakOrNul(RemoteFolder) || hasLineBreakOrNul(RemoteFile))
            throw FtpError(CURLE_URL_MALFORMAT,
                           QStringLiteral("The remote file name holds a line break or NUL."));
        QStringList segments = ftpPathSegments(RemoteFolder, RemoteFile);
        if (ViaTemporaryName && !segments.isEmpty())
            segments.last() += kTemporarySuffix;
        const QByteArray path = ftpUrlPath(segments);
        if (RemoteFile.split(QLatin1Char('\\')).last().isEmpty())
            throw FtpError(ftperror::RemoteFileRefused,
                           QStringLiteral("The remote file \"%1\" has no name.").arg(RemoteFile));

        m_file.close();
        m_file.setFileName(LocalFile);
        const QFileInfo local(LocalFile);
        if (!local.exists() || local.isDir())
            throw FtpError(ftperror::LocalFileMissing,
                           QStringLiteral("File not found: %1").arg(LocalFile));
        if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            throw FtpError(CURLE_READ_ERROR, QStringLiteral("Cannot read %1: %2")
                                                 .arg(LocalFile, m_file.errorString()));

        if (curl_url_set(m_url.get(), CURLUPART_PATH, path.constData(), 0) != CURLUE_OK)
            throw FtpError(ftperror::RemoteFileRefused,
                           QStringLiteral("The remote file \"%1\" cannot be named.").arg(RemoteFile));
        setCommonOptions();
        CURL *easy = m_easy.get();
        check(curl_easy_setopt(easy, CURLOPT_NOBODY, 0L), "transfer");
        check(curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L), "upload");
        // No size: libcurl would end the upload with the last byte read instead of
        // asking readData once more, where it waits for a slow player to catch up.
        check(curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(-1)), "size");
        check(curl_easy_setopt(easy, CURLOPT_READFUNCTION, &FtpClient::readData), "reader");
        check(curl_easy_setopt(easy, CURLOPT_READDATA, this), "reader");
        check(curl_multi_add_handle(m_multi.get(), easy));
        m_inMulti = true;
    } catch (...) {
        release();
        throw;
    }
    m_phase = Phase::Sending;
    m_data = Data::Waiting;
    m_acknowledged = 0;
    m_sinceSendFile.start();
    m_sinceAcknowledged.start();
    m_bytesReported = -1;
    m_sinceProgress.invalidate();
    emit TransferStarted();
}

void FtpClient::ServiceEvents()
{
    if (m_phase != Phase::Sending) {
        pumpWindowEvents(true);
        return;
    }
    std::optional<CURLcode> result;
    try {
        result = step();
        if (!result)
            followPlayer();
    } catch (...) {
        release(true);
        emit TransferFinished();
        throw;
    }
    if (!result) {
        // A notification may have aborted the upload.
        if (m_phase == Phase::Sending)
            pumpWindowEvents(false);
        return;
    }

    if (*result == CURLE_OK) {
        curl_off_t sent = 0;
        curl_easy_getinfo(m_easy.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
        curl_multi_remove_handle(m_multi.get(), m_easy.get());
        m_inMulti = false;
        m_file.close();
        m_phase = Phase::Idle;
        m_sent = sent;
        if (sent != m_bytesReported) {
            m_bytesReported = sent;
            emit TransferProgress(sent);
        }
        emit TransferFinished();
        return;
    }
    const FtpError error = failure(*result);
    release(true);
    emit TransferFinished();
    throw error;
}

void FtpClient::PutInPlace()
{
    if (!ViaTemporaryName)
        return;
    try {
        if (!m_connected)
            throw FtpError(ftperror::NotConnected, QStringLiteral("Not logged on to the player."));
        QStringList folder = ftpPathSegments(RemoteFolder, RemoteFile);
        const QString name = folder.takeLast();
        // The delivery check: the player's own word for the size of what it holds.
        CURLcode code = command(ftpUrlPath(folder + QStringList{name + kTemporarySuffix}), nullptr);
        if (code != CURLE_OK)
            throw failure(code);
        if (const qint64 held = heldSize(m_easy.get()); held >= 0 && held != m_sent)
            throw sizeMismatch(RemoteFile, held, m_sent);
        for (const bool deleteFirst : {false, true}) {
            const CurlSlist commands = renameCommands(name, deleteFirst);
            code = command(ftpUrlPath(folder, true), commands.get());
            if (renamed(m_easy.get(), code)) {
                m_phase = Phase::Idle;
                return;
            }
            if (code != CURLE_OK)
                break;
        }
        if (code != CURLE_OK && code != CURLE_QUOTE_ERROR)
            throw failure(code);
        throw renameRefused(RemoteFile, m_errorText);
    } catch (...) {
        release();
        throw;
    }
}

CURLcode FtpClient::command(const QByteArray &path, curl_slist *commands)
{
    curl_easy_reset(m_easy.get());
    if (curl_url_set(m_url.get(), CURLUPART_PATH, path.constData(), 0) != CURLUE_OK)
        throw FtpError(ftperror::RemoteFileRefused,
                       QStringLiteral("The remote file \"%1\" cannot be named.").arg(RemoteFile));
    setCommonOptions();
    check(setNoTransfer(m_easy.get()), "request");
    check(curl_easy_setopt(m_easy.get(), CURLOPT_PREQUOTE, commands), "commands");
    return perform(Phase::Commanding);
}

CURLcode FtpClient::perform(Phase phase)
{
    check(curl_multi_add_handle(m_multi.get(), m_easy.get()));
    m_inMulti = true;
    m_phase = phase;
    for (;;) {
        if (const std::optional<CURLcode> result = step()) {
            curl_multi_remove_handle(m_multi.get(), m_easy.get());
            m_inMulti = false;
            return *result;
        }
        pumpWindowEvents(false);
        if (m_abortRequested)
            throw FtpError(CURLE_ABORTED_BY_CALLBACK, phase == Phase::LoggingOn
                                                          ? QStringLiteral("The logon was cancelled.")
                                                          : QStringLiteral("The transfer was cancelled."));
    }
}

void FtpClient::followPlayer()
{
    curl_off_t sent = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_SIZE_UPLOAD_T, &sent);
    const qint64 queued = unacknowledged(m_dataSocket);
    const qint64 acknowledged = qint64(sent) - queued;
    // Until libcurl asks for data, the response limit watches the player.
    if (acknowledged > m_acknowledged || m_data == Data::Waiting) {
        m_acknowledged = acknowledged;
        m_sinceAcknowledged.start();
    } else if (m_sinceAcknowledged.elapsed() >= std::chrono::milliseconds(m_limits.stall).count()) {
        throw FtpError(ftperror::NotConnected,
                       QStringLiteral("Operation too slow: the player took no data for %1 seconds.")
                           .arg(m_limits.stall.count()));
    }
    if (m_data == Data::Draining && drained(m_dataSocket)) {
        // Now the end of the file may end the upload.
        m_data = Data::Flowing;
        check(curl_easy_pause(m_easy.get(), CURLPAUSE_CONT), "resume");
    }
    if (m_acknowledged > 0 && m_acknowledged != m_bytesReported
        && (!m_sinceProgress.isValid() || m_sinceProgress.elapsed() >= kProgressMs)) {
        m_sinceProgress.start();
        m_bytesReported = m_acknowledged;
        emit TransferProgress(m_acknowledged);
    }
}

void FtpClient::AbortTransfer()
{
    m_abortRequested = true;
    const bool wasSending = m_phase == Phase::Sending;
    if (m_phase != Phase::Idle)
        release(true);
    if (wasSending)
        emit TransferFinished();
}

std::optional<CURLcode> FtpClient::step()
{
    int running = 0;
    check(curl_multi_perform(m_multi.get(), &running));
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy.get())
            return message->data.result;
    }
    long suggested = -1;
    check(curl_multi_timeout(m_multi.get(), &suggested));
    const int cap = pollCapMs();
    const int wait = suggested < 0 || suggested > cap ? cap : int(suggested);
    if (wait > 0)
        check(curl_multi_poll(m_multi.get(), nullptr, 0, wait, nullptr));
    return std::nullopt;
}

// While libcurl waits for the player to take the last bytes, nothing wakes the
// poll: wait about as long as the player will take over them at the rate it took
// the others, so that a fast player is not kept waiting.
int FtpClient::pollCapMs() const
{
    if (m_phase != Phase::Sending || m_data != Data::Draining || m_acknowledged <= 0)
        return kPollCapMs;
    const qint64 estimate = unacknowledged(m_dataSocket) * m_sinceSendFile.elapsed() / m_acknowledged;
    return int(std::clamp<qint64>(estimate, 1, kPollCapMs));
}

void FtpClient::pumpWindowEvents(bool force)
{
    if (!QCoreApplication::instance())
        return;
    if (force || !m_sinceWindowEvents.isValid() || m_sinceWindowEvents.elapsed() >= kWindowEventsMs) {
        m_sinceWindowEvents.start();
        QCoreApplication::processEvents();
    }
}

void FtpClient::release(bool reset)
{
    if (reset) {
        // Hang up the control connection first, then reset every connection.
        if (m_sockets.contains(m_controlSocket))
            ::shutdown(m_controlSocket, SHUT_RDWR);
        for (const curl_socket_t socket : std::as_const(m_sockets))
            resetOnClose(socket);
    }
    if (m_inMulti && m_multi && m_easy)
        curl_multi_remove_handle(m_multi.get(), m_easy.get());
    m_inMulti = false;
    // Closing the multi handle closes the connection it keeps, with QUIT when the
    // control connection is still in order.
    m_multi.reset();
    m_easy.reset();
    m_url.reset();
    m_file.close();
    m_connected = false;
    m_phase = Phase::Idle;
    m_data = Data::Waiting;
}

FtpError FtpClient::failure(CURLcode code) const
{
    const QString text = m_errorText[0] != '\0' ? QString::fromLocal8Bit(m_errorText)
                                                : QLatin1String(curl_easy_strerror(code));
    // Whatever stops the logon, the player cannot be logged on to.
    if (m_phase == Phase::LoggingOn)
        return FtpError(ftpFailureNumber(code, 0, true), text);
    long reply = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &reply);
    return FtpError(ftpFailureNumber(code, reply, false), text);
}

size_t FtpClient::readData(char *buffer, size_t size, size_t count, void *client)
{
    auto *self = static_cast<FtpClient *>(client);
    const qint64 read = self->m_file.read(buffer, qint64(size * count));
    if (read < 0)
        return CURL_READFUNC_ABORT;
    self->m_data = Data::Flowing;
    if (read == 0) {
        // The end of the file ends the upload, and libcurl then gives the player
        // the response limit to answer: hold it back until the player has every
        // byte, however long a slow player takes over the last ones.
        if (!drained(self->m_dataSocket)) {
            self->m_data = Data::Draining;
            return CURL_READFUNC_PAUSE;
        }
        self->m_data = Data::Delivered;
    }
    return size_t(read);
}

curl_socket_t FtpClient::openSocket(void *client, curlsocktype, struct curl_sockaddr *address)
{
    const curl_socket_t socket = ::socket(address->family, address->socktype, address->protocol);
    auto *self = static_cast<FtpClient *>(client);
    if (socket != CURL_SOCKET_BAD) {
        self->m_sockets.insert(socket);
        // The upload reuses the logged-on connection: what it opens carries the data.
        if (self->m_phase == Phase::LoggingOn)
            self->m_controlSocket = socket;
        else if (self->m_phase == Phase::Sending)
            self->m_dataSocket = socket;
    }
    return socket;
}

int FtpClient::closeSocket(void *client, curl_socket_t socket)
{
    auto *self = static_cast<FtpClient *>(client);
    if (socket == self->m_dataSocket) {
        // libcurl closes the data connection itself on an error or time-out.
        if (self->m_data != Data::Delivered)
            resetOnClose(socket);
        self->m_dataSocket = CURL_SOCKET_BAD;
    }
    self->m_sockets.remove(socket);
    return ::close(socket);
}

} // namespace qvic
