#include "cli/AlertSource.h"

#include "platform/TextFile.h"

#include <memory>

#include <curl/curl.h>
#include <unistd.h>

namespace qvic::cli {
namespace {

struct Transfer
{
    QByteArray body;
    qint64 limit = 0;
    bool tooLarge = false;
    QString etag;
    QString lastModified;
};

size_t takeBody(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const qint64 bytes = qint64(size * count);
    // One byte past the limit tells "too large" apart from "exactly the limit".
    const qint64 room = transfer->limit + 1 - transfer->body.size();
    transfer->body.append(data, qsizetype(std::min(bytes, room)));
    if (bytes > room || transfer->body.size() > transfer->limit) {
        transfer->tooLarge = true;
        return 0; // ends the transfer
    }
    return size * count;
}

size_t takeHeader(char *data, size_t size, size_t count, void *user)
{
    auto *transfer = static_cast<Transfer *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    const qsizetype colon = line.indexOf(':');
    if (line.startsWith("HTTP/")) { // a redirect's headers are not the answer's
        transfer->etag.clear();
        transfer->lastModified.clear();
    } else if (colon > 0) {
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QString value = QString::fromLatin1(line.mid(colon + 1).trimmed()).left(1024);
        if (name == "etag")
            transfer->etag = value;
        else if (name == "last-modified")
            transfer->lastModified = value;
    }
    return size * count;
}

int askAbandon(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return (*static_cast<const std::function<bool()> *>(user))() ? 1 : 0;
}

QString tooLargeWords(qint64 limit)
{
    return QStringLiteral("larger than %1 MB").arg(double(limit) / (1 << 20));
}

std::variant<QByteArray, QString> readStandardInput(qint64 limit)
{
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return QStringLiteral("cannot read standard input: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        if (got == 0)
            return bytes;
        bytes.append(chunk, qsizetype(got));
        if (bytes.size() > limit)
            return QStringLiteral("standard input is %1").arg(tooLargeWords(limit));
    }
}

} // namespace

bool isUrl(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
           || source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

std::variant<FeedResponse, QString> fetchFeed(const FeedRequest &request, const FetchLimits &limits,
                                              const std::function<bool()> &abandon)
{
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        return QStringLiteral("libcurl could not make a request");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
    const auto addHeader = [&headers](const QString &line) {
        if (curl_slist *added = curl_slist_append(headers.get(), line.toLatin1().constData())) {
            (void)headers.release();
            headers.reset(added);
        }
    };
    // A validator is sent back as it came; one with a line break would be a header of its own.
    if (!request.etag.isEmpty() && !request.etag.contains(u'\r') && !request.etag.contains(u'\n'))
        addHeader(QStringLiteral("If-None-Match: ") + request.etag);
    if (!request.lastModified.isEmpty() && !request.lastModified.contains(u'\r')
        && !request.lastModified.contains(u'\n'))
        addHeader(QStringLiteral("If-Modified-Since: ") + request.lastModified);

    Transfer transfer;
    transfer.limit = limits.maxBytes;
    char problem[CURL_ERROR_SIZE] = {};
    const QByteArray url = request.url.toUtf8();
    CURL *handle = easy.get();
    const CURLcode set[] = {
        curl_easy_setopt(handle, CURLOPT_URL, url.constData()),
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"),
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https"),
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L),
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, long(limits.maxRedirects)),
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, long(limits.total.count())),
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long(limits.connect.count())),
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L),
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L),
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L),
        curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, ""), // the limit counts what is decoded
        curl_easy_setopt(handle, CURLOPT_USERAGENT, "qv-instant-crawl"),
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()),
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, takeBody),
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer),
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, takeHeader),
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer),
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, problem),
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, abandon ? 0L : 1L),
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, askAbandon),
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &abandon),
    };
    for (const CURLcode code : set)
        if (code != CURLE_OK)
            return QStringLiteral("libcurl cannot fetch %1: %2").arg(request.url, QString::fromUtf8(curl_easy_strerror(code)));

    const CURLcode code = curl_easy_perform(handle);
    if (transfer.tooLarge)
        return QStringLiteral("%1 is %2").arg(request.url, tooLargeWords(limits.maxBytes));
    if (code == CURLE_TOO_MANY_REDIRECTS)
        return QStringLiteral("%1 redirects more than %2 times").arg(request.url).arg(limits.maxRedirects);
    if (code != CURLE_OK) {
        const QString words = problem[0] ? QString::fromUtf8(problem).trimmed()
                                         : QString::fromUtf8(curl_easy_strerror(code));
        return QStringLiteral("cannot fetch %1: %2").arg(request.url, words);
    }
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    const bool conditional = !request.etag.isEmpty() || !request.lastModified.isEmpty();
    if (status == 304 && conditional)
        return FeedResponse{{}, true, transfer.etag, transfer.lastModified};
    if (status != 200)
        return QStringLiteral("%1 answered HTTP %2, not 200").arg(request.url).arg(status);
    return FeedResponse{transfer.body, false, transfer.etag, transfer.lastModified};
}

std::variant<QByteArray, QString> readAlertSource(const QString &source, const FetchLimits &limits)
{
    if (source == u"-")
        return readStandardInput(limits.maxBytes);
    if (isUrl(source)) {
        auto fetched = fetchFeed({source, {}, {}}, limits);
        if (const auto *problem = std::get_if<QString>(&fetched))
            return *problem;
        return std::get<FeedResponse>(std::move(fetched)).bytes;
    }
    QString error;
    auto bytes = textfile::readFile(source, &error, limits.maxBytes);
    if (!bytes)
        return error;
    return *std::move(bytes);
}

} // namespace qvic::cli
