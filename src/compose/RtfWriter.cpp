#include "compose/RtfWriter.h"

#include "compose/RtfCharacters.h"
#include "platform/Win1252.h"

#include <QFont>
#include <QHash>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace qvic {
namespace {

constexpr int kMaxHalfPoints = 3276;

// How a run looks, in the terms RTF can say.
struct Look
{
    QString family;
    int halfPoints = 24;
    std::optional<QRgb> colour; // none: the reader's automatic colour
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

QString cleanFamily(const QString &family)
{
    QString clean;
    clean.reserve(family.size());
    for (QChar c : family)
        if (rtf::keepsCharacter(c.unicode()))
            clean.append(c);
    return clean.trimmed();
}

Look lookOf(const QTextCharFormat &format, const QFont &defaultFont)
{
    Look look;
    QStringList families;
    if (format.hasProperty(QTextFormat::FontFamilies))
        families = format.property(QTextFormat::FontFamilies).toStringList();
    if (families.isEmpty() && format.hasProperty(QTextFormat::FontFamily))
        families << format.stringProperty(QTextFormat::FontFamily);
    look.family = families.isEmpty() ? QString() : cleanFamily(families.first());
    if (look.family.isEmpty())
        look.family = cleanFamily(defaultFont.family());
    if (look.family.isEmpty())
        look.family = QStringLiteral("Times New Roman");

    double points = format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                                    : defaultFont.pointSizeF();
    if (!(points > 0)) // also NaN
        points = 12;
    look.halfPoints = int(std::lround(std::min(points * 2, double(kMaxHalfPoints))));
    look.halfPoints = std::clamp(look.halfPoints, 1, kMaxHalfPoints);

    const QBrush foreground = format.foreground();
    if (foreground.style() != Qt::NoBrush)
        look.colour = foreground.color().rgb() & 0xFFFFFFu;

    look.bold = (format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight()
                                                              : defaultFont.weight())
                >= QFont::DemiBold;
    look.italic = format.hasProperty(QTextFormat::FontItalic) ? format.fontItalic()
                                                               : defaultFont.italic();
    if (format.hasProperty(QTextFormat::TextUnderlineStyle))
        look.underline = format.underlineStyle() != QTextCharFormat::NoUnderline;
    else if (format.hasProperty(QTextFormat::FontUnderline))
        look.underline = format.boolProperty(QTextFormat::FontUnderline);
    else
        look.underline = defaultFont.underline();
    return look;
}

class Writer
{
public:
    explicit Writer(const QTextDocument &doc) : m_doc(doc), m_defaultFont(doc.defaultFont()) {}
    QByteArray write();

private:
    const Look &lookOfFragment(const QTextFragment &fragment);
    void switchTo(const Look &look);
    void appendText(QByteArray &out, QStringView text) const;
    int fontIndex(const QString &family);
    int colourIndex(QRgb colour);

    const QTextDocument &m_doc;
    const QFont m_defaultFont;
    QHash<int, Look> m_looks; // by the document's format index
    QList<QString> m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colours;
    QHash<QRgb, int> m_colourIndex;
    QByteArray m_body;
    std::optional<Look> m_current;
    bool m_wordPending = false; // a control word waits for its delimiter
};

int Writer::fontIndex(const QString &family)
{
    const auto found = m_fontIndex.constFind(family);
    if (found != m_fontIndex.constEnd())
        return *found;
    m_fonts.append(family);
    return *m_fontIndex.insert(family, int(m_fonts.size()) - 1);
}

int Writer::colourIndex(QRgb colour)
{
    const auto found = m_colourIndex.constFind(colour);
    if (found != m_colourIndex.constEnd())
        return *found;
    m_colours.append(colour);
    return *m_colourIndex.insert(colour, int(m_colours.size())); // 0 is the automatic colour
}

const Look &Writer::lookOfFragment(const QTextFragment &fragment)
{
    const int index = fragment.charFormatIndex();
    auto found = m_looks.find(index);
    if (found == m_looks.end())
        found = m_looks.insert(index, lookOf(fragment.charFormat(), m_defaultFont));
    return *found;
}

void Writer::switchTo(const Look &look)
{
    const auto word = [this](const char *name, qint64 value = -1) {
        m_body.append(name);
        if (value >= 0)
            m_body.append(QByteArray::number(value));
        m_wordPending = true;
    };
    const bool first = !m_current;
    const Look &was = first ? look : *m_current;
    if (first || was.family != look.family)
        word("\\f", fontIndex(look.family));
    if (first || was.halfPoints != look.halfPoints)
        word("\\fs", look.halfPoints);
    if (first ? look.colour.has_value() : was.colour != look.colour)
        word("\\cf", look.colour ? colourIndex(*look.colour) : 0);
    if (first ? look.bold : was.bold != look.bold)
        word(look.bold ? "\\b" : "\\b0");
    if (first ? look.italic : was.italic != look.italic)
        word(look.italic ? "\\i" : "\\i0");
    if (first ? look.underline : was.underline != look.underline)
        word(look.underline ? "\\ul" : "\\ulnone");
    m_current = look;
}

void Writer::appendText(QByteArray &out, QStringView text) const
{
    static constexpr char kHex[] = "0123456789abcdef";
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (!rtf::keepsCharacter(c))
            continue;
        if (c == u'\t') {
            out.append("\\tab ");
        } else if (c == 0x2028) {
            out.append("\\line ");
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out.append('\\');
            out.append(char(c));
        } else if (c < 0x80) {
            out.append(char(c));
        } else if (const int b = win1252::byteFor(c); b >= 0) {
            const char escape[] = {'\\', '\'', kHex[b >> 4], kHex[b & 15]};
            out.append(escape, 4);
        } else {
            // \uN takes a signed 16-bit number; \uc1 in the header makes readers that know it
            // skip the "?" that older readers show instead. The "?" goes as an escape, which
            // every reader counts as one character: some skip a plain "?" wrongly.
            out.append("\\u");
            out.append(QByteArray::number(int(qint16(c))));
            out.append("\\'3f");
        }
    }
}

QByteArray Writer::write()
{
    m_body.reserve(m_doc.characterCount() * 2 + 64);
    QByteArray run;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        bool empty = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            run.clear();
            appendText(run, fragment.text());
            if (run.isEmpty())
                continue;
            switchTo(lookOfFragment(fragment));
            if (m_wordPending)
                m_body.append(' ');
            m_wordPending = false;
            m_body.append(run);
            empty = false;
        }
        // The mark of an empty paragraph carries its look, which sets the height of its line.
        if (empty)
            switchTo(lookOf(block.charFormat(), m_defaultFont));
        m_body.append("\\par\n");
        m_wordPending = false;
    }

    QByteArray rtf("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl");
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        rtf.append("{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ");
        QByteArray name;
        appendText(name, m_fonts.at(i));
        // A ";" ends the name, so one inside the name goes escaped.
        rtf.append(name.replace(';', "\\'3b"));
        rtf.append(";}");
    }
    rtf.append("}\n{\\colortbl;");
    for (QRgb colour : m_colours)
        rtf.append("\\red" + QByteArray::number(qRed(colour)) + "\\green"
                   + QByteArray::number(qGreen(colour)) + "\\blue"
                   + QByteArray::number(qBlue(colour)) + ';');
    rtf.append("}\n\\pard");
    rtf.append(m_body);
    rtf.append("}\n");
    return rtf;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument &doc)
{
    return Writer(doc).write();
}

} // namespace qvic
