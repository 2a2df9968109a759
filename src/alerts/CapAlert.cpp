#include "alerts/CapAlert.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

#include <array>

namespace qvic {
namespace {

using namespace Qt::StringLiterals;

constexpr qsizetype kMaxBytes = 1024 * 1024;
constexpr int kMaxDepth = 64;
constexpr int kMaxElements = 50000; // a feed of a few hundred alerts stays well below

constexpr QStringView kCap12 = u"urn:oasis:names:tc:emergency:cap:1.2";
constexpr QStringView kCap11 = u"urn:oasis:names:tc:emergency:cap:1.1";
constexpr QStringView kAtom = u"http://www.w3.org/2005/Atom";

// In the order of the enums, which index them.
constexpr std::array<QStringView, 5> kStatusWords{u"Actual", u"Exercise", u"System", u"Test", u"Draft"};
constexpr std::array<QStringView, 5> kMessageTypeWords{u"Alert", u"Update", u"Cancel", u"Ack", u"Error"};
constexpr std::array<QStringView, 3> kScopeWords{u"Public", u"Restricted", u"Private"};
constexpr std::array<QStringView, 5> kUrgencyWords{u"Immediate", u"Expected", u"Future", u"Past", u"Unknown"};
constexpr std::array<QStringView, 5> kSeverityWords{u"Extreme", u"Severe", u"Moderate", u"Minor", u"Unknown"};
constexpr std::array<QStringView, 5> kCertaintyWords{u"Observed", u"Likely", u"Possible", u"Unlikely", u"Unknown"};

bool isCapNamespace(QStringView uri)
{
    return uri == kCap12 || uri == kCap11;
}

// A value from the document, quoted and cut short for a line of words.
QString shown(const QString &text)
{
    QString line = text.left(60);
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return u'"' + line + (text.size() > 60 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

template <std::size_t N>
QString oneOf(const std::array<QStringView, N> &words)
{
    QStringList list;
    for (QStringView word : words)
        list.append(word.toString());
    return list.join(QStringLiteral(", "));
}

// CAP's time: 2026-12-07T09:00:00-05:00, where -00:00 is UTC.
std::optional<QDateTime> readTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(
        "^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\\.([0-9]{1,9}))?"
        "(?:Z|([+-])([0-9]{2}):([0-9]{2}))$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int milliseconds = match.captured(7).leftJustified(3, u'0', true).toInt();
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt(), milliseconds);
    const int offsetHours = match.captured(9).toInt();
    const int offsetMinutes = match.captured(10).toInt();
    if (!date.isValid() || !time.isValid() || offsetHours > 14 || offsetMinutes > 59)
        return std::nullopt;
    const int offset = (match.captured(8) == u"-" ? -1 : 1) * (offsetHours * 3600 + offsetMinutes * 60);
    return QDateTime(date, time, Qt::OffsetFromUTC, offset);
}

// CAP keeps these out of identifiers and senders, so that references can list them.
bool hasForbiddenCharacter(const QString &text)
{
    for (QChar c : text)
        if (c.isSpace() || c == u',' || c == u'<' || c == u'&')
            return true;
    return false;
}

// Reads every token through next(), which holds the bounds, so no nesting escapes them.
class DocumentReader
{
public:
    explicit DocumentReader(const QByteArray &bytes) : m_xml(bytes) {}

    std::variant<CapDocument, CapRefusal> read()
    {
        CapDocument document;
        std::optional<CapRefusal> refusal;
        if (nextChild()) {
            const bool atom = m_xml.namespaceUri() == kAtom;
            if (m_xml.name() == u"alert") {
                auto alert = readAlert();
                if (auto *read = std::get_if<CapAlert>(&alert))
                    document.alerts.append(*read);
                else
                    refusal = std::get<CapRefusal>(alert);
            } else if (atom && m_xml.name() == u"feed") {
                readFeed(document);
            } else if (atom && m_xml.name() == u"entry") {
                readEntry(document, 1);
            } else {
                skipElement(); // another wrapper: no alert
            }
        }
        while (next()) {
        } // what follows the root must be well-formed too
        if (m_xml.hasError())
            return CapRefusal{xmlWords()};
        if (refusal)
            return *refusal;
        return document;
    }

private:
    bool next()
    {
        if (m_xml.atEnd())
            return false;
        switch (m_xml.readNext()) {
        case QXmlStreamReader::DTD:
            m_xml.raiseError(QStringLiteral("a document with a DTD is refused"));
            break;
        case QXmlStreamReader::EntityReference:
            m_xml.raiseError(QStringLiteral("an entity reference &%1; is refused").arg(m_xml.name()));
            break;
        case QXmlStreamReader::StartElement:
            if (++m_depth > kMaxDepth)
                m_xml.raiseError(QStringLiteral("nested deeper than %1 elements").arg(kMaxDepth));
            else if (++m_elements > kMaxElements)
                m_xml.raiseError(QStringLiteral("more than 50,000 elements"));
            break;
        case QXmlStreamReader::EndElement:
            --m_depth;
            break;
        default:
            break;
        }
        return !m_xml.atEnd();
    }

    // Moves to the next child of the element the reader is in; false at that element's end.
    bool nextChild()
    {
        while (next()) {
            if (m_xml.isStartElement())
                return true;
            if (m_xml.isEndElement())
                return false;
        }
        return false;
    }

    void skipElement()
    {
        for (int level = 1; level > 0 && next();) {
            if (m_xml.isStartElement())
                ++level;
            else if (m_xml.isEndElement())
                --level;
        }
    }

    // The element's text, ends trimmed; none when it holds an element.
    std::optional<QString> readText()
    {
        QString text;
        bool heldElement = false;
        while (next() && !m_xml.isEndElement()) {
            if (m_xml.isCharacters()) {
                text += m_xml.text();
            } else if (m_xml.isStartElement()) {
                heldElement = true;
                skipElement();
            }
        }
        if (heldElement)
            return std::nullopt;
        return text.trimmed();
    }

    QString xmlWords() const
    {
        if (m_xml.error() == QXmlStreamReader::CustomError)
            return m_xml.errorString();
        QString what = m_xml.errorString();
        if (what.endsWith(u'.'))
            what.chop(1);
        if (what.size() > 1 && what[1].isLower())
            what[0] = what[0].toLower();
        return QStringLiteral("not XML: %1 at line %2").arg(what).arg(m_xml.lineNumber());
    }

    // Only the first problem of an alert is told: it is the one to mend first.
    void note(const QString &words)
    {
        if (m_problem.isEmpty())
            m_problem = words;
    }

    // True the first time an element of this name appears in its parent; a second one is told
    // and skipped, as readers that took the first or the last would show different alerts.
    bool firstTime(QStringList &seen, const QString &parent)
    {
        const QString name = m_xml.name().toString();
        if (!seen.contains(name)) {
            seen.append(name);
            return true;
        }
        note(QStringLiteral("%1 with more than one <%2>").arg(parent, name));
        skipElement();
        return false;
    }

    QString textOf()
    {
        const QString name = m_xml.name().toString();
        const std::optional<QString> text = readText();
        if (!text)
            note(QStringLiteral("<%1> holds an element, where CAP has text only").arg(name));
        return text.value_or(QString());
    }

    template <typename Enum, std::size_t N>
    Enum wordOf(const std::array<QStringView, N> &words, Enum fallback)
    {
        const QString name = m_xml.name().toString();
        QString text = textOf();
        if (name == u"certainty" && text == u"Very Likely") // CAP 1.1
            text = QStringLiteral("Likely");
        for (std::size_t i = 0; i < N; ++i)
            if (words[i] == text)
                return Enum(i);
        note(QStringLiteral("<%1> %2 is not one of %3").arg(name, shown(text), oneOf(words)));
        return fallback;
    }

    std::optional<QDateTime> timeOf()
    {
        const QString name = m_xml.name().toString();
        const QString text = textOf();
        const std::optional<QDateTime> time = readTime(text);
        if (!time)
            note(QStringLiteral("<%1> %2 is not a time with its offset, like 2026-12-07T09:00:00-05:00")
                     .arg(name, shown(text)));
        return time;
    }

    QString identifierOf()
    {
        const QString name = m_xml.name().toString();
        const QString text = textOf();
        if (hasForbiddenCharacter(text))
            note(QStringLiteral("<%1> %2 holds a space, comma, < or &, which CAP forbids there").arg(name, shown(text)));
        return text;
    }

    QList<CapReference> referencesOf()
    {
        QList<CapReference> references;
        for (const QString &triple : textOf().simplified().split(u' ', Qt::SkipEmptyParts)) {
            const QStringList parts = triple.split(u',');
            const std::optional<QDateTime> sent = parts.size() == 3 ? readTime(parts[2]) : std::nullopt;
            if (!sent || parts[0].isEmpty() || parts[1].isEmpty())
                note(QStringLiteral("<references> holds %1, not sender,identifier,sent").arg(shown(triple)));
            else
                references.append({parts[0], parts[1], *sent});
        }
        return references;
    }

    std::variant<CapAlert, CapRefusal> readAlert()
    {
        const QString uri = m_xml.namespaceUri().toString();
        if (!isCapNamespace(uri)) {
            skipElement();
            return CapRefusal{uri.isEmpty() ? QStringLiteral("an alert in no namespace, not CAP 1.1 or 1.2")
                                            : QStringLiteral("an alert in namespace %1, not CAP 1.1 or 1.2").arg(uri)};
        }
        m_problem.clear();
        CapAlert alert;
        alert.version = uri.right(3);
        static const QStringList singles{
            u"identifier"_s, u"sender"_s, u"sent"_s, u"status"_s, u"msgType"_s, u"source"_s, u"scope"_s,
            u"restriction"_s, u"addresses"_s, u"note"_s, u"references"_s, u"incidents"_s};
        QStringList seen;
        while (nextChild()) {
            const QString name = m_xml.name().toString();
            if (m_xml.namespaceUri() != uri)
                skipElement(); // an extension, a signature
            else if (name == u"code")
                alert.codes.append(textOf());
            else if (name == u"info")
                alert.infos.append(readInfo(uri));
            else if (singles.contains(name) && !firstTime(seen, u"alert"_s))
                continue;
            else if (name == u"identifier")
                alert.identifier = identifierOf();
            else if (name == u"sender")
                alert.sender = identifierOf();
            else if (name == u"sent")
                alert.sent = timeOf().value_or(QDateTime());
            else if (name == u"status")
                alert.status = wordOf(kStatusWords, CapStatus::Actual);
            else if (name == u"msgType")
                alert.messageType = wordOf(kMessageTypeWords, CapMessageType::Alert);
            else if (name == u"source")
                alert.source = textOf();
            else if (name == u"scope")
                alert.scope = wordOf(kScopeWords, CapScope::Public);
            else if (name == u"restriction")
                alert.restriction = textOf();
            else if (name == u"addresses")
                alert.addresses = textOf();
            else if (name == u"note")
                alert.note = textOf();
            else if (name == u"references")
                alert.references = referencesOf();
            else if (name == u"incidents")
                alert.incidents = textOf();
            else
                skipElement();
        }
        if (alert.identifier.isEmpty())
            note(QStringLiteral("alert without <identifier>"));
        if (alert.sender.isEmpty())
            note(QStringLiteral("alert without <sender>"));
        for (const QString &required : {u"sent"_s, u"status"_s, u"msgType"_s, u"scope"_s})
            if (!seen.contains(required))
                note(QStringLiteral("alert without <%1>").arg(required));
        if (!m_problem.isEmpty())
            return CapRefusal{m_problem};
        return alert;
    }

    CapInfo readInfo(const QString &uri)
    {
        CapInfo info;
        static const QStringList singles{
            u"language"_s, u"event"_s, u"urgency"_s, u"severity"_s, u"certainty"_s, u"audience"_s,
            u"effective"_s, u"onset"_s, u"expires"_s, u"senderName"_s, u"headline"_s, u"description"_s,
            u"instruction"_s, u"web"_s, u"contact"_s};
        QStringList seen;
        while (nextChild()) {
            const QString name = m_xml.name().toString();
            if (m_xml.namespaceUri() != uri)
                skipElement();
            else if (name == u"category")
                info.categories.append(textOf());
            else if (name == u"responseType")
                info.responseTypes.append(textOf());
            else if (name == u"eventCode")
                info.eventCodes.append(readValue(uri));
            else if (name == u"parameter")
                info.parameters.append(readValue(uri));
            else if (name == u"area")
                info.areas.append(readArea(uri));
            else if (singles.contains(name) && !firstTime(seen, u"info"_s))
                continue;
            else if (name == u"language")
                info.language = textOf();
            else if (name == u"event")
                info.event = textOf();
            else if (name == u"urgency")
                info.urgency = wordOf(kUrgencyWords, CapUrgency::Unknown);
            else if (name == u"severity")
                info.severity = wordOf(kSeverityWords, CapSeverity::Unknown);
            else if (name == u"certainty")
                info.certainty = wordOf(kCertaintyWords, CapCertainty::Unknown);
            else if (name == u"audience")
                info.audience = textOf();
            else if (name == u"effective")
                info.effective = timeOf();
            else if (name == u"onset")
                info.onset = timeOf();
            else if (name == u"expires")
                info.expires = timeOf();
            else if (name == u"senderName")
                info.senderName = textOf();
            else if (name == u"headline")
                info.headline = textOf();
            else if (name == u"description")
                info.description = textOf();
            else if (name == u"instruction")
                info.instruction = textOf();
            else if (name == u"web")
                info.web = textOf();
            else if (name == u"contact")
                info.contact = textOf();
            else
                skipElement(); // a resource, or what a later CAP adds
        }
        if (info.categories.isEmpty())
            note(QStringLiteral("info without <category>"));
        if (info.event.isEmpty())
            note(QStringLiteral("info without <event>"));
        for (const QString &required : {u"urgency"_s, u"severity"_s, u"certainty"_s})
            if (!seen.contains(required))
                note(QStringLiteral("info without <%1>").arg(required));
        return info;
    }

    CapArea readArea(const QString &uri)
    {
        CapArea area;
        while (nextChild()) {
            if (m_xml.namespaceUri() != uri)
                skipElement();
            else if (m_xml.name() == u"areaDesc")
                area.description = textOf();
            else if (m_xml.name() == u"geocode")
                area.geocodes.append(readValue(uri));
            else
                skipElement();
        }
        if (area.description.isEmpty())
            note(QStringLiteral("area without <areaDesc>"));
        return area;
    }

    CapValue readValue(const QString &uri)
    {
        const QString name = m_xml.name().toString();
        CapValue value;
        bool named = false;
        while (nextChild()) {
            if (m_xml.namespaceUri() == uri && m_xml.name() == u"valueName") {
                value.valueName = textOf();
                named = true;
            } else if (m_xml.namespaceUri() == uri && m_xml.name() == u"value") {
                value.value = textOf();
            } else {
                skipElement();
            }
        }
        if (!named)
            note(QStringLiteral("<%1> without <valueName>").arg(name));
        return value;
    }

    void readFeed(CapDocument &document)
    {
        int entries = 0;
        while (nextChild()) {
            if (m_xml.namespaceUri() == kAtom && m_xml.name() == u"entry")
                readEntry(document, ++entries);
            else
                skipElement();
        }
    }

    // An entry carries its alert in <content> (or as a child of its own), or links to it.
    void readEntry(CapDocument &document, int number)
    {
        CapFeedLink link;
        QString capUrl, alternateUrl;
        std::optional<std::variant<CapAlert, CapRefusal>> alert;
        while (nextChild()) {
            const bool atom = m_xml.namespaceUri() == kAtom;
            const QString name = m_xml.name().toString();
            if (atom && name == u"id") {
                link.entryId = readText().value_or(QString());
            } else if (atom && name == u"title") {
                link.title = readText().value_or(QString());
            } else if (atom && name == u"link") {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                const QString href = attributes.value(QLatin1StringView("href")).toString().trimmed();
                const QStringView rel = attributes.value(QLatin1StringView("rel"));
                if (attributes.value(QLatin1StringView("type")) == u"application/cap+xml" && capUrl.isEmpty())
                    capUrl = href;
                else if ((rel.isEmpty() || rel == u"alternate") && alternateUrl.isEmpty())
                    alternateUrl = href;
                skipElement();
            } else if (atom && name == u"content") {
                while (nextChild()) {
                    if (!alert && m_xml.name() == u"alert")
                        alert = readAlert();
                    else
                        skipElement();
                }
            } else if (!alert && isCapNamespace(m_xml.namespaceUri()) && name == u"alert") {
                alert = readAlert();
            } else {
                skipElement();
            }
        }
        if (!alert) {
            link.url = capUrl.isEmpty() ? alternateUrl : capUrl;
            if (!link.url.isEmpty())
                document.linkedOnly.append(link);
        } else if (auto *read = std::get_if<CapAlert>(&*alert)) {
            document.alerts.append(*read);
        } else {
            const QString entry = link.entryId.isEmpty() ? QStringLiteral("feed entry %1").arg(number)
                                                         : QStringLiteral("feed entry %1 %2").arg(number).arg(shown(link.entryId));
            document.refusedEntries.append(entry + QStringLiteral(": ") + std::get<CapRefusal>(*alert).words);
        }
    }

    QXmlStreamReader m_xml;
    int m_depth = 0;
    int m_elements = 0;
    QString m_problem;
};

QStringView primarySubtag(QStringView language)
{
    return language.left(language.indexOf(u'-'));
}

} // namespace

QString capWord(CapStatus status)
{
    return kStatusWords[std::size_t(status)].toString();
}

QString capWord(CapMessageType type)
{
    return kMessageTypeWords[std::size_t(type)].toString();
}

QString capWord(CapScope scope)
{
    return kScopeWords[std::size_t(scope)].toString();
}

QString capWord(CapUrgency urgency)
{
    return kUrgencyWords[std::size_t(urgency)].toString();
}

QString capWord(CapSeverity severity)
{
    return kSeverityWords[std::size_t(severity)].toString();
}

QString capWord(CapCertainty certainty)
{
    return kCertaintyWords[std::size_t(certainty)].toString();
}

std::variant<CapDocument, CapRefusal> readCapDocument(const QByteArray &bytes)
{
    if (bytes.size() > kMaxBytes)
        return CapRefusal{QStringLiteral("larger than 1 MB")};
    return DocumentReader(bytes).read();
}

const CapInfo *chooseInfo(const CapAlert &alert, QStringView language)
{
    if (alert.infos.isEmpty())
        return nullptr;
    for (const CapInfo &info : alert.infos)
        if (info.language.compare(language, Qt::CaseInsensitive) == 0)
            return &info;
    for (const CapInfo &info : alert.infos)
        if (primarySubtag(info.language).compare(primarySubtag(language), Qt::CaseInsensitive) == 0)
            return &info;
    return &alert.infos.first();
}

bool hasExpired(const CapInfo &info, const QDateTime &now)
{
    return info.expires && *info.expires <= now;
}

} // namespace qvic
