#include "alerts/AlertChooser.h"

#include "alerts/LoadableAlerts.h"
#include "platform/OperatorDialogs.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace qvic {
namespace {

void cannotLoad(OperatorDialogs &dialogs, const QString &words)
{
    dialogs.exclamation(QStringLiteral("The alert could not be loaded.\n%1").arg(words));
}

} // namespace

std::optional<AlertCrawl> chooseAlertToLoad(OperatorDialogs &dialogs, const QString &appDir, const QDateTime &now)
{
    const auto path = dialogs.openFileName(QStringLiteral("Load Alert"), QDir::homePath(),
                                           QStringLiteral("CAP Alerts (*.xml *.cap *.atom)"));
    if (!path)
        return std::nullopt;

    AlertLooks looks;
    if (const QString looksFile = AlertLooks::defaultPath(appDir); QFileInfo::exists(looksFile)) {
        auto read = AlertLooks::read(looksFile);
        if (const auto *problem = std::get_if<QString>(&read)) {
            cannotLoad(dialogs, *problem);
            return std::nullopt;
        }
        looks = std::get<AlertLooks>(std::move(read));
    }

    QString error;
    const auto bytes = textfile::readFile(*path, &error, textfile::kSmallFileLimit); // 1 MB, as from the network
    if (!bytes) {
        cannotLoad(dialogs, error);
        return std::nullopt;
    }
    const auto read = loadableAlerts(*bytes, looks, QLocale().bcp47Name(), now);
    if (const auto *refusal = std::get_if<CapRefusal>(&read)) {
        cannotLoad(dialogs, QStringLiteral("%1: %2").arg(QFileInfo(*path).fileName(), refusal->words));
        return std::nullopt;
    }
    const LoadableAlerts &loadable = std::get<LoadableAlerts>(read);
    if (loadable.alerts.isEmpty()) {
        const QString why = loadable.leftOut.isEmpty() ? QStringLiteral("It holds no alert.")
                                                       : loadable.leftOut.join(u'\n');
        cannotLoad(dialogs, QStringLiteral("%1: %2").arg(QFileInfo(*path).fileName(), why));
        return std::nullopt;
    }
    if (loadable.alerts.size() == 1)
        return loadable.alerts.first().crawl;

    QStringList labels;
    for (const LoadableAlert &alert : loadable.alerts)
        labels << alert.label;
    QString question = QStringLiteral("The file holds %1 alerts to show.").arg(labels.size());
    for (const QString &why : loadable.leftOut)
        question += u'\n' + why;
    const auto chosen = dialogs.chooseItem(QStringLiteral("Load Alert"), question + QStringLiteral("\nLoad:"), labels);
    if (!chosen || *chosen < 0 || *chosen >= labels.size())
        return std::nullopt;
    return loadable.alerts[*chosen].crawl;
}

} // namespace qvic
