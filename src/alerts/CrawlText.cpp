#include "alerts/CrawlText.h"

#include "platform/Win1252.h"

namespace qvic {
namespace {

// Characters without a compatibility form that Windows-1252 holds, yet with an obvious one.
QString readableDash(char32_t code)
{
    switch (code) {
    case 0x2010: // hyphen
    case 0x2043: // hyphen bullet
    case 0x2212: // minus sign
        return QStringLiteral("-");
    case 0x2012: // figure dash
        return QStringLiteral("\u2013");
    case 0x2015: // horizontal bar
        return QStringLiteral("\u2014");
    case 0x201B: // reversed single quotation mark
    case 0x2032: // prime
    case 0x2035: // reversed prime
        return QStringLiteral("'");
    case 0x201F: // reversed double quotation mark
    case 0x2033: // double prime
    case 0x2036: // reversed double prime
        return QStringLiteral("\"");
    case 0x2044: // fraction slash
    case 0x2215: // division slash
        return QStringLiteral("/");
    default:
        return {};
    }
}

bool isShowable(const QString &text)
{
    return !text.isEmpty() && win1252::canEncode(text);
}

// The character's form in Windows-1252: itself, a dash or quote from the table above, or its
// Unicode compatibility form (fullwidth letters, ligatures, non-breaking hyphen, one dot leader),
// its own fraction slash mapped too. Empty when there is none.
QString readableForm(char32_t code)
{
    const QString character = QString::fromUcs4(&code, 1);
    if (win1252::byteFor(code) >= 0)
        return character;
    if (const QString dash = readableDash(code); !dash.isEmpty())
        return dash;
    QString compatible;
    for (char32_t part : character.normalized(QString::NormalizationForm_KC).toUcs4()) {
        const QString dash = readableDash(part);
        compatible += dash.isEmpty() ? QString::fromUcs4(&part, 1) : dash;
    }
    return compatible != character && isShowable(compatible) ? compatible : QString();
}

// The field's text as players can show it, white space runs collapsed; or why it cannot be.
std::variant<QString, CapRefusal> showable(const QString &text, const QString &field)
{
    QString shown;
    // Composed first, so that "e" and a combining accent become the "é" the code page holds.
    for (char32_t code : text.normalized(QString::NormalizationForm_C).toUcs4()) {
        const auto category = QChar::category(code);
        if (category == QChar::Other_Control || QChar::isSpace(code)) {
            shown += u' ';
        } else if (category == QChar::Other_Format) {
            continue; // soft hyphens, zero-width spaces and joiners, direction marks: nothing to see
        } else if (const QString readable = readableForm(code); !readable.isEmpty()) {
            shown += readable;
        } else {
            const QString number = QString::number(uint(code), 16).toUpper().rightJustified(4, u'0');
            return CapRefusal{QStringLiteral("the %1 holds \"%2\" (U+%3), which players cannot show")
                                  .arg(field, QString::fromUcs4(&code, 1), number)};
        }
    }
    return shown.simplified();
}

// Whether a sentence ends here, past closing quotes and brackets.
bool endsSentence(const QString &text)
{
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\'' || c == u')' || c == u']' || c == u'\u201D' || c == u'\u2019')
            continue;
        return c == u'.' || c == u'!' || c == u'?' || c == u':' || c == u';' || c == u'\u2026';
    }
    return false;
}

} // namespace

std::variant<QString, CapRefusal> crawlText(const CapInfo &info)
{
    const bool headlined = !info.headline.trimmed().isEmpty();
    const QList<std::pair<QString, QString>> fields{
        {headlined ? QStringLiteral("headline") : QStringLiteral("event"), headlined ? info.headline : info.event},
        {QStringLiteral("description"), info.description},
        {QStringLiteral("instruction"), info.instruction}};
    QStringList parts;
    for (const auto &[field, text] : fields) {
        const auto shown = showable(text, field);
        if (const auto *refusal = std::get_if<CapRefusal>(&shown))
            return *refusal;
        parts.append(std::get<QString>(shown));
    }
    const QString &head = parts[0];
    QString body;
    for (const QString &part : {parts[1], parts[2]}) {
        if (part.isEmpty())
            continue;
        if (!body.isEmpty())
            body += endsSentence(body) ? QStringLiteral(" ") : QStringLiteral(". ");
        body += part;
    }
    if (head.isEmpty() && body.isEmpty())
        return CapRefusal{QStringLiteral("the info holds no headline, event, description or instruction to show")};
    if (head.isEmpty() || body.isEmpty())
        return head + body;
    return head + (endsSentence(head) ? QStringLiteral(" ") : QStringLiteral(": ")) + body;
}

} // namespace qvic
