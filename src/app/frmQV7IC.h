#pragma once

#include <QMainWindow>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace qvic {

struct SharedState;
class OperatorDialogs;

// The program's main window: the crawl editor, the crawl's presentation
// settings, the player address and the start and stop buttons.
class frmQV7IC : public QMainWindow
{
    Q_OBJECT

public:
    frmQV7IC(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);
    ~frmQV7IC() override;

    // The start-up sequence, run once before the window is first shown. Returns
    // the reason when start-up cannot go on (a folder or an address file).
    std::optional<QString> load(const QString &appDir, const QString &winDir);

    double dblScreenWidth() const { return m_dblScreenWidth; }
    double dblScreenHeight() const { return m_dblScreenHeight; }

    // Add IP To List.
    void AddAddress();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *createCreationFrame();
    QWidget *createInformationFrame();
    QWidget *createAddressFrame();
    void createMenus();
    void centreOnScreen();

    void LoadMainDefaults(QString *error);
    bool loadAddressList(QString *error);
    void fillFontLists();
    void endAtOnce();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    double m_dblScreenWidth = 800;
    double m_dblScreenHeight = 600;
    bool m_endingAtOnce = false;

    QPushButton *btnHide = nullptr;
    QGroupBox *fraInstCrawl = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnOpen = nullptr;
    QPushButton *btnB = nullptr;
    QPushButton *btnI = nullptr;
    QPushButton *btnU = nullptr;
    QComboBox *cmbFontColor = nullptr;
    QComboBox *cmbFontName = nullptr;
    QComboBox *cmbFontSize = nullptr;
    QTextEdit *rtfData = nullptr;
    QPushButton *btnConvert = nullptr;
    QCheckBox *chkKite7 = nullptr;
    QGroupBox *fraCrawlInfo = nullptr;
    QCheckBox *chkBgTrans = nullptr;
    QComboBox *cmbBgColor = nullptr;
    QPushButton *btnColorPicker = nullptr;
    QPushButton *btnColorKey = nullptr;
    QLineEdit *txtColorKey = nullptr;
    QLineEdit *txtDwell = nullptr;
    QLineEdit *txtLocation = nullptr;
    QComboBox *cboSpeed = nullptr;
    QLineEdit *txtTransparency = nullptr;
    QCheckBox *chkNoColorKey = nullptr;
    QLabel *lblColorKey = nullptr;
    QLabel *lblLocEx = nullptr;
    QPushButton *btnStop = nullptr;
    QPushButton *btnSend = nullptr;
    QComboBox *cboIPAddress = nullptr;
    QPushButton *btnAddIPList = nullptr;
};

} // namespace qvic
