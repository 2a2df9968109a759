#include "dispatch/FtpCommon.h"

#include "dispatch/FtpClient.h"
#include "platform/Win1252.h"

#include <algorithm>

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace qvic {

std::optional<FtpHostPort> parseFtpHost(const QString &text)
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
        return FtpHostPort{host.toUtf8(), QByteArrayLiteral("21")};
    if (port.size() > 5 || !std::all_of(port.begin(), port.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        }))
        return std::nullopt;
    const int number = port.toInt();
    if (number < 1 || number > 65535)
        return std::nullopt;
    return FtpHostPort{host.toUtf8(), QByteArray::number(number)};
}

bool setPlayerAddress(CURLU *url, const FtpHostPort &address)
{
    return curl_url_set(url, CURLUPART_SCHEME, "ftp", 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_HOST, address.host.constData(), 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_PORT, address.port.constData(), 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_PATH, "/", 0) == CURLUE_OK;
}

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))
           || text.contains(QChar(0));
}

QStringList ftpPathSegments(const QString &folder, const QString &file)
{
    return folder.split(QLatin1Char('\\'), Qt::SkipEmptyParts)
           + file.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QByteArray ftpUrlPath(const QStringList &segments, bool asFolder)
{
    QByteArray path;
    for (const QString &segment : segments)
        path += '/' + win1252::encode(segment).toPercentEncoding();
    if (path.isEmpty() || asFolder)
        path += '/';
    return path;
}

int ftpFailureNumber(CURLcode code, long reply, bool loggingOn)
{
    if (loggingOn)
        return ftperror::LogonRefused;
    switch (code) {
    case CURLE_LOGIN_DENIED:
        return ftperror::LogonRefused;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return ftperror::RemoteFileRefused;
    case CURLE_UPLOAD_FAILED:
        if (reply == 550 || reply == 553)
            return ftperror::RemoteFileRefused;
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
        return ftperror::NotConnected;
    default:
        break;
    }
    return code;
}

CURLcode setPlayerOptions(CURL *easy, CURLU *url, const QByteArray &user, const QByteArray &password,
                          char *errorBuffer, std::chrono::milliseconds connect,
                          std::chrono::seconds response)
{
    CURLcode code = CURLE_OK;
    const auto set = [&](CURLoption option, auto value) {
        if (code == CURLE_OK)
            code = curl_easy_setopt(easy, option, value);
    };
    set(CURLOPT_CURLU, url);
    set(CURLOPT_PROTOCOLS_STR, "ftp");
    set(CURLOPT_USERNAME, user.constData());
    set(CURLOPT_PASSWORD, password.constData());
    set(CURLOPT_ERRORBUFFER, errorBuffer);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, long(connect.count()));
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, long(std::max<qint64>(1, response.count())));
    set(CURLOPT_PROXY, "");
    return code;
}

CURLcode setNoTransfer(CURL *easy)
{
    CURLcode code = curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    // What libcurl makes of the replies ("Content-Length: ...") is not for us.
    if (code == CURLE_OK)
        code = curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION,
                                +[](char *, size_t size, size_t count, void *) { return size * count; });
    return code;
}

CurlSlist renameCommands(const QString &name, bool deleteFirst)
{
    const QByteArray real = win1252::encode(name);
    const QByteArray temporary = win1252::encode(name + kTemporarySuffix);
    const QList<QByteArray> commands = deleteFirst
        ? QList<QByteArray>{"*DELE " + real, "RNFR " + temporary, "RNTO " + real}
        : QList<QByteArray>{"RNFR " + temporary, "*RNTO " + real};
    curl_slist *list = nullptr;
    for (const QByteArray &command : commands)
        list = curl_slist_append(list, command.constData());
    return CurlSlist(list);
}

bool renamed(CURL *easy, CURLcode code)
{
    long reply = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &reply);
    return code == CURLE_OK && reply < 400;
}

qint64 heldSize(CURL *easy)
{
    curl_off_t held = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &held);
    return held < 0 ? -1 : qint64(held);
}

FtpError sizeMismatch(const QString &remoteFile, qint64 held, qint64 sent)
{
    return FtpError(CURLE_PARTIAL_FILE,
                    QStringLiteral("%1: the player holds %2 bytes of the %3 sent.").arg(remoteFile).arg(held).arg(sent));
}

// The file is whole under its temporary name, but the player will not give it its own.
FtpError renameRefused(const QString &remoteFile, const char *errorText)
{
    return FtpError(CURLE_QUOTE_ERROR, QStringLiteral("%1 could not be renamed: %2")
                                           .arg(remoteFile, QString::fromLocal8Bit(errorText)));
}

// Bytes sent on the socket that its peer has not yet acknowledged.
qint64 unacknowledged(curl_socket_t socket)
{
    int queued = 0;
    if (socket == CURL_SOCKET_BAD || ::ioctl(socket, SIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}

// Whether the player has everything sent on the socket, or never will: a reset
// connection keeps its count of unacknowledged bytes.
bool drained(curl_socket_t socket)
{
    tcp_info info{};
    socklen_t length = sizeof info;
    return unacknowledged(socket) == 0
           || (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) == 0
               && info.tcpi_state == TCP_CLOSE);
}

// A socket closed after this ends its connection with a reset: an FTP upload
// ends where its data connection closes, so a plain close would tell the player
// that a cut-off file is complete.
void resetOnClose(curl_socket_t socket)
{
    const linger abortive{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

} // namespace qvic
