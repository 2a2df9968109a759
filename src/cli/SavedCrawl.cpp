#include "cli/SavedCrawl.h"

#include "commands/InstantFile.h"
#include "compose/CrawlSettings.h"
#include "compose/EditorText.h"
#include "platform/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTextDocument>

namespace qvic::cli {

std::optional<SavedCrawl> loadSavedCrawl(const QString &name, const QString &rtfFolder, QString *error)
{
    QString path = name;
    if (!name.contains(u'/')) {
        const bool hasSuffix = name.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive);
        path = QDir(rtfFolder).filePath(hasSuffix ? name : name + QStringLiteral(".rtf"));
    }
    const QFileInfo document(path);
    if (!document.exists()) {
        *error = name.contains(u'/') ? QStringLiteral("no crawl %1: the file does not exist").arg(path)
                                     : QStringLiteral("no crawl '%1' in %2 (looked for %3)")
                                           .arg(name, QDir::toNativeSeparators(rtfFolder), document.fileName());
        return std::nullopt;
    }
    SavedCrawl crawl{document.absoluteFilePath(), document.fileName(), {}};
    // The window refuses the same names with the same reasons.
    if (!documentNameFitsCommand(crawl.name)) {
        *error = QStringLiteral("the crawl document \"%1\" cannot be sent: players cannot read a name with "
                                "a comma, a double quote, a backslash, a control character or a character "
                                "outside Windows-1252; save the crawl under another name")
                     .arg(crawl.name);
        return std::nullopt;
    }
    const QString settings = instFilePath(crawl.path);
    if (!QFileInfo(settings).isFile()) {
        *error = QStringLiteral("the crawl %1 has no settings file %2; open the crawl in the window and save "
                                "it to write one")
                     .arg(crawl.path, settings);
        return std::nullopt;
    }
    const auto bytes = textfile::readFile(crawl.path, error);
    if (!bytes)
        return std::nullopt;
    // The text as the window's editor holds it after loading the crawl: the
    // same reader into the same kind of document, which lays nothing out.
    QTextDocument text;
    QString reason;
    if (!editortext::loadCrawl(*bytes, text, &reason)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(crawl.path, reason);
        return std::nullopt;
    }
    crawl.plainText = editortext::plainTextCrLf(text);
    if (crawl.plainText.isEmpty()) {
        *error = QStringLiteral("the crawl %1 holds no text").arg(crawl.path);
        return std::nullopt;
    }
    return crawl;
}

} // namespace qvic::cli
