#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <variant>

// Where the alert commands take their documents from: a file, standard input
// or a feed on the network, read within bounds, since all of it is untrusted.
namespace qvic::cli {

struct FetchLimits
{
    qint64 maxBytes = 1 << 20;              // more is refused; reading stops one byte past it
    std::chrono::milliseconds total{30000}; // the whole request, redirects included
    std::chrono::milliseconds connect{10000};
    int maxRedirects = 3;
};

// A request for a feed, conditional when the answer before gave its validators.
struct FeedRequest
{
    QString url; // http:// or https://
    QString etag;         // sent as If-None-Match when not empty
    QString lastModified; // sent as If-Modified-Since when not empty
};

struct FeedResponse
{
    QByteArray bytes;
    bool notModified = false; // 304: the document is the one of the validators
    QString etag;             // the validators of this answer, empty when it gave none
    QString lastModified;
};

// Fetches a feed with libcurl: https with the system's certificate checks,
// only http and https (redirects too, at most maxRedirects of them), within the
// time limits and maxBytes. Anything but 200 or, for a conditional request,
// 304 is refused in words naming the URL. abandon, when given, is asked about
// once a second or more often, and true ends the request at once, refused.
// curl_global_init must have been run.
std::variant<FeedResponse, QString> fetchFeed(const FeedRequest &request, const FetchLimits &limits = {},
                                              const std::function<bool()> &abandon = {});

// Whether the SOURCE of a command names a URL rather than a file.
bool isUrl(const QString &source);

// The bytes of SOURCE: a file, "-" for standard input, or a URL fetched with
// fetchFeed. Refused with words when it cannot be read or is larger than
// limits.maxBytes.
std::variant<QByteArray, QString> readAlertSource(const QString &source, const FetchLimits &limits = {});

} // namespace qvic::cli
