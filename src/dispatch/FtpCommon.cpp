#include "dispatch/FtpCommon.h"

#include "platform/Win1252.h"

#include <algorithm>

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace qvic {
namespace {

QList<QByteArray> remoteSegments(const QString &remoteFile, bool temporary)
{
    QList<QByteArray> segments;
    for (const QString &segment : remoteFile.split(u'\\', Qt::SkipEmptyParts))
        segments << win1252::encode(segment);
    if (temporary && !segments.isEmpty())
        segments.last() += win1252::encode(kTemporarySuffix);
    return segments;
}

} // namespace

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

QByteArray remoteUrlPath(const QString &remoteFile, bool temporary)
{
    QByteArray path;
    for (const QByteArray &segment : remoteSegments(remoteFile, temporary))
        path += '/' + segment.toPercentEncoding();
    return path.isEmpty() ? QByteArrayLiteral("/") : path;
}

QByteArray remoteCommandPath(const QString &remoteFile, bool temporary)
{
    return remoteSegments(remoteFile, temporary).join('/');
}

CurlSlist commandList(const QList<QByteArray> &commands)
{
    curl_slist *list = nullptr;
    for (const QByteArray &command : commands) {
        curl_slist *longer = curl_slist_append(list, command.constData());
        if (!longer) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = longer;
    }
    return CurlSlist(list);
}

CURLcode setPlayerOptions(CURL *easy, CURLU *url, const QByteArray &user, const QByteArray &password,
                          char *errorBuffer, const SendTimeLimits &limits)
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
    set(CURLOPT_CONNECTTIMEOUT_MS, long(limits.connect.count()));
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, long(std::max<qint64>(1, limits.response.count())));
    set(CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    set(CURLOPT_PROXY, "");
    return code;
}

qint64 sizeInReply(const QByteArray &line)
{
    if (!line.startsWith("213 "))
        return -1;
    bool number = false;
    const qint64 size = line.mid(4).trimmed().toLongLong(&number);
    return number && size >= 0 ? size : -1;
}

qint64 unacknowledged(curl_socket_t socket)
{
    int queued = 0;
    if (socket == CURL_SOCKET_BAD || ::ioctl(socket, SIOCOUTQ, &queued) != 0)
        return 0;
    return queued;
}

bool connectionLost(curl_socket_t socket)
{
    int error = 0;
    socklen_t errorLength = sizeof error;
    tcp_info info{};
    socklen_t infoLength = sizeof info;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &errorLength) == 0 && error != 0)
        return true;
    return ::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &infoLength) == 0 && info.tcpi_state == TCP_CLOSE;
}

void resetOnClose(curl_socket_t socket)
{
    const linger abortive{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

} // namespace qvic
