#pragma once

#include <QtGlobal>

#include <string_view>

namespace qvic::rtf {

// The control words the reader acts on, beyond those the tokenizer deals with itself.
enum class Keyword : quint8 {
    Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont, FontTable, ColourTable, SkippedDestination,
    Font, FontCharset, FontCodePage, FontSize, Colour, Plain, Bold, Italic, Underline, NoUnderline,
    Hidden, Red, Green, Blue, Par, SoftPar, Character, DoubleByte, OtherCharacters, AssociatedFont,
    AssociatedFontSize,
};

struct KeywordEntry
{
    Keyword keyword;
    char16_t character = 0; // what a Character word stands for
};

// The entry of a control word, or nullptr for a word the reader passes over.
const KeywordEntry *findKeyword(std::string_view name);

} // namespace qvic::rtf
