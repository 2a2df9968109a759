#pragma once

#include "alerts/AlertCrawl.h"
#include "alerts/AlertLooks.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <variant>

namespace qvic {

// An alert of a file the operator opens, made into a crawl for the window to show.
struct LoadableAlert
{
    // What the operator chooses it by: "Tornado Warning: Severe, Update, sent 2026-12-07 09:00 -05:00",
    // with the status when it is not Actual and "expired" when it has.
    QString label;
    AlertCrawl crawl;
};

struct LoadableAlerts
{
    QList<LoadableAlert> alerts; // in the file's order
    QStringList leftOut;         // why each alert or feed entry not among them was left out
};

// The alerts of a CAP file (one alert, or an Atom feed of them) as crawls in the looks of their
// severities, each from its info in language (else the first). An alert with no info to show (a
// Cancel often has none), or whose text players cannot show, is left out with words. A file that
// cannot be read as CAP gives the reader's refusal.
std::variant<LoadableAlerts, CapRefusal> loadableAlerts(const QByteArray &bytes, const AlertLooks &looks,
                                                        QStringView language, const QDateTime &now);

} // namespace qvic
