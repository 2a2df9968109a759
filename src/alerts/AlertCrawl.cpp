#include "alerts/AlertCrawl.h"

#include "alerts/CrawlText.h"
#include "compose/ColorValue.h"
#include "compose/RtfWriter.h"

#include <QFont>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace qvic {

std::variant<AlertCrawl, CapRefusal> alertCrawl(const CapInfo &info, const AlertLook &look, const QDateTime &now)
{
    const auto text = crawlText(info);
    if (const auto *refusal = std::get_if<CapRefusal>(&text))
        return *refusal;

    AlertCrawl crawl;
    crawl.text = std::get<QString>(text);
    QTextDocument document;
    QTextCharFormat format;
    format.setFontFamilies({look.fontFamily});
    format.setFontPointSize(look.pointSize);
    format.setForeground(color::toQColor(look.textColor));
    format.setFontWeight(look.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    QTextCursor(&document).insertText(crawl.text, format);
    crawl.document = RtfWriter::write(document);

    crawl.settings = look.settings;
    if (info.expires) {
        const qint64 seconds = now.secsTo(*info.expires);
        crawl.settings.dwell = QString::number(std::max<qint64>(1, (seconds + 59) / 60));
    }
    return crawl;
}

} // namespace qvic
