#include "compose/ui/CrawlEditor.h"

#include "compose/ColorValue.h"
#include "compose/EditorText.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace qvic {

CrawlEditor::CrawlEditor(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    setTabChangesFocus(false);
}

void CrawlEditor::setBackColor(quint32 value)
{
    m_backColor = value;
    const QColor background = color::toQColor(value);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, background);
    // The caret is drawn in the text colour: keep it visible on any background.
    palette.setColor(QPalette::Text, background.lightness() < 128 ? Qt::white : Qt::black);
    setPalette(palette);
}

bool CrawlEditor::loadCrawl(const QByteArray &rtf, QString *error)
{
    // A long crawl wraps into more lines than the box shows. Laid out without the scroll bar it
    // then needs, it would be laid out all over again when the bar appears: the bar comes first.
    const Qt::ScrollBarPolicy policy = verticalScrollBarPolicy();
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const bool loaded = editortext::loadCrawl(rtf, *document(), error);
    setVerticalScrollBarPolicy(policy);
    if (loaded)
        moveCursor(QTextCursor::Start);
    return loaded;
}

void CrawlEditor::keyPressEvent(QKeyEvent *event)
{
    // Only a key that types a character is filtered: Delete carries the text DEL
    // too, yet it is an editing key and works as in any editor.
    const QString typed = event->text();
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    const bool editingKey = event->key() >= Qt::Key_Escape && event->key() != Qt::Key_unknown;
    if (!shortcut && !editingKey && typed.size() == 1
        && editortext::isRefusedTypedCharacter(typed[0].unicode())) {
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void CrawlEditor::insertFromMimeData(const QMimeData *source)
{
    if (!source)
        return;
    QTextDocument incoming;
    if (source->hasHtml())
        incoming.setHtml(source->html());
    else if (source->hasText())
        incoming.setPlainText(source->text());
    else
        return;

    // Text only, in the runs of the incoming document; what it leaves unset
    // comes from the format typing would use here.
    // Empty paragraphs that HTML leaves after a table or a list end no line of the crawl.
    QTextBlock last = incoming.lastBlock();
    while (last.isValid() && last != incoming.begin() && last.text().isEmpty())
        last = last.previous();

    QTextCursor cursor = textCursor();
    const QTextCharFormat here = cursor.charFormat();
    cursor.beginEditBlock();
    for (QTextBlock block = incoming.begin(); block.isValid() && block.blockNumber() <= last.blockNumber();
         block = block.next()) {
        if (block != incoming.begin())
            cursor.insertText(QStringLiteral("\n"), here);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, u'\n');
            text.remove(QChar::ObjectReplacementCharacter); // images and the like
            if (!text.isEmpty())
                cursor.insertText(text, editortext::modelledFormat(fragment.charFormat(), here));
        }
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
}

} // namespace qvic
