#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>
#include <QtGlobal>

#include <optional>

class QFont;
class QTextCursor;
class QTextDocument;

// What the crawl editor models of its text, without a widget.
namespace qvic::editortext {

// Characters the editor refuses when typed: they have a meaning in the
// player's and the Kite-7 device's command lines.
bool isRefusedTypedCharacter(char32_t code);

// Replaces the editor's document with the crawl document in rtf, as the editor
// shows it: text without a colour of its own in black, as the players show it,
// and no undo history. The content arrives in one edit, so the editor lays it
// out once. When the RTF cannot be read, the document stays as it was and
// error says why.
bool loadCrawl(const QByteArray &rtf, QTextDocument &document, QString *error = nullptr);

// The whole plain text with every line break as CR LF, as players and the
// Kite-7 script expect it.
QString plainTextCrLf(const QTextDocument &document);

// The font name, size and colour of a selection; nothing where they vary.
// An empty selection reports the format typing would use.
struct SelectionFormat
{
    std::optional<QString> fontName;
    std::optional<double> fontSize;
    std::optional<quint32> color; // 0x00BBGGRR; nothing for text without a colour
};
SelectionFormat selectionFormat(const QTextCursor &cursor);

// Font family, size, colour, bold, italic and underline of `format`, each
// taken from `fallback` where `format` does not set it; nothing else.
QTextCharFormat modelledFormat(const QTextCharFormat &format, const QTextCharFormat &fallback);

} // namespace qvic::editortext
