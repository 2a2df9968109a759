#include "app/ui/MainWindow.h"

#include "access/ui/PasswordDialog.h"
#include "access/ui/PasswordChangeDialog.h"
#include "alerts/AlertChooser.h"
#include "app/AppIcon.h"
#include "state/SharedState.h"
#include "compose/ColorEntries.h"
#include "compose/ColorValue.h"
#include "compose/ui/CrawlEditor.h"
#include "compose/ui/CrawlSettingsFrame.h"
#include "compose/ui/EditorFormatting.h"
#include "compose/CrawlSettings.h"
#include "compose/RtfWriter.h"
#include "compose/EditorText.h"
#include "device/ui/Kite7Dialog.h"
#include "dispatch/AddressList.h"
#include "dispatch/SendLog.h"
#include "dispatch/ui/SingleSend.h"
#include "dispatch/ui/PlayerGroupsWindow.h"
#include "dispatch/ui/SendLogWindow.h"
#include "platform/AppFolders.h"
#include "platform/Numbers.h"
#include "platform/ScreenSize.h"
#include "platform/OperatorDialogs.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/ui/Controls.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace qvic {
using namespace controls;

MainWindow::MainWindow(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("QV Instant Crawl"));
    setWindowIcon(appIcon());
    createMenus();

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(createCreationFrame(), 1);
    m_formatting = new EditorFormatting({m_editor, m_boldButton, m_italicButton, m_underlineButton, m_fontNameList, m_fontSizeList, m_fontColorList},
                                        m_state, m_dialogs, this);
    m_settingsFrame = new CrawlSettingsFrame(*m_editor, *m_formatting);
    layout->addWidget(m_settingsFrame);
    layout->addWidget(createAddressFrame());

    m_startButton = button("startButton", QStringLiteral("Start QV Instant Crawl"));
    m_stopButton = button("stopButton", QStringLiteral("Stop QV Instant Crawl"));
    m_hideButton = button("hideButton", QStringLiteral("Hide"));
    auto *actions = new QHBoxLayout;
    actions->addWidget(m_startButton);
    actions->addWidget(m_stopButton);
    actions->addStretch(1);
    actions->addWidget(m_hideButton);
    layout->addLayout(actions);
    setCentralWidget(central);
    central->installEventFilter(this);

    connect(m_addToListButton, &QPushButton::clicked, this, &MainWindow::addAddressToList);
    connect(m_hideButton, &QPushButton::clicked, this, &MainWindow::onHideClicked);
    connect(m_loadButton, &QPushButton::clicked, this, &MainWindow::onLoadClicked);
    connect(m_startButton, &QPushButton::clicked, this, &MainWindow::sendCrawl);
    connect(m_stopButton, &QPushButton::clicked, this, &MainWindow::stopCrawl);
    connect(m_saveButton, &QPushButton::clicked, this, &MainWindow::onSaveClicked);
    // The operator's change of a presentation setting is a change of the crawl:
    // the next start saves it rather than send the older settings file.
    connect(m_settingsFrame, &CrawlSettingsFrame::changedByOperator, this, &MainWindow::markModified);
    createTray();
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus()
{
    QMenu *fileMenu = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    QAction *loadAlertAction = fileMenu->addAction(QStringLiteral("Load &Alert..."));
    loadAlertAction->setObjectName(QStringLiteral("loadAlertAction"));
    connect(loadAlertAction, &QAction::triggered, this, &MainWindow::onLoadAlert);
    QAction *changePasswordAction = fileMenu->addAction(QStringLiteral("Change &Password"));
    changePasswordAction->setObjectName(QStringLiteral("changePasswordAction"));
    QAction *playerGroupsAction = fileMenu->addAction(QStringLiteral("Players and &Groups..."));
    playerGroupsAction->setObjectName(QStringLiteral("playerGroupsAction"));
    QAction *sendLogAction = fileMenu->addAction(QStringLiteral("View Send &Log"));
    sendLogAction->setObjectName(QStringLiteral("sendLogAction"));
    connect(playerGroupsAction, &QAction::triggered, this, &MainWindow::onPlayerGroups);
    connect(sendLogAction, &QAction::triggered, this, &MainWindow::onViewSendLog);
    fileMenu->addSeparator()->setObjectName(QStringLiteral("fileSeparator"));
    QAction *exitAction = fileMenu->addAction(QStringLiteral("&Exit"));
    exitAction->setObjectName(QStringLiteral("exitAction"));
    connect(exitAction, &QAction::triggered, this, &MainWindow::endAtOnce);

    QMenu *devices = menuBar()->addMenu(QStringLiteral("External Devices"));
    devices->setObjectName(QStringLiteral("devicesMenu"));
    QAction *kite7Action = devices->addAction(QStringLiteral("Kite-7 Settings"));
    kite7Action->setObjectName(QStringLiteral("kite7Action"));
    connect(changePasswordAction, &QAction::triggered, this, &MainWindow::onChangePassword);
    connect(kite7Action, &QAction::triggered, this, &MainWindow::onKite7Settings);

    // The tray's menu, also popped up by a right click on the window's bare background.
    m_popupMenu = new QMenu(QStringLiteral("PopupMenu"), this);
    m_popupMenu->setObjectName(QStringLiteral("popupMenu"));
    QAction *showAction = m_popupMenu->addAction(QStringLiteral("Open QV7 Instant Crawl"));
    showAction->setObjectName(QStringLiteral("showAction"));
    m_popupMenu->addSeparator()->setObjectName(QStringLiteral("popupSeparator"));
    QAction *popupExitAction = m_popupMenu->addAction(QStringLiteral("Exit"));
    popupExitAction->setObjectName(QStringLiteral("popupExitAction"));
    connect(showAction, &QAction::triggered, this, &MainWindow::showFromTray);
    connect(popupExitAction, &QAction::triggered, this, &MainWindow::endAtOnce);
}

void MainWindow::createTray()
{
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setToolTip(QStringLiteral("QV Instant Crawl"));
    m_tray->setContextMenu(m_popupMenu);
    // Qt reports clicks on the icon, not a pointer resting on it: any click shows the window.
    connect(m_tray, &QSystemTrayIcon::activated, this, &MainWindow::showFromTray);
    m_tray->show();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::ContextMenu) {
        m_popupMenu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QWidget *MainWindow::createCreationFrame()
{
    m_creationFrame = named(new QGroupBox(QStringLiteral("Instant Crawl Creation")), "creationFrame");
    m_loadButton = button("loadButton", QStringLiteral("Load Instant Crawl"));
    m_saveButton = button("saveButton", QStringLiteral("Save Instant Crawl"));

    // The three style buttons, captions drawn in their own style.
    auto *stylesFrame = named(new QFrame, "stylesFrame");
    auto *styles = new QHBoxLayout(stylesFrame);
    styles->setContentsMargins(0, 0, 0, 0);
    m_boldButton = named(new QPushButton(QStringLiteral("B")), "boldButton", QStringLiteral("Bold"));
    m_italicButton = named(new QPushButton(QStringLiteral("I")), "italicButton", QStringLiteral("Italic"));
    m_underlineButton = named(new QPushButton(QStringLiteral("U")), "underlineButton", QStringLiteral("Underline"));
    // The buttons are modes, not one-off commands: say so where the operator looks.
    m_boldButton->setToolTip(QStringLiteral("Bold on or off: what you type or select next takes it"));
    m_italicButton->setToolTip(QStringLiteral("Italic on or off: what you type or select next takes it"));
    m_underlineButton->setToolTip(QStringLiteral("Underline on or off: what you type or select next takes it"));
    for (QPushButton *style : {m_boldButton, m_italicButton, m_underlineButton}) {
        QFont font = style->font();
        font.setBold(true);
        font.setItalic(style == m_italicButton);
        font.setUnderline(style == m_underlineButton);
        style->setFont(font);
        style->setFixedWidth(style->sizeHint().height() + 8);
        style->setAutoFillBackground(true);
        styles->addWidget(style);
    }

    // The font lists, each under its label.
    auto *fontsFrame = named(new QFrame, "fontsFrame");
    auto *fonts = new QGridLayout(fontsFrame);
    fonts->setContentsMargins(0, 0, 0, 0);
    m_fontNameList = editableList("fontNameList", QStringLiteral("Font Name"));
    m_fontSizeList = editableList("fontSizeList", QStringLiteral("Size"));
    m_fontColorList = editableList("fontColorList", QStringLiteral("Font Color"));
    m_fontNameList->setMinimumContentsLength(18);
    m_fontNameList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fontSizeList->setMinimumContentsLength(3);
    fonts->addWidget(labelFor(QStringLiteral("Font Name"), m_fontNameList, "fontNameLabel"), 0, 0);
    fonts->addWidget(labelFor(QStringLiteral("Size"), m_fontSizeList, "fontSizeLabel"), 0, 1);
    fonts->addWidget(labelFor(QStringLiteral("Font Color"), m_fontColorList, "fontColorLabel"), 0, 2);
    fonts->addWidget(m_fontNameList, 1, 0);
    fonts->addWidget(m_fontSizeList, 1, 1);
    fonts->addWidget(m_fontColorList, 1, 2);

    m_editor = named(new CrawlEditor, "editor", QStringLiteral("Crawl text"));
    m_editor->setFont(QFont(QStringLiteral("Times New Roman"), 8));
    m_editor->setMinimumHeight(120);
    m_convertButton = button("convertButton", QStringLiteral("Convert"));
    m_convertButton->hide();
    m_kite7Box = named(new QCheckBox(QStringLiteral("QV Instant Crawl Include Kite-7 Instant Crawl")),
                     "kite7Box");

    auto *toolRow = new QHBoxLayout;
    toolRow->addWidget(m_loadButton, 0, Qt::AlignBottom);
    toolRow->addWidget(m_saveButton, 0, Qt::AlignBottom);
    toolRow->addSpacing(12);
    toolRow->addWidget(stylesFrame, 0, Qt::AlignBottom);
    toolRow->addSpacing(12);
    toolRow->addWidget(fontsFrame);
    toolRow->addStretch(1);

    auto *layout = new QVBoxLayout(m_creationFrame);
    layout->addLayout(toolRow);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_kite7Box);
    return m_creationFrame;
}

QWidget *MainWindow::createAddressFrame()
{
    auto *addressFrame = named(new QGroupBox(QStringLiteral("Enter IP Address")), "addressFrame");
    m_addressBox = editableList("addressBox", QStringLiteral("Player IP address"));
    m_addressBox->setMinimumContentsLength(24);
    m_addToListButton = button("addToListButton", QStringLiteral("Add IP To List"));
    auto *row = new QHBoxLayout(addressFrame);
    row->addWidget(m_addressBox, 1);
    row->addWidget(m_addToListButton);
    return addressFrame;
}

std::optional<QString> MainWindow::load(const QString &appDir, const QString &winDir)
{
    if (auto error = setUpFolders(m_state, appDir, winDir))
        return error;
    setWindowTitle(QStringLiteral("QV Instant Crawl - UNTITLED"));

    const ScreenSize screen = readScreenSize(m_state.iniFile);
    m_screenWidth = screen.screenWidth;
    m_screenHeight = screen.screenHeight;

    QString error;
    m_settingsFrame->applyDefaults(m_screenHeight);
    if (!loadAddressList(&error))
        return error;
    m_formatting->applyDefaults();

    setKite7Defaults(m_state);
    adjustSize();
    centreOnScreen(*this);
    m_editor->setFocus();
    return std::nullopt;
}

bool MainWindow::loadAddressList(QString *error)
{
    const auto addresses = addresslist::readFieldsOfFile(m_state.addressListFile, error);
    if (!addresses)
        return false;
    m_addressBox->addItems(*addresses);
    const auto last = addresslist::readFieldsOfFile(m_state.lastAddressFile, error);
    if (!last)
        return false;
    // A preIP.txt that holds no field leaves the box empty.
    m_addressBox->setCurrentText(last->isEmpty() ? QString() : last->first());
    return true;
}

void MainWindow::addAddressToList()
{
    const QString address = m_addressBox->currentText();
    if (address.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP before adding to list."));
        return;
    }
    for (int i = 0; i < m_addressBox->count(); ++i) {
        if (m_addressBox->itemText(i) == address) {
            m_dialogs.information(QStringLiteral("The IP address is already in the list."));
            return;
        }
    }
    m_addressBox->addItem(address);
    m_addressBox->setCurrentText(address);
    QString error;
    if (!addresslist::appendAddress(m_state.addressListFile, address, &error))
        m_dialogs.exclamation(
            QStringLiteral("The address was added to the list but could not be saved for the "
                           "next start.\n%1")
                .arg(error));
}

void MainWindow::markModified()
{
    m_state.modified = true;
}

bool MainWindow::loadCrawlFile(const QString &path, QString *error)
{
    const auto bytes = textfile::readFile(path, error);
    if (!bytes)
        return false;
    QString reason;
    if (!showCrawlDocument(*bytes, &reason)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, reason);
        return false;
    }
    return true;
}

bool MainWindow::showCrawlDocument(const QByteArray &rtf, QString *reason)
{
    m_formatting->beginLoad(); // the load's own caret moves are no operator's selection
    const bool read = m_editor->loadCrawl(rtf, reason);
    m_formatting->endLoad();
    if (!read)
        return false;
    m_formatting->showFontOfInsertionPoint();
    m_state.kite7Message = editortext::plainTextCrLf(*m_editor->document());
    return true;
}

void MainWindow::onLoadAlert()
{
    const auto crawl = chooseAlertToLoad(m_dialogs, QFileInfo(m_state.iniFile).absolutePath(), m_clock());
    if (!crawl)
        return;
    QString reason;
    if (!showCrawlDocument(crawl->document, &reason)) {
        m_dialogs.exclamation(QStringLiteral("The alert could not be loaded.\n%1").arg(reason));
        return;
    }
    m_settingsFrame->showSettings(crawl->settings);
    // A new crawl with no file yet: the next start saves it as any new crawl is saved,
    // and Save asks for its name.
    m_state.currentFilePath = QStringLiteral("Untitled");
    m_state.currentFileName = QStringLiteral("Untitled");
    setWindowTitle(QStringLiteral("QV Instant Crawl - UNTITLED"));
    markModified();
}

void MainWindow::loadInstFile(const QString &path)
{
    // A refused settings file changes no control; the next save writes a clean one.
    const LoadedCrawlSettings loaded = qvic::loadInstFile(path, m_screenHeight);
    m_settingsFrame->showSettings(loaded.appliedTo(m_settingsFrame->currentSettings()));
    if (loaded.refusal)
        m_dialogs.exclamation(QStringLiteral("The crawl settings could not be loaded.\n%1").arg(*loaded.refusal));
}

void MainWindow::setCurrentDocument(const QString &path)
{
    m_state.currentFilePath = path;
    m_state.currentFileName = QFileInfo(path).fileName();
    setWindowTitle(QStringLiteral("QV Instant Crawl - ") + m_state.currentFileName);
    m_state.modified = false;
}

bool MainWindow::saveCrawlAs(const QString &path)
{
    QString error;
    if (!saveCrawl(path, RtfWriter::write(*m_editor->document()), m_settingsFrame->currentSettings(), m_screenHeight,
                   m_state, &error)) {
        m_dialogs.exclamation(QStringLiteral("The crawl could not be saved.\n%1").arg(error));
        return false;
    }
    setCurrentDocument(path);
    return true;
}

void MainWindow::onLoadClicked()
{
    const auto path = m_dialogs.openFileName(QStringLiteral("Load Instant Crawl"),
                                             m_state.crawlFolder,
                                             QStringLiteral("RTF Files (*.rtf)"));
    if (!path)
        return;
    // A document that cannot be read changes nothing: its name over the old
    // text would send the next save onto the file the operator opened.
    QString error;
    if (!loadCrawlFile(*path, &error)) {
        m_dialogs.exclamation(QStringLiteral("The crawl could not be loaded.\n%1").arg(error));
        return;
    }
    loadInstFile(*path);
    setCurrentDocument(*path);
    // Without a settings file the six settings exist only in the window: the
    // next start must save them, or the player would get no settings at all.
    if (!QFileInfo::exists(instFilePath(*path)))
        markModified();
}

void MainWindow::onSaveClicked()
{
    const auto path = m_dialogs.saveFileName(QStringLiteral("Save Instant Crawl"),
                                             m_state.crawlFolder,
                                             QStringLiteral("Set Files (*.rtf)"));
    if (!path)
        return;
    if (QFileInfo::exists(*path)
        && !m_dialogs.askYesNo(QStringLiteral("The file already exists. Do you want to overwrite it?")))
        return;
    saveCrawlAs(*path);
}

bool MainWindow::documentNameCanTravel()
{
    const QString &name = m_state.currentFileName;
    if (documentNameFitsCommand(name))
        return true;
    m_dialogs.exclamation(
        QStringLiteral("The crawl document \"%1\" cannot be sent: players cannot read a name "
                       "with a comma, a double quote, a backslash, a control character or a "
                       "character outside Windows-1252.\nSave the crawl under another name and "
                       "start again.")
            .arg(name));
    return false;
}

bool MainWindow::saveAndCheckCrawl()
{
    if (m_state.modified) {
        QString path = m_state.currentFilePath;
        if (m_state.currentFileName.toUpper() == QStringLiteral("UNTITLED"))
            path = m_state.crawlFolder + QStringLiteral("/QVInstantCrawl.rtf");
        // Sending an older copy than the operator sees would be worse than not sending.
        if (!saveCrawlAs(path))
            return false;
    }
    if (m_editor->toPlainText().isEmpty()) {
        m_dialogs.information(QStringLiteral("Please load an instant crawl before sending."));
        m_loadButton->setFocus();
        return false;
    }
    return true;
}

void MainWindow::sendCrawl()
{
    if (!saveAndCheckCrawl())
        return;
    const QString host = trimSpaces(m_addressBox->currentText());
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        m_addressBox->setFocus();
        return;
    }
    if (!documentNameCanTravel())
        return;
    deliver(DeliveryAction::Start, host);
}

void MainWindow::stopCrawl()
{
    const QString host = trimSpaces(m_addressBox->currentText());
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        m_addressBox->setFocus();
        return;
    }
    deliver(DeliveryAction::Stop, host);
}

void MainWindow::deliver(DeliveryAction action, const QString &host)
{
    if (!PasswordDialog::ask(m_state, m_dialogs, this))
        return;
    sendToPlayer(m_state, m_dialogs, this, action, host, m_kite7Box->isChecked(), m_clock, m_sendLimits);
}

void MainWindow::setSendLimits(const SendTimeLimits &limits)
{
    m_sendLimits = limits;
    if (m_playerGroups)
        m_playerGroups->sendPanel().setTimeLimits(limits);
}

void MainWindow::onHideClicked()
{
    // Without a tray to come back from, hiding would lose the window: minimise it.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void MainWindow::showFromTray()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::onChangePassword()
{
    PasswordChangeDialog dialog(m_state, m_dialogs, this);
    dialog.exec();
}

void MainWindow::onKite7Settings()
{
    Kite7Dialog dialog(m_state, m_dialogs, m_addressBox->currentText(), m_clock, this);
    dialog.setSendLimits(m_sendLimits);
    dialog.exec();
}

void MainWindow::onPlayerGroups()
{
    if (!m_playerGroups) {
        GroupSendHooks hooks{[this] { return saveAndCheckCrawl() && documentNameCanTravel(); },
                             [this] { return m_kite7Box->isChecked(); },
                             [this] { return PasswordDialog::ask(m_state, m_dialogs, m_playerGroups); }};
        m_playerGroups = new PlayerGroupsWindow(m_state, m_dialogs, std::move(hooks), this);
        m_playerGroups->sendPanel().setClock(m_clock);
        m_playerGroups->sendPanel().setTimeLimits(m_sendLimits);
        centreOnScreen(*m_playerGroups);
    }
    m_playerGroups->show();
    m_playerGroups->raise();
    m_playerGroups->activateWindow();
}

void MainWindow::onViewSendLog()
{
    SendLogWindow dialog(SendLog::pathFor(m_state), this);
    dialog.exec();
}

bool MainWindow::groupSendMayEnd()
{
    if (!m_playerGroups || !m_playerGroups->sendPanel().isRunning())
        return true;
    if (!m_dialogs.askYesNo(QStringLiteral("A send to a group is still under way. Cancel it and exit?")))
        return false;
    // Cancelled and ended, so the send log learns which players got the crawl.
    m_playerGroups->sendPanel().cancelAndWait();
    return true;
}

void MainWindow::endAtOnce()
{
    if (!groupSendMayEnd())
        return;
    m_endingAtOnce = true;
    QApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_endingAtOnce && !groupSendMayEnd()) {
        event->ignore();
        return;
    }
    // The window's own close always ends the program, remembering the address in
    // use; a failure to write it does not keep the program open.
    if (!m_endingAtOnce && !m_addressBox->currentText().isEmpty())
        addresslist::writeLastAddress(m_state.lastAddressFile, m_addressBox->currentText());
    event->accept();
    QApplication::quit();
}

} // namespace qvic
