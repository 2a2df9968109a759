#pragma once

#include "alerts/AlertLooks.h"
#include "alerts/CapAlert.h"
#include "compose/CrawlSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <variant>

namespace qvic {

// The name an alert's crawl document has on the players.
inline const QString kAlertDocumentName = QStringLiteral("Alert.rtf");

// An alert made into a crawl, as the window would have saved it: the document and
// the six settings its settings file is written from.
struct AlertCrawl
{
    QString text;        // the one line the crawl shows
    QByteArray document; // RTF, as RtfWriter writes the window's documents
    CrawlSettings settings;
};

// The crawl for an info: its crawlText line in the look's font, size, colour
// and weight, on the look's presentation settings, except the dwell: the whole
// minutes from now until the info expires, rounded up and at least one, or the
// look's dwell when it gives no expiry. Refused, with crawlText's words, when
// the text holds what players cannot show.
std::variant<AlertCrawl, CapRefusal> alertCrawl(const CapInfo &info, const AlertLook &look, const QDateTime &now);

} // namespace qvic
