#include "compose/RtfTokenizer.h"

#include "compose/RtfReader.h"
#include "platform/Win1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace qvic::rtf {
namespace {

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
    static constexpr std::pair<unsigned char, char16_t> kSigns[] = {
        {0xA3, 0x2264}, {0xA5, 0x221E}, {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660},
        {0xAB, 0x2194}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0},
        {0xB1, 0x00B1}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260},
        {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xD6, 0x221A}, {0xE5, 0x2211}};
    for (const auto &[byte, sign] : kSigns)
        if (byte == b)
            return sign;
    return 0;
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

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    const char lower = char(c | 0x20);
    return isDigit(c) ? c - '0' : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Text goes on only from the destinations that keep it.
bool takesText(Destination d)
{
    return d == Destination::Text || d == Destination::FontTable;
}

// What the tokenizer keeps of a group; the handler keeps the rest.
struct Group
{
    int unicodeSkip = 1;
    Destination destination = Destination::Text;
    Destination outsideUpr = Destination::Text;
};

// A control word with its number; a word without one has param 0.
struct ControlWord
{
    std::string_view name;
    bool hasParam = false;
    int param = 0;
};

class Tokenizer
{
public:
    Tokenizer(const QByteArray &rtf, TokenHandler &handler)
        : m_handler(handler), m_p(rtf.constData()), m_end(rtf.constData() + rtf.size())
    {
    }

    bool run(QString *error);

private:
    Group &group() { return m_groups.back(); }
    bool openGroup();
    void closeGroup();
    void popGroup(bool skipped);
    void skipGroup();
    void text();
    void control();
    void controlSymbol();
    ControlWord readControlWord();
    void skipBinary(const ControlWord &word);
    void keyword(const ControlWord &word);
    void handOn(const ControlWord &word);
    void addBytes(const char *bytes, qsizetype count) { m_pending.append(bytes, count); }
    void flushBytes();
    void appendCharacter(char16_t c);

    TokenHandler &m_handler;
    const char *m_p;
    const char *m_end;
    bool m_done = false;
    bool m_starPending = false;
    int m_skipCount = 0; // characters still to drop after \uN
    std::vector<Group> m_groups;
    QByteArray m_pending; // text bytes not yet decoded
    QString m_decoded;
    ByteDecoder m_decoder;
};

bool Tokenizer::run(QString *error)
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

    while (m_p < m_end && !m_done && !m_handler.full()) {
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
    return true;
}

bool Tokenizer::openGroup()
{
    flushBytes();
    m_skipCount = 0;
    m_starPending = false;
    if (m_groups.size() >= std::size_t(RtfReader::maxGroupDepth))
        return false;
    m_groups.push_back(m_groups.empty() ? Group {} : m_groups.back());
    m_handler.groupOpened();
    return true;
}

void Tokenizer::closeGroup()
{
    flushBytes();
    m_skipCount = 0;
    m_starPending = false;
    popGroup(false);
}

void Tokenizer::popGroup(bool skipped)
{
    m_handler.groupClosed(group().destination, skipped);
    m_groups.pop_back();
    // The document ends with the group that began it; anything after it is not ours.
    if (m_groups.empty())
        m_done = true;
}

void Tokenizer::skipGroup()
{
    m_starPending = false;
    int depth = 1;
    while (m_p < m_end) {
        const char c = *m_p++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0) {
                popGroup(true);
                return;
            }
        } else if (c == '\\' && m_p < m_end) {
            if (isLetter(*m_p))
                skipBinary(readControlWord());
            else
                ++m_p; // \{ \} \\ and the other symbols
        }
    }
    m_groups.clear(); // the file ended inside the skipped group
    m_done = true;
}

void Tokenizer::text()
{
    if (m_skipCount > 0) {
        --m_skipCount;
        ++m_p;
        return;
    }
    switch (group().destination) {
    case Destination::Text: {
        const char *start = m_p;
        while (m_p < m_end && *m_p != '{' && *m_p != '}' && *m_p != '\\' && *m_p != '\r'
               && *m_p != '\n')
            ++m_p;
        addBytes(start, m_p - start);
        return;
    }
    case Destination::FontTable:
    case Destination::ColourTable:
        if (*m_p == ';') {
            flushBytes();
            m_handler.entryEnd(group().destination);
        } else if (group().destination == Destination::FontTable) {
            addBytes(m_p, 1);
        }
        break;
    case Destination::Upr:
    case Destination::Skipped:
        break;
    }
    ++m_p;
}

void Tokenizer::control()
{
    if (m_p >= m_end)
        return;
    if (!isLetter(*m_p)) {
        controlSymbol();
        return;
    }
    const ControlWord word = readControlWord();
    if (m_skipCount > 0) {
        --m_skipCount;
        skipBinary(word);
        return;
    }
    keyword(word);
}

ControlWord Tokenizer::readControlWord()
{
    ControlWord word;
    const char *nameStart = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    word.name = std::string_view(nameStart, std::size_t(m_p - nameStart));
    bool negative = false;
    if (m_end - m_p >= 2 && *m_p == '-' && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    qint64 value = 0;
    for (; m_p < m_end && isDigit(*m_p); ++m_p) {
        word.hasParam = true;
        value = std::min<qint64>(value * 10 + (*m_p - '0'), qint64(INT_MAX) + 1);
    }
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
    word.param = int(std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX));
    return word;
}

void Tokenizer::skipBinary(const ControlWord &word)
{
    if (word.name == "bin" && word.param > 0)
        m_p += std::min<qint64>(word.param, m_end - m_p);
}

void Tokenizer::controlSymbol()
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
        if (value >= 0 && takesText(group().destination)) {
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
        if (takesText(group().destination))
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
        handOn({"par"}); // a backslash before a line end is a paragraph mark
        return;
    case '\t':
        appendCharacter(u'\t');
        return;
    default: // \- optional hyphen, \: \| and unknown symbols
        return;
    }
}

void Tokenizer::keyword(const ControlWord &word)
{
    const std::string_view name = word.name;
    const int param = word.param;
    flushBytes();
    const bool starred = m_starPending;
    m_starPending = false;
    // An optional destination: only \ud, the Unicode half of \upr, is one we read.
    if (starred && name != "ud") {
        skipGroup();
        return;
    }
    Group &g = group();
    if (name == "u") {
        // Negative values are how writers put code units above 32767 into 16-bit numbers.
        if (param >= -32768 && param <= 65535)
            appendCharacter(char16_t(param < 0 ? param + 65536 : param));
        m_skipCount = g.unicodeSkip;
    } else if (name == "uc") {
        g.unicodeSkip = std::clamp(param, 0, 255);
    } else if (name == "bin") {
        skipBinary(word);
    } else if (name == "upr") {
        g.outsideUpr = g.destination;
        g.destination = Destination::Upr;
    } else if (name == "ud") {
        if (g.destination == Destination::Upr)
            g.destination = g.outsideUpr;
    } else {
        handOn(word);
    }
}

void Tokenizer::handOn(const ControlWord &word)
{
    flushBytes();
    const Destination next = m_handler.keyword(word.name, word.hasParam, word.param, group().destination);
    if (next == Destination::Skipped)
        skipGroup();
    else
        group().destination = next;
}

void Tokenizer::flushBytes()
{
    if (m_pending.isEmpty())
        return;
    if (m_groups.empty()) {
        m_pending.clear();
        return;
    }
    const Destination destination = group().destination;
    m_decoded.resize(0);
    m_decoder.decode(m_handler.codePage(destination), m_pending, m_decoded);
    m_pending.clear();
    m_handler.text(m_decoded, destination);
}

void Tokenizer::appendCharacter(char16_t c)
{
    flushBytes();
    if (takesText(group().destination))
        m_handler.text(QStringView(&c, 1), group().destination);
}

} // namespace

bool tokenize(const QByteArray &rtf, TokenHandler &handler, QString *error)
{
    return Tokenizer(rtf, handler).run(error);
}

} // namespace qvic::rtf
