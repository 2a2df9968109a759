#include "cli/WatchState.h"

#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace qvic::cli {
namespace {

// A time as CAP and the send log write it, the offset kept.
QString timeText(const QDateTime &time)
{
    return time.toString(Qt::ISODate);
}

} // namespace

QByteArray WatchState::toJson() const
{
    QJsonArray alerts;
    for (const WatchedAlert &alert : started)
        alerts.append(QJsonObject{{"alert", alert.reference},
                                  {"identifier", alert.identifier},
                                  {"severity", alert.severity},
                                  {"expires", timeText(alert.expires)}});
    return QJsonDocument(QJsonObject{{"feed", feed},
                                     {"etag", etag},
                                     {"lastModified", lastModified},
                                     {"started", alerts},
                                     {"seen", QJsonArray::fromStringList(seen)}})
        .toJson(QJsonDocument::Indented);
}

std::variant<WatchState, QString> WatchState::fromJson(const QByteArray &bytes)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError)
        return QStringLiteral("%1 at byte %2").arg(parse.errorString()).arg(parse.offset);
    if (!document.isObject())
        return QStringLiteral("no JSON object");
    const QJsonObject all = document.object();
    for (const char *key : {"feed", "etag", "lastModified"})
        if (!all.value(QLatin1String(key)).isString())
            return QStringLiteral("\"%1\" is no text").arg(QLatin1String(key));
    if (!all.value(QLatin1String("started")).isArray() || !all.value(QLatin1String("seen")).isArray())
        return QStringLiteral("\"started\" or \"seen\" is no list");

    WatchState state;
    state.feed = all.value(QLatin1String("feed")).toString();
    state.etag = all.value(QLatin1String("etag")).toString();
    state.lastModified = all.value(QLatin1String("lastModified")).toString();
    for (const QJsonValue &value : all.value(QLatin1String("started")).toArray()) {
        const QJsonObject alert = value.toObject();
        WatchedAlert watched{alert.value(QLatin1String("alert")).toString(),
                             alert.value(QLatin1String("identifier")).toString(),
                             alert.value(QLatin1String("severity")).toString(),
                             QDateTime::fromString(alert.value(QLatin1String("expires")).toString(), Qt::ISODate)};
        if (watched.reference.isEmpty() || !watched.expires.isValid())
            return QStringLiteral("a started alert lacks its reference or expiry");
        state.started << watched;
    }
    for (const QJsonValue &value : all.value(QLatin1String("seen")).toArray())
        state.seen << value.toString();
    return state;
}

QString WatchState::defaultPath(const QString &appDir)
{
    return QDir(appDir).filePath(QStringLiteral("watch-state.json"));
}

std::variant<WatchState, QString> readWatchState(const QString &path)
{
    if (!QFileInfo::exists(path))
        return WatchState{};
    QString error;
    const auto bytes = textfile::readFile(path, &error, textfile::kDocumentLimit);
    if (!bytes)
        return error;
    auto state = WatchState::fromJson(*bytes);
    if (const auto *problem = std::get_if<QString>(&state))
        return QStringLiteral("%1 is no watch state: %2").arg(path, *problem);
    return state;
}

bool writeWatchState(const QString &path, const WatchState &state, QString *error)
{
    return textfile::replaceFile(path, state.toJson(), error);
}

} // namespace qvic::cli
