#include "compose/RtfReader.h"

#include "compose/RtfCharacters.h"
#include "platform/Win1252.h"

#include <QColor>
#include <QFont>
#include <QStringDecoder>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qvic {
namespace {

// Windows' number for the symbol "code page" of \fcharset2 fonts.
constexpr int kSymbolCodePage = 42;
constexpr int kDefaultHalfPoints = 24;
// \fs counts half points; RTF allows at most 1638 points.
constexpr int kMaxHalfPoints = 3276;

constexpr int kUtf8CodePage = 65001;
// A character format property that holds the font family's name as a plain string (see build).
constexpr int kFamilyKey = QTextFormat::UserProperty + 1;

int codePageForCharset(int charset, int documentCodePage)
{
    switch (charset) {
    // In a UTF-8 document, the "ANSI" bytes of a Western font are UTF-8 as well.
    case 0: return documentCodePage == kUtf8CodePage ? kUtf8CodePage : 1252;
    case 2: return kSymbolCodePage;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return documentCodePage; // 1 (the default charset) and anything unknown
    }
}

QByteArray codePageName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 932: return "windows-31j";
    case 10000: return "macintosh";
    case kUtf8CodePage: return "UTF-8";
    default: break;
    }
    if ((codePage >= 1250 && codePage <= 1258) || codePage == 874 || codePage == 936
        || codePage == 949 || codePage == 950)
        return "windows-" + QByteArray::number(codePage);
    return "cp" + QByteArray::number(codePage);
}

// The symbol font puts Greek letters and mathematical signs where Latin letters are; map the
// common ones so text in it stays readable in other fonts. The rest reads as Windows-1252.
char16_t symbolCharacter(unsigned char b)
{
    static constexpr std::string_view kLatin = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    static constexpr std::array<char16_t, 52> kGreek = {
        0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A,
        0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2,
        0x03A9, 0x039E, 0x03A8, 0x0396, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
        0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1,
        0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
    if (const auto at = kLatin.find(char(b)); at != std::string_view::npos)
        return kGreek[at];
    switch (b) {
    case 0xA3: return 0x2264;
    case 0xA5: return 0x221E;
    case 0xA7: return 0x2663;
    case 0xA8: return 0x2666;
    case 0xA9: return 0x2665;
    case 0xAA: return 0x2660;
    case 0xAB: return 0x2194;
    case 0xAC: return 0x2190;
    case 0xAD: return 0x2191;
    case 0xAE: return 0x2192;
    case 0xAF: return 0x2193;
    case 0xB0: return 0x00B0;
    case 0xB1: return 0x00B1;
    case 0xB3: return 0x2265;
    case 0xB4: return 0x00D7;
    case 0xB7: return 0x2022;
    case 0xB8: return 0x00F7;
    case 0xB9: return 0x2260;
    case 0xBA: return 0x2261;
    case 0xBB: return 0x2248;
    case 0xBC: return 0x2026;
    case 0xD6: return 0x221A;
    case 0xE5: return 0x2211;
    default: return 0;
    }
}

class ByteDecoder
{
public:
    ByteDecoder()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString decoded = win1252::decode(all);
        for (int b = 0; b < 256; ++b)
            m_win1252[b] = decoded.at(b).unicode();
    }

    void decode(int codePage, const QByteArray &bytes, QString &out)
    {
        if (codePage != 1252) {
            if (codePage == kSymbolCodePage) {
                for (char c : bytes) {
                    const char16_t symbol = symbolCharacter(static_cast<unsigned char>(c));
                    out.append(QChar(symbol ? symbol : m_win1252[static_cast<unsigned char>(c)]));
                }
                return;
            }
            if (QStringDecoder *decoder = decoderFor(codePage)) {
                decoder->resetState();
                out.append(QString(decoder->decode(bytes)));
                return;
            }
        }
        for (char c : bytes)
            out.append(QChar(m_win1252[static_cast<unsigned char>(c)]));
    }

private:
    QStringDecoder *decoderFor(int codePage)
    {
        auto found = m_decoders.find(codePage);
        if (found != m_decoders.end())
            return found->second.get();
        // A file naming many code pages gets 1252 for the rest rather than unbounded converters.
        if (m_decoders.size() >= 16)
            return nullptr;
        auto decoder = std::make_unique<QStringDecoder>(codePageName(codePage).constData());
        if (!decoder->isValid())
            decoder.reset();
        return m_decoders.emplace(codePage, std::move(decoder)).first->second.get();
    }

    std::array<char16_t, 256> m_win1252 {};
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;
};

enum class Keyword : quint8 {
    Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont, FontTable, ColourTable, SkippedDestination,
    Font, FontCharset, FontCodePage, FontSize, Colour, Plain, Bold, Italic, Underline, NoUnderline,
    Hidden, Red, Green, Blue, Par, SoftPar, Character, Unicode, UnicodeSkip, Binary, Upr, Ud,
    DoubleByte, OtherCharacters, AssociatedFont, AssociatedFontSize,
};

struct KeywordEntry
{
    Keyword keyword;
    char16_t character = 0;
};

const std::unordered_map<std::string_view, KeywordEntry> &keywords()
{
    static const std::unordered_map<std::string_view, KeywordEntry> table = [] {
        std::unordered_map<std::string_view, KeywordEntry> t = {
            {"ansi", {Keyword::Ansi}}, {"mac", {Keyword::Mac}}, {"pc", {Keyword::Pc}},
            {"pca", {Keyword::Pca}}, {"ansicpg", {Keyword::AnsiCodePage}},
            {"deff", {Keyword::DefaultFont}}, {"fonttbl", {Keyword::FontTable}},
            {"colortbl", {Keyword::ColourTable}}, {"f", {Keyword::Font}},
            {"fcharset", {Keyword::FontCharset}}, {"cpg", {Keyword::FontCodePage}},
            {"fs", {Keyword::FontSize}}, {"cf", {Keyword::Colour}}, {"plain", {Keyword::Plain}},
            {"b", {Keyword::Bold}}, {"i", {Keyword::Italic}}, {"ul", {Keyword::Underline}},
            {"ulnone", {Keyword::NoUnderline}}, {"v", {Keyword::Hidden}},
            {"red", {Keyword::Red}}, {"green", {Keyword::Green}}, {"blue", {Keyword::Blue}},
            {"par", {Keyword::Par}}, {"row", {Keyword::Par}}, {"nestrow", {Keyword::Par}},
            {"sect", {Keyword::SoftPar}}, {"page", {Keyword::SoftPar}},
            {"line", {Keyword::Character, 0x2028}}, {"tab", {Keyword::Character, u'\t'}},
            {"cell", {Keyword::Character, u'\t'}}, {"nestcell", {Keyword::Character, u'\t'}},
            {"lquote", {Keyword::Character, 0x2018}}, {"rquote", {Keyword::Character, 0x2019}},
            {"ldblquote", {Keyword::Character, 0x201C}},
            {"rdblquote", {Keyword::Character, 0x201D}},
            {"bullet", {Keyword::Character, 0x2022}}, {"endash", {Keyword::Character, 0x2013}},
            {"emdash", {Keyword::Character, 0x2014}}, {"enspace", {Keyword::Character, 0x2002}},
            {"emspace", {Keyword::Character, 0x2003}}, {"qmspace", {Keyword::Character, 0x2005}},
            {"u", {Keyword::Unicode}}, {"uc", {Keyword::UnicodeSkip}}, {"bin", {Keyword::Binary}},
            {"upr", {Keyword::Upr}}, {"ud", {Keyword::Ud}},
            {"dbch", {Keyword::DoubleByte}}, {"loch", {Keyword::OtherCharacters}},
            {"hich", {Keyword::OtherCharacters}}, {"rtlch", {Keyword::OtherCharacters}},
            {"ltrch", {Keyword::OtherCharacters}}, {"af", {Keyword::AssociatedFont}},
            {"afs", {Keyword::AssociatedFontSize}},
        };
        // Every underline style is an underline to us.
        for (std::string_view ul : {"uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                                    "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd",
                                    "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(ul, KeywordEntry {Keyword::Underline});
        // Destinations whose text is not part of the crawl, also when a writer omits the \*.
        for (std::string_view skipped :
             {"annotation", "atnauthor", "atnid", "author", "bkmkend", "bkmkstart", "buptim",
              "colorschememapping", "comment", "creatim", "datastore", "doccomm", "falt",
              "fldinst", "filetbl", "fname", "footer", "footerf", "footerl", "footerr",
              "footnote", "ftncn", "ftnsep", "ftnsepc", "aftncn", "aftnsep", "aftnsepc",
              "generator", "header", "headerf", "headerl", "headerr", "info", "keywords",
              "latentstyles", "listoverridetable", "listtable", "nonshppict", "object", "objdata",
              "operator", "panose", "pgdsctbl", "pict", "pn", "printim", "private", "revtbl",
              "revtim", "rsidtbl", "shp", "shppict", "stylesheet", "subject", "tc", "template",
              "themedata", "title", "txe", "xe", "xmlnstbl"})
            t.emplace(skipped, KeywordEntry {Keyword::SkippedDestination});
        return t;
    }();
    return table;
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

enum class Destination : quint8 { Text, FontTable, ColourTable, Upr };

struct Group
{
    CharProps props;
    int unicodeSkip = 1;
    Destination destination = Destination::Text;
    Destination outsideUpr = Destination::Text;
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

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser
{
public:
    explicit Parser(const QByteArray &rtf)
        : m_p(rtf.constData()), m_end(rtf.constData() + rtf.size())
    {
    }

    bool parse(QString *error);
    void build(QTextDocument &doc, const QColor &automaticColour) const;

private:
    Group &group() { return m_groups.back(); }
    bool openGroup();
    void closeGroup();
    void popGroup();
    void skipGroup();
    void text();
    void control();
    void controlSymbol();
    void keyword(std::string_view name, bool hasParam, int param);
    void addBytes(const char *bytes, qsizetype count);
    void flushBytes();
    void appendCharacter(char16_t c);
    void appendText(QStringView text);
    void addRun(qsizetype start, qsizetype length, int format);
    void paragraphEnd();
    int formatIndex(bool eastAsian = false);
    int codePageOfFont(int font) const;
    void commitFont();
    void repairSurrogates();

    const char *m_p;
    const char *m_end;
    bool m_done = false;
    bool m_starPending = false;
    int m_skipCount = 0; // characters still to drop after \uN
    std::vector<Group> m_groups;
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

    QByteArray m_pending; // text bytes not yet decoded
    ByteDecoder m_decoder;

    QString m_text;
    std::vector<Segment> m_segments;
    std::vector<RunFormat> m_formats;
    std::unordered_map<RunFormat, int, RunFormatHash> m_formatIndex;
    bool m_paragraphHasText = false;
    int m_paragraphs = 0;
    QString m_tooMuch; // why the document was given up
};

bool Parser::parse(QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_end - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
        m_p += 3;
    while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\r' || *m_p == '\n'))
        ++m_p;
    if (m_end - m_p < 5 || std::memcmp(m_p, "{\\rtf", 5) != 0)
        return fail(QStringLiteral("It is not an RTF document (it does not begin with {\\rtf)."));

    while (m_p < m_end && !m_done) {
        switch (*m_p) {
        case '{':
            ++m_p;
            if (!openGroup())
                return fail(QStringLiteral("Its groups are nested more than %1 levels deep.")
                                .arg(RtfReader::maxGroupDepth));
            break;
        case '}':
            ++m_p;
            closeGroup();
            break;
        case '\\':
            ++m_p;
            control();
            break;
        case '\r':
        case '\n':
            ++m_p;
            break;
        default:
            text();
            break;
        }
    }
    // A truncated file keeps what was read up to its end.
    flushBytes();
    if (!m_tooMuch.isEmpty())
        return fail(m_tooMuch);
    repairSurrogates();
    return true;
}

bool Parser::openGroup()
{
    flushBytes();
    m_skipCount = 0;
    m_starPending = false;
    if (m_groups.size() >= std::size_t(RtfReader::maxGroupDepth))
        return false;
    m_groups.push_back(m_groups.empty() ? Group {} : m_groups.back());
    return true;
}

void Parser::closeGroup()
{
    flushBytes();
    m_skipCount = 0;
    m_starPending = false;
    if (group().destination == Destination::FontTable && m_groups.size() <= m_fontEntryDepth
        && !m_fontCommitted && !m_fontName.trimmed().isEmpty())
        commitFont(); // an entry without its closing ";"
    popGroup();
}

void Parser::popGroup()
{
    m_groups.pop_back();
    // The document ends with the group that began it; anything after it is not ours.
    if (m_groups.empty())
        m_done = true;
}

void Parser::skipGroup()
{
    m_starPending = false;
    int depth = 1;
    while (m_p < m_end) {
        const char c = *m_p++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) {
                popGroup();
                return;
            }
        } else if (c == '\\' && m_p < m_end) {
            if (!isLetter(*m_p)) {
                ++m_p; // \{ \} \\ and the other symbols
                continue;
            }
            const char *name = m_p;
            while (m_p < m_end && isLetter(*m_p))
                ++m_p;
            const bool binary = m_p - name == 3 && std::memcmp(name, "bin", 3) == 0;
            qint64 length = 0;
            const bool negative = m_p < m_end && *m_p == '-';
            if (negative)
                ++m_p;
            for (; m_p < m_end && isDigit(*m_p); ++m_p)
                length = std::min<qint64>(length * 10 + (*m_p - '0'), qint64(INT_MAX));
            if (m_p < m_end && *m_p == ' ')
                ++m_p;
            if (binary && !negative)
                m_p += std::min<qint64>(length, m_end - m_p);
        }
    }
    m_groups.clear(); // the file ended inside the skipped group
    m_done = true;
}

void Parser::text()
{
    const Group &g = group();
    if (m_skipCount > 0) {
        --m_skipCount;
        ++m_p;
        return;
    }
    switch (g.destination) {
    case Destination::Text: {
        const char *start = m_p;
        while (m_p < m_end && *m_p != '{' && *m_p != '}' && *m_p != '\\' && *m_p != '\r'
               && *m_p != '\n')
            ++m_p;
        addBytes(start, m_p - start);
        return;
    }
    case Destination::FontTable:
        if (*m_p == ';') {
            flushBytes();
            commitFont();
        } else {
            addBytes(m_p, 1);
        }
        break;
    case Destination::ColourTable:
        if (*m_p == ';') {
            m_colours.push_back(m_colourGiven ? std::optional<QRgb>(qRgb(m_red, m_green, m_blue))
                                              : std::nullopt);
            m_red = m_green = m_blue = 0;
            m_colourGiven = false;
        }
        break;
    case Destination::Upr:
        break;
    }
    ++m_p;
}

void Parser::control()
{
    if (m_p >= m_end)
        return;
    if (!isLetter(*m_p)) {
        controlSymbol();
        return;
    }
    const char *nameStart = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    const std::string_view name(nameStart, std::size_t(m_p - nameStart));
    bool negative = false;
    if (m_end - m_p >= 2 && *m_p == '-' && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    bool hasParam = false;
    qint64 value = 0;
    for (; m_p < m_end && isDigit(*m_p); ++m_p) {
        hasParam = true;
        value = std::min<qint64>(value * 10 + (*m_p - '0'), qint64(INT_MAX) + 1);
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
    const int param = int(std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX));

    if (m_skipCount > 0) {
        --m_skipCount;
        if (name == "bin" && hasParam && param > 0)
            m_p += std::min<qint64>(param, m_end - m_p);
        return;
    }
    keyword(name, hasParam, param);
}

void Parser::controlSymbol()
{
    const char c = *m_p++;
    if (c == '\'') {
        int value = 0;
        int digits = 0;
        for (; digits < 2 && m_p < m_end && hexValue(*m_p) >= 0; ++digits, ++m_p)
            value = value * 16 + hexValue(*m_p);
        if (digits < 2)
            value = -1; // a cut-off escape stands for nothing
        if (m_skipCount > 0) {
            --m_skipCount;
            return;
        }
        if (value >= 0 && (group().destination == Destination::Text
                           || group().destination == Destination::FontTable)) {
            const char byte = char(value);
            addBytes(&byte, 1);
        }
        return;
    }
    if (m_skipCount > 0) {
        --m_skipCount;
        return;
    }
    switch (c) {
    case '*':
        m_starPending = true;
        return;
    case '\\':
    case '{':
    case '}':
        if (group().destination == Destination::Text
            || group().destination == Destination::FontTable)
            addBytes(&c, 1);
        return;
    case '~':
        appendCharacter(0x00A0);
        return;
    case '_':
        appendCharacter(0x2011);
        return;
    case '\r':
    case '\n':
        paragraphEnd();
        return;
    case '\t':
        appendCharacter(u'\t');
        return;
    default: // \- optional hyphen, \: \| and unknown symbols
        return;
    }
}

void Parser::keyword(std::string_view name, bool hasParam, int param)
{
    flushBytes();
    const auto &table = keywords();
    const auto found = table.find(name);
    const bool starred = m_starPending;
    m_starPending = false;
    if (found == table.end()) {
        if (starred)
            skipGroup(); // an optional destination we do not know
        return;
    }
    const KeywordEntry entry = found->second;
    if (starred && entry.keyword != Keyword::Ud) {
        skipGroup();
        return;
    }
    Group &g = group();
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
        g.destination = Destination::FontTable;
        m_fontCommitted = true;
        m_fontName.clear();
        break;
    case Keyword::ColourTable:
        g.destination = Destination::ColourTable;
        m_red = m_green = m_blue = 0;
        m_colourGiven = false;
        break;
    case Keyword::SkippedDestination: skipGroup(); break;
    case Keyword::Font:
        if (g.destination == Destination::FontTable) {
            if (!m_fontCommitted && !m_fontName.trimmed().isEmpty())
                commitFont();
            m_fontNumber = param;
            m_fontCharset = -1;
            m_fontCodePage = 0;
            m_fontName.clear();
            m_fontCommitted = false;
            m_fontEntryDepth = m_groups.size();
        } else if (g.destination == Destination::Text) {
            g.props.font = param;
        }
        break;
    case Keyword::FontCharset:
        if (g.destination == Destination::FontTable)
            m_fontCharset = param;
        break;
    case Keyword::FontCodePage:
        if (g.destination == Destination::FontTable && param > 0)
            m_fontCodePage = param;
        break;
    case Keyword::FontSize:
        g.props.halfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
        break;
    case Keyword::Colour: g.props.colour = hasParam ? std::max(param, -1) : 0; break;
    case Keyword::Plain: g.props = CharProps {}; break;
    case Keyword::Bold: g.props.bold = on; break;
    case Keyword::Italic: g.props.italic = on; break;
    case Keyword::Underline: g.props.underline = on; break;
    case Keyword::NoUnderline: g.props.underline = false; break;
    case Keyword::Hidden: g.props.hidden = on; break;
    case Keyword::Red:
    case Keyword::Green:
    case Keyword::Blue:
        if (g.destination == Destination::ColourTable) {
            const int component = std::clamp(param, 0, 255);
            (entry.keyword == Keyword::Red     ? m_red
             : entry.keyword == Keyword::Green ? m_green
                                               : m_blue) = component;
            m_colourGiven = true;
        }
        break;
    case Keyword::Par: paragraphEnd(); break;
    case Keyword::SoftPar:
        if (m_paragraphHasText)
            paragraphEnd();
        break;
    case Keyword::Character: appendCharacter(entry.character); break;
    case Keyword::Unicode:
        // Negative values are how writers put code units above 32767 into 16-bit numbers.
        if (param >= -32768 && param <= 65535)
            appendCharacter(char16_t(param < 0 ? param + 65536 : param));
        m_skipCount = g.unicodeSkip;
        break;
    case Keyword::UnicodeSkip: g.unicodeSkip = std::clamp(param, 0, 255); break;
    case Keyword::Binary:
        if (param > 0)
            m_p += std::min<qint64>(param, m_end - m_p);
        break;
    case Keyword::Upr:
        g.outsideUpr = g.destination;
        g.destination = Destination::Upr;
        break;
    case Keyword::Ud:
        if (g.destination == Destination::Upr)
            g.destination = g.outsideUpr;
        break;
    case Keyword::DoubleByte: g.props.doubleByte = true; break;
    case Keyword::OtherCharacters: g.props.doubleByte = false; break;
    // Associated fonts and sizes of other kinds of characters (right-to-left scripts, the
    // high-ANSI range) are the run's own in practice; only the East Asian ones differ.
    case Keyword::AssociatedFont:
        if (g.props.doubleByte)
            g.props.asianFont = param;
        break;
    case Keyword::AssociatedFontSize:
        if (g.props.doubleByte)
            g.props.asianHalfPoints = param > 0 ? std::min(param, kMaxHalfPoints) : 0;
        break;
    }
}

void Parser::addBytes(const char *bytes, qsizetype count)
{
    m_pending.append(bytes, count);
}

int Parser::codePageOfFont(int font) const
{
    const auto found = m_fonts.find(font);
    return found != m_fonts.end() && found->second.codePage ? found->second.codePage
                                                            : m_documentCodePage;
}

void Parser::flushBytes()
{
    if (m_pending.isEmpty())
        return;
    if (m_groups.empty()) {
        m_pending.clear();
        return;
    }
    if (group().destination == Destination::FontTable) {
        const int codePage = m_fontCodePage ? m_fontCodePage
                                            : codePageForCharset(m_fontCharset, m_documentCodePage);
        // A symbol font's own name is in ordinary letters.
        m_decoder.decode(codePage == kSymbolCodePage ? 1252 : codePage, m_pending, m_fontName);
    } else {
        const CharProps &p = group().props;
        const int font = p.doubleByte && p.asianFont >= 0 ? p.asianFont
                         : p.font >= 0                     ? p.font
                                                           : m_defaultFont;
        QString decoded;
        m_decoder.decode(codePageOfFont(font), m_pending, decoded);
        appendText(decoded);
    }
    m_pending.clear();
}

void Parser::appendCharacter(char16_t c)
{
    flushBytes();
    if (group().destination == Destination::Text)
        appendText(QStringView(&c, 1));
    else if (group().destination == Destination::FontTable)
        m_fontName.append(QChar(c));
}

void Parser::appendText(QStringView text)
{
    if (group().props.hidden)
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
    const CharProps &p = group().props;
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

void Parser::addRun(qsizetype start, qsizetype length, int format)
{
    if (!m_segments.empty() && !m_segments.back().paragraphEnd
        && m_segments.back().format == format)
        m_segments.back().length += length;
    else
        m_segments.push_back({start, length, format, false});
    m_paragraphHasText = true;
    if (m_segments.size() > std::size_t(RtfReader::maxRuns)) {
        m_tooMuch = QStringLiteral("It has more than %1 formatting runs.").arg(RtfReader::maxRuns);
        m_done = true;
    }
}

void Parser::paragraphEnd()
{
    flushBytes();
    if (group().destination != Destination::Text || group().props.hidden)
        return;
    m_segments.push_back({m_text.size(), 0, formatIndex(), true});
    m_paragraphHasText = false;
    if (++m_paragraphs > RtfReader::maxParagraphs) {
        m_tooMuch = QStringLiteral("It has more than %1 paragraphs.").arg(RtfReader::maxParagraphs);
        m_done = true;
    }
}

int Parser::formatIndex(bool eastAsian)
{
    const CharProps &p = group().props;
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

void Parser::commitFont()
{
    const int codePage = m_fontCodePage ? m_fontCodePage
                         : m_fontCharset >= 0 ? codePageForCharset(m_fontCharset, m_documentCodePage)
                                              : 0;
    m_fonts[m_fontNumber] = FontEntry {m_fontName.trimmed(), codePage};
    m_fontName.clear();
    m_fontCommitted = true;
}

void Parser::repairSurrogates()
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

void Parser::build(QTextDocument &doc, const QColor &automaticColour) const
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
    Parser parser(rtf);
    if (!parser.parse(error))
        return false;
    parser.build(doc, automaticColour);
    return true;
}

} // namespace qvic
