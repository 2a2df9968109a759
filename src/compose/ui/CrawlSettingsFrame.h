#pragma once

#include "compose/CrawlSettings.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qvic {

class CrawlEditor;
class EditorFormatting;

// "Instant Crawl Information": the crawl's presentation settings (dwell,
// background colour, transparency and its colour key, speed, location).
// The background is the editor's own; the Transparency box keys on it.
class CrawlSettingsFrame : public QGroupBox
{
    Q_OBJECT

public:
    CrawlSettingsFrame(CrawlEditor &editor, EditorFormatting &formatting, QWidget *parent = nullptr);

    // The start-up values: dwell 60, transparency 0, speed 3, location 0 of
    // screenHeight, background Black, no colour key.
    void applyDefaults(double screenHeight);

    CrawlSettings currentSettings() const;
    // Shows loaded settings; the background list shows the colour's digits with no entry chosen.
    void showSettings(const CrawlSettings &settings);

signals:
    // The operator changed a setting: the crawl no longer matches its saved settings file.
    void changedByOperator();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lockKeyboard(QComboBox *list);
    void onBackgroundChosen();
    void onTransparentToggled();
    void onNoColorKeyToggled();

    CrawlEditor &m_editor;
    EditorFormatting &m_formatting;

    QLineEdit *m_dwellBox = nullptr;
    QComboBox *m_backgroundList = nullptr;
    QCheckBox *m_transparentBox = nullptr;
    QLineEdit *m_transparencyBox = nullptr;
    QComboBox *m_speedList = nullptr;
    QLineEdit *m_locationBox = nullptr;
    QLabel *m_locationExample = nullptr;
    // Never shown: the colour-key controls of an earlier design.
    QLabel *m_colorKeyLabel = nullptr;
    QLineEdit *m_colorKeyBox = nullptr;
    QPushButton *m_colorKeyButton = nullptr;
    QPushButton *m_colorPickerButton = nullptr;
    QCheckBox *m_noColorKeyBox = nullptr;
};

} // namespace qvic
