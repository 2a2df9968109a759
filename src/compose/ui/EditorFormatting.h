#pragma once

#include <QColor>
#include <QObject>
#include <QTextCharFormat>

#include <optional>

class QComboBox;
class QPushButton;

namespace qvic {

class CrawlEditor;
class OperatorDialogs;
struct SharedState;

// The crawl editor's formatting: the bold, italic and underline modes and their
// buttons, the font name, size and colour lists that apply to the selection and
// follow it, and the typing format an empty editor gets from the lists.
class EditorFormatting : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        CrawlEditor *editor;
        QPushButton *bold, *italic, *underline;
        QComboBox *fontName, *fontSize, *fontColor;
    };

    EditorFormatting(const Controls &controls, SharedState &state, OperatorDialogs &dialogs,
                     QObject *parent = nullptr);

    // The start-up look: white, the size list's entry 30, Times New Roman, bold mode on.
    void applyDefaults();

    bool bold() const { return m_bold; }
    bool italic() const { return m_italic; }
    bool underline() const { return m_underline; }

    // The colour dialog, opened at the colour chosen last in any colour dialog of
    // the window; a cancelled dialog still gives that colour (black at first).
    quint32 chooseCustomColor();

    // While a document is loaded, its caret moves are no operator's selection.
    void beginLoad() { m_inSelChange = true; }
    void endLoad() { m_inSelChange = false; }
    bool loading() const { return m_inSelChange; }
    // After a load: the lists show the font at the insertion point.
    void showFontOfInsertionPoint();

private:
    void toggleStyle(bool &mode, QPushButton *button);
    void onFontNameChosen();
    void onFontSizeChosen();
    void onFontColorChosen();
    void onSelectionChanged();
    void keepTypingFormat();
    void applyToSelection(const QTextCharFormat &format);

    Controls m_controls;
    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    bool m_bold = false;
    bool m_italic = false;
    bool m_underline = false;
    bool m_inSelChange = false;
    bool m_keepingTypingFormat = false;
    quint32 m_listColor = 0xFFFFFF; // the colour the font-colour list last applied
    QColor m_lastChosenColor = Qt::black;
};

} // namespace qvic
