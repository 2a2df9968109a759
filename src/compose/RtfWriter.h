#pragma once

#include <QByteArray>

class QTextDocument;

namespace qvic {

// Writes a QTextDocument as RTF that word processors, rich-edit controls and plain RTF readers
// show alike: Windows-1252 text with \uN\'3f for what that code page lacks, a font table and a
// colour table of what the document uses, and per run the font, size, colour, bold, italic and
// underline. RtfReader reads it back to a document that writes the same bytes again.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument &doc);
};

} // namespace qvic
