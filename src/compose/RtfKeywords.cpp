#include "compose/RtfKeywords.h"

#include <unordered_map>

namespace qvic::rtf {

const KeywordEntry *findKeyword(std::string_view name)
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
    const auto found = table.find(name);
    return found == table.end() ? nullptr : &found->second;
}

} // namespace qvic::rtf
