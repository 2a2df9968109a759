#pragma once

#include "platform/TextFile.h"

#include <QByteArray>
#include <QColor>
#include <QString>

class QTextDocument;

namespace qvic {

// Reads the rich text that word processors, document converters and rich-edit controls write
// into a QTextDocument: paragraphs, fonts, sizes, text colours, bold, italic and underline.
// Everything else (style sheets, pictures, headers, document information) is passed over.
// Damaged files load as far as they make sense; nothing in a file can crash the reader, make it
// loop or make it take memory out of proportion to the file.
class RtfReader
{
public:
    // Crawls are a few kilobytes; anything this large is not a crawl. The file
    // reader stops at the same size, so no larger document is ever read whole.
    static constexpr qsizetype maxDocumentBytes = textfile::kDocumentLimit;
    // Real writers nest a few dozen groups deep at most.
    static constexpr int maxGroupDepth = 1000;
    // Bounds on what a document may build, so that no file keeps the editor busy for long.
    static constexpr int maxParagraphs = 100000;
    static constexpr int maxRuns = 1000000;

    // Replaces the document's content with the RTF in rtf, in one edit: a view of the document
    // lays it out once. Text that names no colour of its own gets automaticColour when that is
    // valid, and no colour (the view's text colour) otherwise. When the RTF cannot be read at
    // all, returns false, leaves the document as it was and, when error is given, says why.
    static bool read(const QByteArray &rtf, QTextDocument &doc, QString *error = nullptr,
                     const QColor &automaticColour = QColor());
};

} // namespace qvic
