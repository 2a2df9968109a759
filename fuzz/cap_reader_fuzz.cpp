// Feeds arbitrary bytes to the CAP reader, as a feed or an alerting system might send them:
// whatever comes, alerts that hold what CAP requires or a refusal in words, never a crash.
// The crawl's line of every info read, and of the bytes taken as text, is either one the
// players can show or a refusal in words.
#include "alerts/CapAlert.h"
#include "alerts/CrawlText.h"
#include "platform/Win1252.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

void checkCrawlText(const qvic::CapInfo &info)
{
    const auto made = qvic::crawlText(info);
    if (const auto *refusal = std::get_if<qvic::CapRefusal>(&made)) {
        check(!refusal->words.isEmpty());
        return;
    }
    const QString text = std::get<QString>(made);
    check(!text.isEmpty() && qvic::win1252::canEncode(text));
    check(text == text.simplified()); // one line, no run of white space
    for (QChar c : text)
        check(c.category() != QChar::Other_Control && c.category() != QChar::Other_Format);
}

bool allowedInIdentifier(const QString &text)
{
    for (QChar c : text)
        if (c.isSpace() || c == u',' || c == u'<' || c == u'&')
            return false;
    return !text.isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    qvic::CapInfo raw;
    raw.description = QString::fromUtf8(bytes);
    checkCrawlText(raw);

    const auto read = qvic::readCapDocument(bytes);
    if (const auto *refusal = std::get_if<qvic::CapRefusal>(&read)) {
        check(!refusal->words.isEmpty());
        return 0;
    }
    const qvic::CapDocument &document = std::get<qvic::CapDocument>(read);
    for (const QString &words : document.refusedEntries)
        check(!words.isEmpty());
    for (const qvic::CapFeedLink &link : document.linkedOnly)
        check(!link.url.isEmpty());
    for (const qvic::CapAlert &alert : document.alerts) {
        check(alert.version == u"1.2" || alert.version == u"1.1");
        check(allowedInIdentifier(alert.identifier) && allowedInIdentifier(alert.sender));
        check(alert.sent.isValid());
        for (const qvic::CapReference &reference : alert.references)
            check(!reference.sender.isEmpty() && !reference.identifier.isEmpty() && reference.sent.isValid());
        check((qvic::chooseInfo(alert, u"en-US") == nullptr) == alert.infos.isEmpty());
        for (const qvic::CapInfo &info : alert.infos) {
            check(!info.event.isEmpty() && !info.categories.isEmpty());
            const qvic::CapInfo *chosen = qvic::chooseInfo(alert, info.language);
            check(chosen && chosen->language.compare(info.language, Qt::CaseInsensitive) == 0);
            for (const qvic::CapArea &area : info.areas)
                check(!area.description.isEmpty());
            checkCrawlText(info);
        }
    }
    return 0;
}
