#pragma once

#include <QStringList>
#include <QStringView>

#include <limits>

// The comma-separated fields of the program's small text files, read as files that other
// installations and Windows tools wrote need:
// a comma ends a field, blanks before a field are skipped, and a field that starts with a double
// quote runs to the next double quote; the quotes are not kept, and what stands between the
// closing quote and the next comma is dropped.
namespace qvic::quotedfields {

// What is dropped around a field that is not quoted.
enum class Blanks {
    LeadingSpaces, // the spaces before it; the rest stands as written
    AroundField,   // the spaces and tabs before it and after it
};

// Which text holds the fields.
enum class Lines {
    Given, // the text is one line already split off: CR and LF are characters of it, and a comma
           // at its end is followed by an empty field
    First, // the first line (CR, LF or CR LF ends it); a quoted field may run past its end
    All,   // every line in order, a blank one being one empty field; a comma at the very end of
           // the text is followed by no field
};

// At most maxFields fields of text.
QStringList read(QStringView text, Blanks blanks, Lines lines,
                 qsizetype maxFields = std::numeric_limits<qsizetype>::max());

} // namespace qvic::quotedfields
