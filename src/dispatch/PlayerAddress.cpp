#include "dispatch/PlayerAddress.h"

#include "platform/Text.h"

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

bool setPlayerUrl(CURLU *url, const PlayerAddress &address)
{
    return curl_url_set(url, CURLUPART_SCHEME, "ftp", 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_HOST, address.host.constData(), 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_PORT, address.port.constData(), 0) == CURLUE_OK
           && curl_url_set(url, CURLUPART_PATH, "/", 0) == CURLUE_OK;
}

} // namespace qvic
