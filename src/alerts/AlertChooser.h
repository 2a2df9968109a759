#pragma once

#include "alerts/AlertCrawl.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace qvic {

class OperatorDialogs;

// What the window's File > "Load Alert..." asks: a CAP file, and which of its alerts when it
// holds several, each made into a crawl in the look of its severity (AppDir's looks file when
// there is one, else the built-in looks) from its info in the operator's language. Every file
// that gives no crawl is told in words. Nothing when the operator cancels or nothing loads.
std::optional<AlertCrawl> chooseAlertToLoad(OperatorDialogs &dialogs, const QString &appDir, const QDateTime &now);

} // namespace qvic
