#pragma once

#include <QTextEdit>

namespace qvic {

// The crawl's rich-text box: refuses the characters the players' command lines
// reserve when they are typed, and keeps only what a crawl models (font, size,
// colour, bold, italic, underline) of pasted or dropped text.
class CrawlEditor : public QTextEdit
{
    Q_OBJECT

public:
    explicit CrawlEditor(QWidget *parent = nullptr);

    // Replaces the whole content with the crawl document in rtf, as
    // editortext::loadCrawl builds it, and puts the caret at its start. When
    // the RTF cannot be read, nothing changes and error says why.
    bool loadCrawl(const QByteArray &rtf, QString *error = nullptr);

    // The background colour as a colour value (0x00BBGGRR).
    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    quint32 m_backColor = 0xFFFFFF;
};

} // namespace qvic
