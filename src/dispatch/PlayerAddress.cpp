#include "dispatch/PlayerAddress.h"

#include "platform/Text.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <memory>

namespace qvic {
namespace {

struct CurlUrlCleanup
{
    void operator()(CURLU *url) const { curl_url_cleanup(url); }
};

bool isPortNumber(const QString &port)
{
    if (port.isEmpty() || port.size() > 5
        || !std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return false;
    const int number = port.toInt();
    return number >= 1 && number <= 65535;
}

struct HostAndPort
{
    QString host;
    std::optional<QString> port; // as typed, when one is
};

// The host and port parts of the text, before either is checked.
std::optional<HostAndPort> split(const QString &text)
{
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 2)
            return std::nullopt;
        const QString rest = text.mid(close + 1);
        if (rest.isEmpty())
            return HostAndPort{text.left(close + 1), std::nullopt};
        if (!rest.startsWith(u':'))
            return std::nullopt;
        return HostAndPort{text.left(close + 1), rest.mid(1)};
    }
    switch (text.count(u':')) {
    case 0:
        return HostAndPort{text, std::nullopt};
    case 1:
        return HostAndPort{text.section(u':', 0, 0), text.section(u':', 1)};
    default: // a bare IPv6 address, which takes no port
        return HostAndPort{u'[' + text + u']', std::nullopt};
    }
}

} // namespace

std::optional<PlayerAddress> parsePlayerAddress(const QString &text)
{
    const QString address = trimSpaces(text);
    if (address.isEmpty() || hasControlCharacter(address)
        || std::any_of(address.begin(), address.end(), [](QChar c) { return c.isSpace(); }))
        return std::nullopt;
    const auto parts = split(address);
    if (!parts || parts->host.isEmpty() || (parts->port && !isPortNumber(*parts->port)))
        return std::nullopt;
    const PlayerAddress player{parts->host.toUtf8(),
                               parts->port ? QByteArray::number(parts->port->toInt()) : QByteArrayLiteral("21")};
    // libcurl's own check of the host: the one that will be used to reach it.
    const std::unique_ptr<CURLU, CurlUrlCleanup> url(curl_url());
    if (!url || !setPlayerUrl(url.get(), player))
        return std::nullopt;
    return player;
}

QString playerIdentity(const QString &text)
{
    const auto address = parsePlayerAddress(text);
    if (!address)
        return {};
    QString host = QString::fromUtf8(address->host).toLower();
    if (host.endsWith(u'.'))
        host.chop(1);
    if (host.startsWith(u'['))
        host = host.mid(1, host.size() - 2);
    const QByteArray bytes = host.toLatin1();
    char shown[INET6_ADDRSTRLEN] = {};
    in_addr v4{};
    in6_addr v6{};
    if (host == u"localhost")
        host = QStringLiteral("this computer");
    else if (inet_pton(AF_INET, bytes.constData(), &v4) == 1)
        host = (ntohl(v4.s_addr) >> 24) == 127 ? QStringLiteral("this computer")
                                               : QString::fromLatin1(inet_ntop(AF_INET, &v4, shown, sizeof shown));
    else if (inet_pton(AF_INET6, bytes.constData(), &v6) == 1)
        host = IN6_IS_ADDR_LOOPBACK(&v6) ? QStringLiteral("this computer")
                                          : QString::fromLatin1(inet_ntop(AF_INET6, &v6, shown, sizeof shown));
    return host + u' ' + QString::fromLatin1(address->port);
}

bool setPlayerUrl(CURLU *url, const PlayerAddress &address)
{
    return curl_url_set(url, CURLUPART_SCHEME, "ftp", 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_HOST, address.host.constData(), 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_PORT, address.port.constData(), 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_PATH, "/", 0) == CURLUE_OK;
}

} // namespace qvic
