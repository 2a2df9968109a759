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
class PlayerGroupsWindow;
struct SharedState;
class OperatorDialogs;

// The program's main window: the crawl editor, the crawl's presentation
// settings, the player address and the start and stop buttons.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow(SharedState &state, OperatorDialogs &dialogs, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence, run once before the window is first shown. Returns
    // the reason when start-up cannot go on (a folder or an address file).
    std::optional<QString> load(const QString &appDir, const QString &winDir);

    double screenWidth() const { return m_screenWidth; }
    double screenHeight() const { return m_screenHeight; }

    // Add IP To List.
    void addAddressToList();

    // Start QV Instant Crawl, Stop QV Instant Crawl.
    void sendCrawl();
    void stopCrawl();

    // Show the window, from the tray or its menu.
    void showFromTray();

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

    // The editor and its formatting controls show the document; false, with the reason, when
    // it cannot be read, and then the editor is as it was.
    bool showCrawlDocument(const QByteArray &rtf, QString *reason);

    void onLoadClicked();
    void onLoadAlert();
    void onSaveClicked();
    void setCurrentDocument(const QString &path);

    void onHideClicked();
    void onChangePassword();
    void onKite7Settings();
    void onPlayerGroups();
    void onViewSendLog();

    SharedState &m_state;
    OperatorDialogs &m_dialogs;
    double m_screenWidth = 800;
    double m_screenHeight = 600;
    bool m_endingAtOnce = false;
    Clock m_clock = systemClock;
    SendTimeLimits m_sendLimits;
    EditorFormatting *m_formatting = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_popupMenu = nullptr;
    PlayerGroupsWindow *m_playerGroups = nullptr; // made on first use, kept so a group send outlives its window

    QPushButton *m_hideButton = nullptr;
    QGroupBox *m_creationFrame = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_loadButton = nullptr;
    QPushButton *m_boldButton = nullptr;
    QPushButton *m_italicButton = nullptr;
    QPushButton *m_underlineButton = nullptr;
    QComboBox *m_fontColorList = nullptr;
    QComboBox *m_fontNameList = nullptr;
    QComboBox *m_fontSizeList = nullptr;
    CrawlEditor *m_editor = nullptr;
    QPushButton *m_convertButton = nullptr;
    QCheckBox *m_kite7Box = nullptr;
    CrawlSettingsFrame *m_settingsFrame = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QComboBox *m_addressBox = nullptr;
    QPushButton *m_addToListButton = nullptr;
};

} // namespace qvic
