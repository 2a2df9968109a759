#include "compose/ui/EditorFormatting.h"

#include "state/SharedState.h"
#include "compose/ColorEntries.h"
#include "compose/ColorValue.h"
#include "compose/ui/CrawlEditor.h"
#include "compose/EditorText.h"
#include "platform/Numbers.h"
#include "platform/OperatorDialogs.h"

#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace qvic {
namespace {

// Enter after a typed font name or size applies nothing.
class SwallowEnter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

EditorFormatting::EditorFormatting(const Controls &controls, SharedState &state,
                                   OperatorDialogs &dialogs, QObject *parent)
    : QObject(parent), m_controls(controls), m_state(state), m_dialogs(dialogs)
{
    CrawlEditor *editor = controls.editor;
    connect(controls.bold, &QPushButton::clicked, this, [this] { toggleStyle(m_bold, m_controls.bold); });
    connect(controls.italic, &QPushButton::clicked, this, [this] { toggleStyle(m_italic, m_controls.italic); });
    connect(controls.underline, &QPushButton::clicked, this,
            [this] { toggleStyle(m_underline, m_controls.underline); });
    // A choice from a list (mouse, or arrow keys) applies it; typing a list's
    // text, or Enter after it, does not.
    connect(controls.fontName, &QComboBox::activated, this, &EditorFormatting::onFontNameChosen);
    connect(controls.fontSize, &QComboBox::activated, this, &EditorFormatting::onFontSizeChosen);
    connect(controls.fontColor, &QComboBox::activated, this, &EditorFormatting::onFontColorChosen);
    auto *swallowEnter = new SwallowEnter(this);
    for (QComboBox *list : {controls.fontName, controls.fontSize, controls.fontColor})
        list->lineEdit()->installEventFilter(swallowEnter);

    connect(editor, &QTextEdit::cursorPositionChanged, this, &EditorFormatting::onSelectionChanged);
    connect(editor, &QTextEdit::selectionChanged, this, &EditorFormatting::onSelectionChanged);
    // Qt hands the caret a bare format when a click places it or the text is emptied.
    connect(editor, &QTextEdit::currentCharFormatChanged, this, &EditorFormatting::keepTypingFormat);
    // A change with the caret standing still (Delete, a format applied) is a change too:
    // the next start must save it rather than send the older file.
    connect(editor, &QTextEdit::textChanged, this, [this] {
        if (m_inSelChange)
            return;
        m_state.kite7Message = editortext::plainTextCrLf(*m_controls.editor->document());
        m_state.modified = true;
    });
}

void EditorFormatting::applyDefaults()
{
    // Each choice below runs its list's own action, as the operator's would.
    m_controls.fontColor->addItems(colorentries::names());
    m_controls.fontColor->setCurrentIndex(1);
    onFontColorChosen();
    m_controls.fontName->addItems(QFontDatabase::families());
    m_controls.fontName->setCurrentText(QStringLiteral("Times New Roman"));
    for (int size = 8; size <= 72; size += 2)
        m_controls.fontSize->addItem(QString::number(size));
    m_controls.fontSize->setCurrentIndex(11);
    onFontSizeChosen();
    toggleStyle(m_bold, m_controls.bold);
}

void EditorFormatting::toggleStyle(bool &mode, QPushButton *button)
{
    mode = !mode;
    // Pressed: the dark workspace grey; normal: the button face.
    QPalette look = button->palette();
    const QPalette window = button->window()->palette();
    look.setColor(QPalette::Button, mode ? window.color(QPalette::Dark) : window.color(QPalette::Button));
    button->setPalette(look);
    button->setAccessibleDescription(mode ? QStringLiteral("on") : QStringLiteral("off"));
    m_controls.editor->setFocus();
    // In an empty editor the next letter already takes the mode.
    keepTypingFormat();
}

void EditorFormatting::applyToSelection(const QTextCharFormat &format)
{
    m_controls.editor->mergeCurrentCharFormat(format);
}

void EditorFormatting::onFontNameChosen()
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{m_controls.fontName->currentText()});
    applyToSelection(format);
    m_controls.editor->setFocus();
}

void EditorFormatting::onFontSizeChosen()
{
    const double points = numbers::leadingNumber(m_controls.fontSize->currentText());
    if (points > 0) {
        QTextCharFormat format;
        format.setFontPointSize(points);
        applyToSelection(format);
    }
    m_controls.editor->setFocus();
}

quint32 EditorFormatting::chooseCustomColor()
{
    if (const auto chosen = m_dialogs.pickColor(m_lastChosenColor))
        m_lastChosenColor = *chosen;
    return color::fromQColor(m_lastChosenColor);
}

void EditorFormatting::onFontColorChosen()
{
    const int index = m_controls.fontColor->currentIndex();
    std::optional<quint32> value = colorentries::valueAt(index);
    if (index == colorentries::kCustomColor)
        value = chooseCustomColor();
    if (value) {
        m_listColor = *value;
        QTextCharFormat format;
        format.setForeground(color::toQColor(*value));
        applyToSelection(format);
    }
    m_controls.editor->setFocus();
}

void EditorFormatting::keepTypingFormat()
{
    const QTextCursor caret = m_controls.editor->textCursor();
    if (m_inSelChange || m_keepingTypingFormat || caret.hasSelection())
        return;
    // In an empty document the lists decide the whole look; elsewhere they only
    // fill in what the caret's format lacks, so no text is typed without a colour
    // (which players show black) or in the editor's own small font.
    const bool empty = m_controls.editor->document()->isEmpty();
    const QTextCharFormat here = caret.charFormat();
    QTextCharFormat fill;
    const QString family = m_controls.fontName->currentText();
    if (!family.isEmpty() && (empty || here.fontFamilies().toStringList().isEmpty()))
        fill.setFontFamilies(QStringList{family});
    const double points = numbers::leadingNumber(m_controls.fontSize->currentText());
    if (points > 0 && (empty || !here.hasProperty(QTextFormat::FontPointSize)))
        fill.setFontPointSize(points);
    if (empty || here.foreground().style() == Qt::NoBrush)
        fill.setForeground(color::toQColor(m_listColor));
    if (empty) {
        fill.setFontWeight(m_bold ? QFont::Bold : QFont::Normal);
        fill.setFontItalic(m_italic);
        fill.setFontUnderline(m_underline);
    }
    if (fill.properties().isEmpty())
        return;
    m_keepingTypingFormat = true;
    applyToSelection(fill);
    m_keepingTypingFormat = false;
}

void EditorFormatting::onSelectionChanged()
{
    if (m_inSelChange)
        return; // the colour list's own action re-applies the colour to the selection
    keepTypingFormat();
    m_inSelChange = true;
    const editortext::SelectionFormat current = editortext::selectionFormat(m_controls.editor->textCursor());
    if (current.fontSize)
        m_controls.fontSize->setCurrentText(numbers::generalNumber(*current.fontSize));
    if (current.fontName)
        m_controls.fontName->setCurrentText(*current.fontName);
    if (current.color) {
        const int index = colorentries::indexOf(*current.color);
        if (index >= 0) {
            m_controls.fontColor->setCurrentIndex(index);
            onFontColorChosen();
        }
    }
    QTextCharFormat modes;
    modes.setFontWeight(m_bold ? QFont::Bold : QFont::Normal);
    modes.setFontItalic(m_italic);
    modes.setFontUnderline(m_underline);
    applyToSelection(modes);
    m_state.kite7Message = editortext::plainTextCrLf(*m_controls.editor->document());
    m_state.modified = true; // a mere caret movement counts
    m_inSelChange = false;
}

void EditorFormatting::showFontOfInsertionPoint()
{
    const editortext::SelectionFormat here = editortext::selectionFormat(m_controls.editor->textCursor());
    if (here.fontName)
        m_controls.fontName->setCurrentText(*here.fontName);
    if (here.fontSize)
        m_controls.fontSize->setCurrentText(numbers::generalNumber(*here.fontSize));
    const int index = here.color ? colorentries::indexOf(*here.color) : -1;
    if (index >= 0) {
        m_controls.fontColor->setCurrentIndex(index);
        onFontColorChosen();
    } else {
        // Another colour stays as it is: the list only says it is a custom one.
        m_controls.fontColor->setCurrentIndex(colorentries::kCustomColor);
    }
}

} // namespace qvic
