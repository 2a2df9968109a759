#include "compose/RtfReader.h"

#include "compose/RtfCharacters.h"
#include "compose/RtfKeywords.h"
#include "compose/RtfTokenizer.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qvic {
namespace {

using rtf::Destination;
using rtf::Keyword;

constexpr int kDefaultHalfPoints = 24;
// \fs counts half points; RTF allows at most 1638 points.
constexpr int kMaxHalfPoints = 3276;
// A character format property that holds the font family's name as a plain string (see build).
constexpr int kFamilyKey = QTextFormat::UserProperty + 1;

// The code page of a font's \fcharset in a document whose own code page is documentCodePage.
int codePageForCharset(int charset, int documentCodePage)
{
    // In a UTF-8 document, the "ANSI" bytes of a Western font are UTF-8 as well.
    if (charset == 0)
        return documentCodePage == rtf::kUtf8CodePage ? rtf::kUtf8CodePage : 1252;
    static constexpr std::pair<int, int> kCodePages[] = {
        {2, rtf::kSymbolCodePage}, {77, 10000}, {128, 932}, {129, 949}, {134, 936}, {136, 950},
        {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
        {204, 1251}, {222, 874}, {238, 1250}, {254, 437}, {255, 850}};
    for (const auto &[set, codePage] : kCodePages)
        if (set == charset)
            return codePage;
    return documentCodePage; // 1 (the default charset) and anything unknown
}

struct CharProps
{
    int font = -1; // -1: the document's default font
    int halfPoints = kDefaultHalfPoints;
    int colour = -1; // index into the colour table; -1: the automatic colour
    // East Asian characters in their own font and size (\dbch\af, \dbch\afs); -1 and 0: as the rest.
    int asianFont = -1;
    int asianHalfPoints = 0;
    bool doubleByte = false; // \dbch is the last word that said which characters follow
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hidden = false;
};

// Characters that take a run's East Asian font: CJK ideographs and their punctuation, kana,
// hangul, Yi and the full-width forms. Surrogates never count, so a pair is never split.
constexpr bool isEastAsian(char16_t c)
{
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xA960 && c <= 0xA97F)
           || (c >= 0xAC00 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
           || (c >= 0xFF00 && c <= 0xFFEF);
}

// What a run of text finally looks like, with the default font and the colour index resolved.
struct RunFormat
{
    int font;
    int halfPoints;
    QRgb colour;
    bool hasColour;
    bool bold;
    bool italic;
    bool underline;
    bool operator==(const RunFormat &) const = default;
};

struct RunFormatHash
{
    size_t operator()(const RunFormat &f) const noexcept
    {
        size_t h = std::hash<int>()(f.font);
        h = h * 31 + size_t(f.halfPoints);
        h = h * 31 + size_t(f.colour);
        return h * 16 + (f.hasColour ? 8 : 0) + (f.bold ? 4 : 0) + (f.italic ? 2 : 0)
               + (f.underline ? 1 : 0);
    }
};

// Text runs and paragraph ends in document order; the text lives in one string.
struct Segment
{
    qsizetype start;
    qsizetype length; // 0 for a paragraph end
    int format;
    bool paragraphEnd;
};

struct FontEntry
{
    QString name;
    int codePage = 0; // 0: the document's code page
};

// Builds the document from the tokenizer's events: the font and colour tables, the character
// formats of each group, and the text as runs and paragraph ends.
class DocumentBuilder final : public rtf::TokenHandler
{
public:
    void groupOpened() override { m_groups.push_back(m_groups.empty() ? CharProps {} : m_groups.back()); }
    void groupClosed(Destination destination, bool skipped) override;
    Destination keyword(std::string_view name, bool hasParam, int param,
                        Destination destination) override;
    void text(QStringView text, Destination destination) override;
    void entryEnd(Destination destination) override;
    int codePage(Destination destination) const override;
    bool full() const override { return !m_tooMuch.isEmpty(); }

    // After the last event: false, saying why, when the document was given up.
    bool finish(QString *error);
    void build(QTextDocument &doc, const QColor &automaticColour) const;

private:
    CharProps &props() { return m_groups.back(); }
    const CharProps &props() const { return m_groups.back(); }
    void appendText(QStringView text);
    void addRun(qsizetype start, qsizetype length, int format);
    void paragraphEnd(Destination destination);
    int formatIndex(bool eastAsian = false);
    int codePageOfFont(int font) const;
    void commitFont();
    void repairSurrogates();

    std::vector<CharProps> m_groups; // the character formats of the open groups, innermost last
    int m_documentCodePage = 1252;
    int m_defaultFont = 0;

    std::map<int, FontEntry> m_fonts;
    int m_fontNumber = 0;
    int m_fontCharset = -1;
    int m_fontCodePage = 0;
    std::size_t m_fontEntryDepth = 0;
    bool m_fontCommitted = true;
    QString m_fontName;

    std::vector<std::optional<QRgb>> m_colours;
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourGiven = false;

    QString m_text;
    std::vector<Segment> m_segments;
    std::vector<RunFormat> m_formats;
    std::unordered_map<RunFormat, int, RunFormatHash> m_formatIndex;
    bool m_paragraphHasText = false;
    int m_paragraphs = 0;
    QString m_tooMuch; // why the document was given up
};

void DocumentBuilder::groupClosed(Destination destination, bool skipped)
{
    if (!skipped && destination == Destination::FontTable && m_groups.size() <= m_fontEntryDepth
        && !m_fontCommitted && !m_fontName.trimmed().isEmpty())
        commitFont(); // an entry without its closing ";"
    m_groups.pop_back();
}

Destination DocumentBuilder::keyword(std::string_view name, bool hasParam, int param,
                                     Destination destination)
{
    const rtf::KeywordEntry *found = rtf::findKeyword(name);
    if (!found)
        return destination;
    const rtf::KeywordEntry entry = *found;
    CharProps &p = props();
    const bool on = !hasParam || param != 0;
    switch (entry.keyword) {
    case Keyword::Ansi: m_documentCodePage = 1252; break;
    case Keyword::Mac: m_documentCodePage = 10000; break;
    case Keyword::Pc: m_documentCodePage = 437; break;
    case Keyword::Pca: m_documentCodePage = 850; break;
    case Keyword::AnsiCodePage:
        if (param > 0)
            m_documentCodePage = param;
        break;
    case Keyword::DefaultFont: m_defaultFont = param; break;
    case Keyword::FontTable:
        m_fontCommitted = true;
        m_fontName.clear();
        return Destination::FontTable;
    case Keyword::ColourTable:
        m_red = m_green = m_blue = 0;
        m_colourGiven = false;
        return Destination::ColourTable;
    case Keyword::SkippedDestination: return Destination::Skipped;
    case Keyword::Font:
        if (destination == Destination::FontTable) {
            if (!m_fontCommitted && !m_fontName.trimmed().isEmpty())
                commitFont();
            m_fontNumber = param;
            m_fontCharset = -1;
            m_fontCodePage = 0;
            m_fontName.clear();
            m_fontCommitted = false;
            m_fontEntryDepth = m_groups.size();
        } else if (destination == Destination::Text) {
            p.font = param;
        }
        break;
    case Keyword::FontCharset:
        if (destination == Destination::FontTable)
            m_fontCharset = param;
        break;
    case Keyword::FontCodePage:
        if (destination == Destination::FontTable && param > 0)
            m_fontCodePage = param;
        break;
    case Keyword::FontSize:
        p.halfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
        break;
    case Keyword::Colour: p.colour = hasParam ? std::max(param, -1) : 0; break;
    case Keyword::Plain: p = CharProps {}; break;
    case Keyword::Bold: p.bold = on; break;
    case Keyword::Italic: p.italic = on; break;
    case Keyword::Underline: p.underline = on; break;
    case Keyword::NoUnderline: p.underline = false; break;
    case Keyword::Hidden: p.hidden = on; break;
    case Keyword::Red:
    case Keyword::Green:
    case Keyword::Blue:
        if (destination == Destination::ColourTable) {
            const int component = std::clamp(param, 0, 255);
            (entry.keyword == Keyword::Red     ? m_red
             : entry.keyword == Keyword::Green ? m_green
                                               : m_blue) = component;
            m_colourGiven = true;
        }
        break;
    case Keyword::Par: paragraphEnd(destination); break;
    case Keyword::SoftPar:
        if (m_paragraphHasText)
            paragraphEnd(destination);
        break;
    case Keyword::Character: text(QStringView(&entry.character, 1), destination); break;
    case Keyword::DoubleByte: p.doubleByte = true; break;
    case Keyword::OtherCharacters: p.doubleByte = false; break;
    // Associated fonts and sizes of other kinds of characters (right-to-left scripts, the
    // high-ANSI range) are the run's own in practice; only the East Asian ones differ.
    case Keyword::AssociatedFont:
        if (p.doubleByte)
            p.asianFont = param;
        break;
    case Keyword::AssociatedFontSize:
        if (p.doubleByte)
            p.asianHalfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : 0;
        break;
    }
    return destination;
}

void DocumentBuilder::text(QStringView text, Destination destination)
{
    if (destination == Destination::Text)
        appendText(text);
    else if (destination == Destination::FontTable)
        m_fontName.append(text);
}

void DocumentBuilder::entryEnd(Destination destination)
{
    if (destination == Destination::FontTable) {
        commitFont();
    } else {
        m_colours.push_back(m_colourGiven ? std::optional<QRgb>(qRgb(m_red, m_green, m_blue))
                                          : std::nullopt);
        m_red = m_green = m_blue = 0;
        m_colourGiven = false;
    }
}

int DocumentBuilder::codePageOfFont(int font) const
{
    const auto found = m_fonts.find(font);
    return found != m_fonts.end() && found->second.codePage ? found->second.codePage
                                                            : m_documentCodePage;
}

int DocumentBuilder::codePage(Destination destination) const
{
    if (destination == Destination::FontTable) {
        const int codePage = m_fontCodePage ? m_fontCodePage
                                            : codePageForCharset(m_fontCharset, m_documentCodePage);
        // A symbol font's own name is in ordinary letters.
        return codePage == rtf::kSymbolCodePage ? 1252 : codePage;
    }
    const CharProps &p = props();
    return codePageOfFont(p.doubleByte && p.asianFont >= 0 ? p.asianFont
                          : p.font >= 0                     ? p.font
                                                            : m_defaultFont);
}

void DocumentBuilder::appendText(QStringView text)
{
    if (props().hidden)
        return;
    const qsizetype before = m_text.size();
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return rtf::keepsCharacter(c.unicode()); })) {
        m_text.append(text);
    } else {
        for (QChar c : text)
            if (rtf::keepsCharacter(c.unicode()))
                m_text.append(c);
    }
    const qsizetype end = m_text.size();
    if (end == before)
        return;
    const CharProps &p = props();
    if (p.asianFont < 0 && p.asianHalfPoints == 0) {
        addRun(before, end - before, formatIndex());
        return;
    }
    // East Asian characters take their own font and size: the run splits where they begin and end.
    qsizetype start = before;
    for (qsizetype i = before + 1; i <= end; ++i) {
        const bool asian = isEastAsian(m_text.at(i - 1).unicode());
        if (i == end || isEastAsian(m_text.at(i).unicode()) != asian) {
            addRun(start, i - start, formatIndex(asian));
            start = i;
        }
    }
}

void DocumentBuilder::addRun(qsizetype start, qsizetype length, int format)
{
    if (!m_segments.empty() && !m_segments.back().paragraphEnd
        && m_segments.back().format == format)
        m_segments.back().length += length;
    else
        m_segments.push_back({start, length, format, false});
    m_paragraphHasText = true;
    if (m_segments.size() > std::size_t(RtfReader::maxRuns))
        m_tooMuch = QStringLiteral("It has more than %1 formatting runs.").arg(RtfReader::maxRuns);
}

void DocumentBuilder::paragraphEnd(Destination destination)
{
    if (destination != Destination::Text || props().hidden)
        return;
    m_segments.push_back({m_text.size(), 0, formatIndex(), true});
    m_paragraphHasText = false;
    if (++m_paragraphs > RtfReader::maxParagraphs)
        m_tooMuch = QStringLiteral("It has more than %1 paragraphs.").arg(RtfReader::maxParagraphs);
}

int DocumentBuilder::formatIndex(bool eastAsian)
{
    const CharProps &p = props();
    const int font = eastAsian && p.asianFont >= 0 ? p.asianFont : p.font >= 0 ? p.font : m_defaultFont;
    const int halfPoints = eastAsian && p.asianHalfPoints > 0 ? p.asianHalfPoints : p.halfPoints;
    RunFormat f {font, halfPoints, 0, false, p.bold, p.italic, p.underline};
    // \cf0 is the table's first colour; a writer that means "automatic" leaves that entry empty.
    if (p.colour >= 0 && std::size_t(p.colour) < m_colours.size() && m_colours[p.colour]) {
        f.colour = *m_colours[p.colour];
        f.hasColour = true;
    }
    const auto [at, added] = m_formatIndex.emplace(f, int(m_formats.size()));
    if (added)
        m_formats.push_back(f);
    return at->second;
}

void DocumentBuilder::commitFont()
{
    const int codePage = m_fontCodePage ? m_fontCodePage
                         : m_fontCharset >= 0 ? codePageForCharset(m_fontCharset, m_documentCodePage)
                                              : 0;
    m_fonts[m_fontNumber] = FontEntry {m_fontName.trimmed(), codePage};
    m_fontName.clear();
    m_fontCommitted = true;
}

bool DocumentBuilder::finish(QString *error)
{
    if (!m_tooMuch.isEmpty()) {
        if (error)
            *error = m_tooMuch;
        return false;
    }
    repairSurrogates();
    return true;
}

void DocumentBuilder::repairSurrogates()
{
    QChar *text = m_text.data();
    const qsizetype size = m_text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i].isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

void DocumentBuilder::build(QTextDocument &doc, const QColor &automaticColour) const
{
    // Qt files every format under a hash of its properties, and a list of font families adds
    // the same to every hash: formats that differ only in their font would share one bucket,
    // and each insertion would compare against all of them. The family's name as a string
    // property keeps them apart; one shared list per font keeps the comparisons short.
    std::map<int, QStringList> families;
    for (const auto &[number, font] : m_fonts)
        if (!font.name.isEmpty())
            families.emplace(number, QStringList {font.name});
    const auto toFormat = [&](const RunFormat &f) {
        QTextCharFormat format;
        if (const auto font = families.find(f.font); font != families.end()) {
            format.setFontFamilies(font->second);
            format.setProperty(kFamilyKey, font->second.first());
        }
        format.setFontPointSize(f.halfPoints / 2.0);
        if (f.hasColour)
            format.setForeground(QColor(f.colour));
        else if (automaticColour.isValid())
            format.setForeground(automaticColour);
        format.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(f.italic);
        format.setFontUnderline(f.underline);
        return format;
    };
    std::vector<QTextCharFormat> formats;
    formats.reserve(m_formats.size());
    for (const RunFormat &f : m_formats)
        formats.push_back(toFormat(f));

    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    // A document without text or paragraph marks still has the look of its defaults, which is
    // also how a save of it reads back.
    if (m_segments.empty())
        cursor.setBlockCharFormat(toFormat({m_defaultFont, kDefaultHalfPoints, 0, false, false, false, false}));
    bool blockEmpty = true;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const Segment &s = m_segments[i];
        if (!s.paragraphEnd) {
            cursor.insertText(m_text.mid(s.start, s.length), formats[s.format]);
            blockEmpty = false;
            continue;
        }
        // An empty paragraph keeps the look of its mark, so its line has the right height.
        if (blockEmpty)
            cursor.setBlockCharFormat(formats[s.format]);
        // The last paragraph mark ends the last paragraph; it does not begin another one.
        if (i + 1 < m_segments.size()) {
            cursor.insertBlock(QTextBlockFormat(), formats[s.format]);
            blockEmpty = true;
        }
    }
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(undo);
}

} // namespace

bool RtfReader::read(const QByteArray &rtf, QTextDocument &doc, QString *error,
                     const QColor &automaticColour)
{
    if (rtf.size() > maxDocumentBytes) {
        if (error)
            *error = QStringLiteral("It is larger than %1 MB.").arg(maxDocumentBytes / (1024 * 1024));
        return false;
    }
    DocumentBuilder builder;
    if (!rtf::tokenize(rtf, builder, error) || !builder.finish(error))
        return false;
    builder.build(doc, automaticColour);
    return true;
}

} // namespace qvic
