#include "alerts/LoadableAlerts.h"

#include <QTime>

#include <cstdlib>

namespace qvic {
namespace {

QString labelOf(const CapAlert &alert, const CapInfo &info, const QDateTime &now)
{
    QStringList traits{capWord(info.severity), capWord(alert.messageType)};
    if (alert.status != CapStatus::Actual)
        traits << capWord(alert.status);
    // The sender's own clock, with its offset as CAP writes it: "-05:00".
    const int offset = alert.sent.offsetFromUtc();
    const QString sign = offset < 0 ? QStringLiteral("-") : QStringLiteral("+");
    traits << QStringLiteral("sent %1 %2%3")
                  .arg(alert.sent.toString(QStringLiteral("yyyy-MM-dd HH:mm")), sign,
                       QTime(0, 0).addSecs(std::abs(offset)).toString(QStringLiteral("HH:mm")));
    if (hasExpired(info, now))
        traits << QStringLiteral("expired");
    const QString title = info.headline.isEmpty() ? info.event : info.headline;
    return title + QStringLiteral(": ") + traits.join(QStringLiteral(", "));
}

} // namespace

std::variant<LoadableAlerts, CapRefusal> loadableAlerts(const QByteArray &bytes, const AlertLooks &looks,
                                                        QStringView language, const QDateTime &now)
{
    const auto read = readCapDocument(bytes);
    if (const auto *refusal = std::get_if<CapRefusal>(&read))
        return *refusal;
    const CapDocument &document = std::get<CapDocument>(read);

    LoadableAlerts loadable;
    for (const CapAlert &alert : document.alerts) {
        const CapInfo *info = chooseInfo(alert, language);
        if (!info) {
            loadable.leftOut << QStringLiteral("The %1 %2 holds no text to show.")
                                    .arg(capWord(alert.messageType), alert.identifier);
            continue;
        }
        const auto crawl = alertCrawl(*info, looks.lookFor(info->severity), now);
        if (const auto *refusal = std::get_if<CapRefusal>(&crawl)) {
            loadable.leftOut << QStringLiteral("The alert %1: %2").arg(alert.identifier, refusal->words);
            continue;
        }
        loadable.alerts.append({labelOf(alert, *info, now), std::get<AlertCrawl>(crawl)});
    }
    for (const CapFeedLink &link : document.linkedOnly)
        loadable.leftOut << QStringLiteral("The feed entry \"%1\" only links to its alert: %2").arg(link.title, link.url);
    loadable.leftOut << document.refusedEntries;
    return loadable;
}

} // namespace qvic
