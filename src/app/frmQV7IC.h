#pragma once

#include "commands/InstantFile.h"

#include <QMainWindow>
#include <QTextCharFormat>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace qvic {

class CrawlEditor;
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

    // Start QV Instant Crawl, Stop QV Instant Crawl.
    void SendCrawl();
    void StopCrawl();

    // Show the window, from the tray or its menu.
    void mnuShow_Click();

    // The player address as typed in the address box (untrimmed).
    QString ipAddressText() const;

    // The three command-file builders every window uses; each rewrites
    // strInstantFile and returns false (with the reason) when it cannot.
    bool createInstantFile(const QString &message, QString *error = nullptr);
    bool createKite7Msg(QString *error = nullptr);
    bool createKite7StopCrawlMsg(QString *error = nullptr);
    // A crawl document and its settings file. The load reads the document into
    // the editor and the settings into the six controls; the save writes both.
    // Failures come back as the reason, naming the file.
    bool loadCrawlFile(const QString &path, QString *error = nullptr);
    bool saveCrawlFile(const QString &path, QString *error = nullptr);
    void loadInstFile(const QString &path);
    bool saveInstFile(const QString &path, QString *error = nullptr);

    // Saves the document and its settings under path and makes it the current
    // document; on failure tells the operator and changes nothing else.
    bool saveCrawlAs(const QString &path);

    // Where the builders' time stamp comes from; tests fix it.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The editor's modes, as the style buttons set them.
    bool blnBold() const { return m_blnBold; }
    bool blnItalic() const { return m_blnItalic; }
    bool blnUnderline() const { return m_blnUnderline; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

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
    void createTray();
    void lockKeyboard(QComboBox *list);

    // Editor formatting.
    void toggleStyle(bool &mode, QPushButton *button);
    void btnB_Click();
    void btnI_Click();
    void btnU_Click();
    void cmbFontName_Click();
    void cmbFontSize_Click();
    void cmbFontColor_Click();
    void rtfData_SelChange();
    void keepTypingFormat();
    void markModified();
    void applyToSelection(const QTextCharFormat &format);
    std::optional<quint32> chooseCustomColor();

    // Background and colour key.
    void cmbBgColor_Click();
    void chkBgTrans_Click();
    void chkNoColorKey_Click();

    bool passwordAccepted();
    bool upload(const QString &localFile, const QString &localPath, const QString &remoteFile);
    bool uploadInstantFile();
    bool documentNameCanTravel();
    void pauseBeforeDeviceScript();
    // The second command file of a start or stop, when the Kite-7 box is ticked.
    struct DeviceScriptWords
    {
        QString doneWithoutDevice;
        QString cannotBuild;
        QString doneWithDevice;
    };
    void sendDeviceScript(bool (frmQV7IC::*buildScript)(QString *), const DeviceScriptWords &words);

    void btnOpen_Click();
    void btnSave_Click();
    void setCurrentDocument(const QString &path);
    struct CrawlSettings currentSettings() const;
    void showSettings(const struct CrawlSettings &settings);
    void showFontOfInsertionPoint();

    void btnHide_Click();
    void mnuChangePassword_Click();
    void mnuKite7_Click();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    double m_dblScreenWidth = 800;
    double m_dblScreenHeight = 600;
    bool m_endingAtOnce = false;
    Clock m_clock = systemClock;
    bool m_blnBold = false;
    bool m_blnItalic = false;
    bool m_blnUnderline = false;
    bool m_inSelChange = false;
    bool m_keepingTypingFormat = false;
    quint32 m_listColor = 0xFFFFFF; // the colour the font-colour list last applied
    QColor m_lastChosenColor = Qt::black; // the colour dialog's colour, kept between openings
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *pMenu = nullptr;

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
    CrawlEditor *rtfData = nullptr;
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
