#include "dispatch/FtpClient.h"

#include "platform/Win1252.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

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

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))
           || text.contains(QChar(0));
}

struct HostAndPort
{
    QByteArray host; // IPv6 addresses in brackets, as the URL API wants them
    QByteArray port;
};

// "address", "address:port", "[v6]:port", "[v6]" or a bare v6 address.
std::optional<HostAndPort> parseHost(const QString &text)
{
    QString host = text;
    QString port;
    const qsizetype colons = text.count(QLatin1Char(':'));
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 2)
            return std::nullopt;
        host = text.left(close + 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return std::nullopt;
            port = rest.mid(1);
            if (port.isEmpty())
                return std::nullopt;
        }
    } else if (colons == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        host = text.left(colon);
        port = text.mid(colon + 1);
        if (port.isEmpty())
            return std::nullopt;
    } else if (colons > 1) {
        host = QLatin1Char('[') + text + QLatin1Char(']');
    }
    if (host.isEmpty())
        return std::nullopt;
    if (port.isEmpty())
        return HostAndPort{host.toUtf8(), QByteArrayLiteral("21")};
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return std::nullopt;
    const int number = port.toInt();
    if (number < 1 || number > 65535)
        return std::nullopt;
    return HostAndPort{host.toUtf8(), QByteArray::number(number)};
}

// The players name their files in Windows-1252, as Instant.txt does: each
// backslash-separated segment travels as those bytes, percent-encoded.
QByteArray remotePath(const QString &folder, const QString &file, bool *hasFileName)
{
    QStringList segments = folder.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    const QStringList fileSegments = file.split(QLatin1Char('\\'));
    *hasFileName = !fileSegments.last().isEmpty();
    for (const QString &segment : fileSegments)
        if (!segment.isEmpty())
            segments.append(segment);
    QByteArray path;
    for (const QString &segment : segments)
        path += '/' + win1252::encode(segment).toPercentEncoding();
    return path.isEmpty() ? QByteArrayLiteral("/") : path;
}

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
    check(curl_easy_setopt(easy, CURLOPT_CURLU, m_url.get()), "URL");
    check(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp"), "protocols");
    check(curl_easy_setopt(easy, CURLOPT_USERNAME, m_user.constData()), "user name");
    check(curl_easy_setopt(easy, CURLOPT_PASSWORD, m_password.constData()), "password");
    check(curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorText), "error buffer");
    check(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L), "signals");
    check(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_limits.connect.count())),
          "connect time limit");
    check(curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                           long(std::max<qint64>(1, m_limits.response.count()))),
          "response time limit");
    check(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L), "stall limit");
    check(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                           long(std::max<qint64>(1, m_limits.stall.count()))),
          "stall time");
    // Players sit on the local network; a proxy from the environment would only
    // get in the way.
    check(curl_easy_setopt(easy, CURLOPT_PROXY, ""), "proxy");
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
    const std::optional<HostAndPort> address = parseHost(Host);
    if (!address)
        throw FtpError(ftperror::LogonRefused,
                       QStringLiteral("\"%1\" is not an address, address:port or [IPv6]:port.")
                           .arg(Host));
    m_user = win1252::encode(UserName);
    m_password = win1252::encode(Password);

    try {
        prepareHandles();
        if (curl_url_set(m_url.get(), CURLUPART_SCHEME, "ftp", 0) != CURLUE_OK
            || curl_url_set(m_url.get(), CURLUPART_HOST, address->host.constData(), 0) != CURLUE_OK
            || curl_url_set(m_url.get(), CURLUPART_PORT, address->port.constData(), 0) != CURLUE_OK
            || curl_url_set(m_url.get(), CURLUPART_PATH, "/", 0) != CURLUE_OK)
            throw FtpError(ftperror::LogonRefused,
                           QStringLiteral("\"%1\" is not a usable player address.").arg(Host));
        setCommonOptions();
        // Log on without a transfer; the connection stays for the upload.
        check(curl_easy_setopt(m_easy.get(), CURLOPT_NOBODY, 1L), "logon");
        check(curl_multi_add_handle(m_multi.get(), m_easy.get()));
        m_inMulti = true;
        m_phase = Phase::LoggingOn;

        for (;;) {
            if (const std::optional<CURLcode> result = step()) {
                if (*result != CURLE_OK)
                    throw failure(*result);
                break;
            }
            pumpWindowEvents(false);
            if (m_abortRequested)
                throw FtpError(CURLE_ABORTED_BY_CALLBACK, QStringLiteral("The logon was cancelled."));
        }
        check(curl_multi_remove_handle(m_multi.get(), m_easy.get()));
        m_inMulti = false;
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
        bool hasFileName = false;
        const QByteArray path = remotePath(RemoteFolder, RemoteFile, &hasFileName);
        if (!hasFileName)
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
        check(curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(m_file.size())), "size");
        check(curl_easy_setopt(easy, CURLOPT_READFUNCTION, &FtpClient::readData), "reader");
        check(curl_easy_setopt(easy, CURLOPT_READDATA, this), "reader");
        check(curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L), "progress");
        check(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &FtpClient::progress), "progress");
        check(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this), "progress");
        check(curl_multi_add_handle(m_multi.get(), easy));
        m_inMulti = true;
    } catch (...) {
        release();
        throw;
    }
    m_phase = Phase::Sending;
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
    } catch (...) {
        release();
        emit TransferFinished();
        throw;
    }
    if (!result) {
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
        if (sent != m_bytesReported) {
            m_bytesReported = sent;
            emit TransferProgress(sent);
        }
        emit TransferFinished();
        return;
    }
    if (*result == CURLE_ABORTED_BY_CALLBACK && m_abortRequested) {
        release(true);
        emit TransferFinished();
        return;
    }
    const FtpError error = failure(*result);
    release();
    emit TransferFinished();
    throw error;
}

void FtpClient::AbortTransfer()
{
    m_abortRequested = true;
    // Inside a notification libcurl is on the stack: the progress callback's
    // answer ends the transfer instead.
    if (m_inCallback)
        return;
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
    const int wait = suggested < 0 || suggested > kPollCapMs ? kPollCapMs : int(suggested);
    if (wait > 0)
        check(curl_multi_poll(m_multi.get(), nullptr, 0, wait, nullptr));
    return std::nullopt;
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
        // An FTP upload ends where its data connection closes, so a plain close
        // would tell the player that a cut-off file is complete. Hang up the
        // control connection first, then reset every connection.
        if (m_sockets.contains(m_controlSocket))
            ::shutdown(m_controlSocket, SHUT_RDWR);
        const linger abortive{1, 0};
        for (const curl_socket_t socket : std::as_const(m_sockets))
            ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
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
}

FtpError FtpClient::failure(CURLcode code) const
{
    const QString text = m_errorText[0] != '\0' ? QString::fromLocal8Bit(m_errorText)
                                                : QLatin1String(curl_easy_strerror(code));
    // Whatever stops the logon, the player cannot be logged on to.
    if (m_phase == Phase::LoggingOn)
        return FtpError(ftperror::LogonRefused, text);
    long reply = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &reply);
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return FtpError(ftperror::LogonRefused, text);
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return FtpError(ftperror::RemoteFileRefused, text);
    case CURLE_UPLOAD_FAILED:
        if (reply == 550 || reply == 553)
            return FtpError(ftperror::RemoteFileRefused, text);
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_PARTIAL_FILE:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
        return FtpError(ftperror::NotConnected, text);
    default:
        break;
    }
    return FtpError(code, text);
}

size_t FtpClient::readData(char *buffer, size_t size, size_t count, void *client)
{
    auto *self = static_cast<FtpClient *>(client);
    const qint64 read = self->m_file.read(buffer, qint64(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : size_t(read);
}

curl_socket_t FtpClient::openSocket(void *client, curlsocktype, struct curl_sockaddr *address)
{
    const curl_socket_t socket = ::socket(address->family, address->socktype, address->protocol);
    auto *self = static_cast<FtpClient *>(client);
    if (socket != CURL_SOCKET_BAD) {
        self->m_sockets.insert(socket);
        if (self->m_phase == Phase::LoggingOn)
            self->m_controlSocket = socket;
    }
    return socket;
}

int FtpClient::closeSocket(void *client, curl_socket_t socket)
{
    static_cast<FtpClient *>(client)->m_sockets.remove(socket);
    return ::close(socket);
}

int FtpClient::progress(void *client, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow)
{
    auto *self = static_cast<FtpClient *>(client);
    if (!self->m_abortRequested && ulnow > 0 && ulnow != self->m_bytesReported
        && (!self->m_sinceProgress.isValid() || self->m_sinceProgress.elapsed() >= kProgressMs)) {
        self->m_sinceProgress.start();
        self->m_bytesReported = ulnow;
        self->m_inCallback = true;
        emit self->TransferProgress(qint64(ulnow));
        self->m_inCallback = false;
    }
    return self->m_abortRequested ? 1 : 0;
}

} // namespace qvic
