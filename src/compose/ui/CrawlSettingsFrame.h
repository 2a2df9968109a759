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
    void cmbBgColor_Click();
    void chkBgTrans_Click();
    void chkNoColorKey_Click();

    CrawlEditor &m_editor;
    EditorFormatting &m_formatting;

    QLineEdit *txtDwell = nullptr;
    QComboBox *cmbBgColor = nullptr;
    QCheckBox *chkBgTrans = nullptr;
    QLineEdit *txtTransparency = nullptr;
    QComboBox *cboSpeed = nullptr;
    QLineEdit *txtLocation = nullptr;
    QLabel *lblLocEx = nullptr;
    // Never shown: the colour-key controls of an earlier design.
    QLabel *lblColorKey = nullptr;
    QLineEdit *txtColorKey = nullptr;
    QPushButton *btnColorKey = nullptr;
    QPushButton *btnColorPicker = nullptr;
    QCheckBox *chkNoColorKey = nullptr;
};

} // namespace qvic
