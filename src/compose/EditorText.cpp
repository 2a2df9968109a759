#include "compose/EditorText.h"

#include "compose/ColorValue.h"
#include "compose/RtfReader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace qvic::editortext {
namespace {

QString familyOf(const QTextCharFormat &format, const QFont &documentFont)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? documentFont.family() : families.first();
}

double sizeOf(const QTextCharFormat &format, const QFont &documentFont)
{
    return format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize()
                                                          : documentFont.pointSizeF();
}

// Text without a colour of its own has none to show: it is not black to the lists.
std::optional<quint32> colorOf(const QTextCharFormat &format)
{
    if (format.foreground().style() == Qt::NoBrush)
        return std::nullopt;
    return color::fromQColor(format.foreground().color());
}

template <typename T> void merge(std::optional<T> &common, bool &first, const T &value)
{
    if (first)
        common = value;
    else if (common && *common != value)
        common.reset();
}

} // namespace

bool isRefusedTypedCharacter(char32_t code)
{
    return (code >= 33 && code <= 38) || (code >= 40 && code <= 45) || code == 59 || code == 60
           || code == 62 || code == 63 || code == 64 || (code >= 91 && code <= 96)
           || (code >= 123 && code <= 127);
}

bool loadCrawl(const QByteArray &rtf, QTextDocument &document, QString *error)
{
    if (!RtfReader::read(rtf, document, error, QColor(Qt::black)))
        return false;
    document.clearUndoRedoStacks();
    return true;
}

QString plainTextCrLf(const QTextDocument &document)
{
    QString text = document.toPlainText(); // paragraphs joined by LF
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

SelectionFormat selectionFormat(const QTextCursor &cursor)
{
    const QFont documentFont = cursor.document()->defaultFont();
    if (!cursor.hasSelection()) {
        const QTextCharFormat format = cursor.charFormat();
        return {familyOf(format, documentFont), sizeOf(format, documentFont), colorOf(format)};
    }
    SelectionFormat common;
    bool first = true;
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    for (QTextBlock block = cursor.document()->findBlock(start);
         block.isValid() && block.position() < end; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            merge(common.fontName, first, familyOf(format, documentFont));
            merge(common.fontSize, first, sizeOf(format, documentFont));
            const std::optional<quint32> color = colorOf(format);
            if (first || common.color != color) // no colour anywhere leaves none in common
                common.color = first ? color : std::nullopt;
            first = false;
        }
    }
    if (first) // only paragraph ends selected: they type like the caret at the start
        return selectionFormat(QTextCursor(cursor.document()->findBlock(start)));
    return common;
}

QTextCharFormat modelledFormat(const QTextCharFormat &format, const QTextCharFormat &fallback)
{
    const auto pick = [&](QTextFormat::Property property) -> const QTextCharFormat & {
        return format.hasProperty(property) ? format : fallback;
    };
    QTextCharFormat result;
    const QStringList families = pick(QTextFormat::FontFamilies).fontFamilies().toStringList();
    if (!families.isEmpty())
        result.setFontFamilies(QStringList{families.first()});
    if (pick(QTextFormat::FontPointSize).hasProperty(QTextFormat::FontPointSize))
        result.setFontPointSize(pick(QTextFormat::FontPointSize).fontPointSize());
    if (pick(QTextFormat::ForegroundBrush).hasProperty(QTextFormat::ForegroundBrush))
        result.setForeground(QColor(pick(QTextFormat::ForegroundBrush).foreground().color()));
    result.setFontWeight(pick(QTextFormat::FontWeight).fontWeight() >= QFont::DemiBold
                             ? QFont::Bold
                             : QFont::Normal);
    result.setFontItalic(pick(QTextFormat::FontItalic).fontItalic());
    result.setFontUnderline(format.hasProperty(QTextFormat::TextUnderlineStyle)
                                    || format.hasProperty(QTextFormat::FontUnderline)
                                ? format.fontUnderline()
                                : fallback.fontUnderline());
    return result;
}

} // namespace qvic::editortext
