#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string_view>

namespace qvic::rtf {

// Windows' number for the symbol "code page" of \fcharset2 fonts; the tokenizer decodes it.
inline constexpr int kSymbolCodePage = 42;
inline constexpr int kUtf8CodePage = 65001;

// Where the text of a group goes; the tokenizer reads text differently for each. Body text comes
// in runs; a font table's names come up to each ";"; a colour table has only its ";" entry ends;
// the plain-text alternative of \upr is dropped. Skipped passes over the rest of a group.
enum class Destination : quint8 { Text, FontTable, ColourTable, Upr, Skipped };

// What the tokenizer hands on, in document order. Text bytes are decoded and handed on before
// any other event, in the code page codePage names at that moment.
class TokenHandler
{
public:
    virtual void groupOpened() = 0;
    // skipped: the group was passed over from a \* or Skipped destination to its end.
    virtual void groupClosed(Destination destination, bool skipped) = 0;
    // A control word other than those the tokenizer deals with itself (\u, \uc, \bin, \upr,
    // \ud, and anything after \*); returns the group's destination from now on.
    virtual Destination keyword(std::string_view name, bool hasParam, int param,
                                Destination destination) = 0;
    // Text of a Text or FontTable destination.
    virtual void text(QStringView text, Destination destination) = 0;
    // A ";" in a font or colour table.
    virtual void entryEnd(Destination destination) = 0;
    virtual int codePage(Destination destination) const = 0;
    // True when the handler wants no more: reading stops.
    virtual bool full() const = 0;

protected:
    ~TokenHandler() = default;
};

// Reads rtf, from its {\rtf to the end of the group it opens, into handler's events. Returns false
// and says why in error when it is not RTF or its groups nest deeper than RtfReader allows; a
// truncated or damaged document is read as far as it goes.
bool tokenize(const QByteArray &rtf, TokenHandler &handler, QString *error);

} // namespace qvic::rtf
