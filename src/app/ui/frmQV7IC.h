#pragma once

#include "commands/InstantFile.h"
#include "dispatch/SendRequest.h"

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
class CrawlSettingsFrame;
class EditorFormatting;
class frmPlayerGroups;
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

    // A crawl document and its settings file. The load reads the document into
    // the editor and the settings into the six controls. Failures come back as
    // the reason, naming the file.
    bool loadCrawlFile(const QString &path, QString *error = nullptr);
    void loadInstFile(const QString &path);

    // Saves the document and its settings under path, both or neither, and
    // makes it the current document; on failure tells the operator and changes
    // nothing else, neither file included.
    bool saveCrawlAs(const QString &path);

    // Where the builders' time stamp comes from; tests fix it.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The time limits of every send from this window and its dialogs; tests shorten them.
    void setSendLimits(const SendTimeLimits &limits);

    // The editor's formatting: its modes, as the style buttons set them.
    const EditorFormatting &formatting() const { return *m_formatting; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createCreationFrame();
    QWidget *createInformationFrame();
    QWidget *createAddressFrame();
    void createMenus();

    bool loadAddressList(QString *error);
    void endAtOnce();
    // Whether the program may end: not while a group send runs, unless the operator cancels it.
    bool groupSendMayEnd();
    void createTray();

    // The operator's change of a presentation setting.
    void markModified();

    // The crawl saved when it has changed, and not empty: what every start needs.
    bool saveAndCheckCrawl();
    bool documentNameCanTravel();
    // The password, then the send through the transfer window, then its outcome in words.
    void deliver(DeliveryAction action, const QString &host);

    void btnOpen_Click();
    void btnSave_Click();
    void setCurrentDocument(const QString &path);

    void btnHide_Click();
    void mnuChangePassword_Click();
    void mnuKite7_Click();
    void mnuPlayerGroups_Click();
    void mnuSendLog_Click();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    double m_dblScreenWidth = 800;
    double m_dblScreenHeight = 600;
    bool m_endingAtOnce = false;
    Clock m_clock = systemClock;
    SendTimeLimits m_sendLimits;
    EditorFormatting *m_formatting = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *pMenu = nullptr;
    frmPlayerGroups *m_playerGroups = nullptr; // made on first use, kept so a group send outlives its window

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
    CrawlSettingsFrame *fraCrawlInfo = nullptr;
    QPushButton *btnStop = nullptr;
    QPushButton *btnSend = nullptr;
    QComboBox *cboIPAddress = nullptr;
    QPushButton *btnAddIPList = nullptr;
};

} // namespace qvic
