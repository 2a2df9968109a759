#include "app/ui/frmQV7IC.h"

#include "access/ui/frmPassword.h"
#include "access/ui/frmPasswordChange.h"
#include "app/AppIcon.h"
#include "state/SharedState.h"
#include "app/StartUp.h"
#include "compose/ColorEntries.h"
#include "compose/ColorValue.h"
#include "compose/ui/CrawlEditor.h"
#include "compose/ui/CrawlSettingsFrame.h"
#include "compose/ui/EditorFormatting.h"
#include "compose/CrawlSettings.h"
#include "compose/RtfWriter.h"
#include "compose/EditorText.h"
#include "device/ui/frmKite7.h"
#include "dispatch/AddressList.h"
#include "dispatch/SendLog.h"
#include "dispatch/ui/SingleSend.h"
#include "dispatch/ui/frmPlayerGroups.h"
#include "dispatch/ui/frmSendLog.h"
#include "platform/Numbers.h"
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

frmQV7IC::frmQV7IC(SharedState &state, OperatorDialogs &dialogs, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmQV7IC"));
    setWindowTitle(QStringLiteral("QV Instant Crawl"));
    setWindowIcon(appIcon());
    createMenus();

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->addWidget(createCreationFrame(), 1);
    m_formatting = new EditorFormatting({rtfData, btnB, btnI, btnU, cmbFontName, cmbFontSize, cmbFontColor},
                                        m_state, m_dialogs, this);
    fraCrawlInfo = new CrawlSettingsFrame(*rtfData, *m_formatting);
    layout->addWidget(fraCrawlInfo);
    layout->addWidget(createAddressFrame());

    btnSend = button("btnSend", QStringLiteral("Start QV Instant Crawl"));
    btnStop = button("btnStop", QStringLiteral("Stop QV Instant Crawl"));
    btnHide = button("btnHide", QStringLiteral("Hide"));
    auto *actions = new QHBoxLayout;
    actions->addWidget(btnSend);
    actions->addWidget(btnStop);
    actions->addStretch(1);
    actions->addWidget(btnHide);
    layout->addLayout(actions);
    setCentralWidget(central);
    central->installEventFilter(this);

    connect(btnAddIPList, &QPushButton::clicked, this, &frmQV7IC::AddAddress);
    connect(btnHide, &QPushButton::clicked, this, &frmQV7IC::btnHide_Click);
    connect(btnOpen, &QPushButton::clicked, this, &frmQV7IC::btnOpen_Click);
    connect(btnSend, &QPushButton::clicked, this, &frmQV7IC::SendCrawl);
    connect(btnStop, &QPushButton::clicked, this, &frmQV7IC::StopCrawl);
    connect(btnSave, &QPushButton::clicked, this, &frmQV7IC::btnSave_Click);
    // The operator's change of a presentation setting is a change of the crawl:
    // the next start saves it rather than send the older settings file.
    connect(fraCrawlInfo, &CrawlSettingsFrame::changedByOperator, this, &frmQV7IC::markModified);
    createTray();
}

frmQV7IC::~frmQV7IC() = default;

void frmQV7IC::createMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *mnuChangePassword = mnuFile->addAction(QStringLiteral("Change &Password"));
    mnuChangePassword->setObjectName(QStringLiteral("mnuChangePassword"));
    QAction *mnuPlayerGroups = mnuFile->addAction(QStringLiteral("Players and &Groups..."));
    mnuPlayerGroups->setObjectName(QStringLiteral("mnuPlayerGroups"));
    QAction *mnuSendLog = mnuFile->addAction(QStringLiteral("View Send &Log"));
    mnuSendLog->setObjectName(QStringLiteral("mnuSendLog"));
    connect(mnuPlayerGroups, &QAction::triggered, this, &frmQV7IC::mnuPlayerGroups_Click);
    connect(mnuSendLog, &QAction::triggered, this, &frmQV7IC::mnuSendLog_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuSep1"));
    QAction *mnuExit = mnuFile->addAction(QStringLiteral("&Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &frmQV7IC::endAtOnce);

    QMenu *devices = menuBar()->addMenu(QStringLiteral("External Devices"));
    devices->setObjectName(QStringLiteral("munExternalDevices"));
    QAction *mnuKite7 = devices->addAction(QStringLiteral("Kite-7 Settings"));
    mnuKite7->setObjectName(QStringLiteral("mnuKite7"));
    connect(mnuChangePassword, &QAction::triggered, this, &frmQV7IC::mnuChangePassword_Click);
    connect(mnuKite7, &QAction::triggered, this, &frmQV7IC::mnuKite7_Click);

    // The tray's menu, also popped up by a right click on the window's bare background.
    pMenu = new QMenu(QStringLiteral("PopupMenu"), this);
    pMenu->setObjectName(QStringLiteral("pMenu"));
    QAction *mnuShow = pMenu->addAction(QStringLiteral("Open QV7 Instant Crawl"));
    mnuShow->setObjectName(QStringLiteral("mnuShow"));
    pMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep2"));
    QAction *mnuPopupExit = pMenu->addAction(QStringLiteral("Exit"));
    mnuPopupExit->setObjectName(QStringLiteral("mnuPopupExit"));
    connect(mnuShow, &QAction::triggered, this, &frmQV7IC::mnuShow_Click);
    connect(mnuPopupExit, &QAction::triggered, this, &frmQV7IC::endAtOnce);
}

void frmQV7IC::createTray()
{
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setObjectName(QStringLiteral("trayIcon"));
    m_tray->setToolTip(QStringLiteral("QV Instant Crawl"));
    m_tray->setContextMenu(pMenu);
    // Qt reports clicks on the icon, not a pointer resting on it: any click shows the window.
    connect(m_tray, &QSystemTrayIcon::activated, this, &frmQV7IC::mnuShow_Click);
    m_tray->show();
}

bool frmQV7IC::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::ContextMenu) {
        pMenu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

QWidget *frmQV7IC::createCreationFrame()
{
    fraInstCrawl = named(new QGroupBox(QStringLiteral("Instant Crawl Creation")), "fraInstCrawl");
    btnOpen = button("btnOpen", QStringLiteral("Load Instant Crawl"));
    btnSave = button("btnSave", QStringLiteral("Save Instant Crawl"));

    // Frame3: the three style buttons, captions drawn in their own style.
    auto *frame3 = named(new QFrame, "Frame3");
    auto *styles = new QHBoxLayout(frame3);
    styles->setContentsMargins(0, 0, 0, 0);
    btnB = named(new QPushButton(QStringLiteral("B")), "btnB", QStringLiteral("Bold"));
    btnI = named(new QPushButton(QStringLiteral("I")), "btnI", QStringLiteral("Italic"));
    btnU = named(new QPushButton(QStringLiteral("U")), "btnU", QStringLiteral("Underline"));
    // The buttons are modes, not one-off commands: say so where the operator looks.
    btnB->setToolTip(QStringLiteral("Bold on or off: what you type or select next takes it"));
    btnI->setToolTip(QStringLiteral("Italic on or off: what you type or select next takes it"));
    btnU->setToolTip(QStringLiteral("Underline on or off: what you type or select next takes it"));
    for (QPushButton *style : {btnB, btnI, btnU}) {
        QFont font = style->font();
        font.setBold(true);
        font.setItalic(style == btnI);
        font.setUnderline(style == btnU);
        style->setFont(font);
        style->setFixedWidth(style->sizeHint().height() + 8);
        style->setAutoFillBackground(true);
        styles->addWidget(style);
    }

    // Frame1: the font lists, each under its label.
    auto *frame1 = named(new QFrame, "Frame1");
    auto *fonts = new QGridLayout(frame1);
    fonts->setContentsMargins(0, 0, 0, 0);
    cmbFontName = editableList("cmbFontName", QStringLiteral("Font Name"));
    cmbFontSize = editableList("cmbFontSize", QStringLiteral("Size"));
    cmbFontColor = editableList("cmbFontColor", QStringLiteral("Font Color"));
    cmbFontName->setMinimumContentsLength(18);
    cmbFontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbFontSize->setMinimumContentsLength(3);
    fonts->addWidget(labelFor(QStringLiteral("Font Name"), cmbFontName, "Label1"), 0, 0);
    fonts->addWidget(labelFor(QStringLiteral("Size"), cmbFontSize, "Label3"), 0, 1);
    fonts->addWidget(labelFor(QStringLiteral("Font Color"), cmbFontColor, "Label4"), 0, 2);
    fonts->addWidget(cmbFontName, 1, 0);
    fonts->addWidget(cmbFontSize, 1, 1);
    fonts->addWidget(cmbFontColor, 1, 2);

    rtfData = named(new CrawlEditor, "rtfData", QStringLiteral("Crawl text"));
    rtfData->setFont(QFont(QStringLiteral("Times New Roman"), 8));
    rtfData->setMinimumHeight(120);
    btnConvert = button("btnConvert", QStringLiteral("Convert"));
    btnConvert->hide();
    chkKite7 = named(new QCheckBox(QStringLiteral("QV Instant Crawl Include Kite-7 Instant Crawl")),
                     "chkKite7");

    auto *toolRow = new QHBoxLayout;
    toolRow->addWidget(btnOpen, 0, Qt::AlignBottom);
    toolRow->addWidget(btnSave, 0, Qt::AlignBottom);
    toolRow->addSpacing(12);
    toolRow->addWidget(frame3, 0, Qt::AlignBottom);
    toolRow->addSpacing(12);
    toolRow->addWidget(frame1);
    toolRow->addStretch(1);

    auto *layout = new QVBoxLayout(fraInstCrawl);
    layout->addLayout(toolRow);
    layout->addWidget(rtfData, 1);
    layout->addWidget(chkKite7);
    return fraInstCrawl;
}

QWidget *frmQV7IC::createAddressFrame()
{
    auto *frame2 = named(new QGroupBox(QStringLiteral("Enter IP Address")), "Frame2");
    cboIPAddress = editableList("cboIPAddress", QStringLiteral("Player IP address"));
    cboIPAddress->setMinimumContentsLength(24);
    btnAddIPList = button("btnAddIPList", QStringLiteral("Add IP To List"));
    auto *row = new QHBoxLayout(frame2);
    row->addWidget(cboIPAddress, 1);
    row->addWidget(btnAddIPList);
    return frame2;
}

std::optional<QString> frmQV7IC::load(const QString &appDir, const QString &winDir)
{
    if (auto error = iniMainSetting(m_state, appDir, winDir))
        return error;
    setWindowTitle(QStringLiteral("QV Instant Crawl - UNTITLED"));

    const ScreenSize screen = readScreenSize(m_state.strIniFile);
    m_dblScreenWidth = screen.dblScreenWidth;
    m_dblScreenHeight = screen.dblScreenHeight;

    QString error;
    fraCrawlInfo->applyDefaults(m_dblScreenHeight);
    if (!loadAddressList(&error))
        return error;
    m_formatting->applyDefaults();

    setKite7Defaults(m_state);
    adjustSize();
    centreOnScreen(*this);
    rtfData->setFocus();
    return std::nullopt;
}

bool frmQV7IC::loadAddressList(QString *error)
{
    const auto addresses = addresslist::readFieldsOfFile(m_state.strIPListFile, error);
    if (!addresses)
        return false;
    cboIPAddress->addItems(*addresses);
    const auto last = addresslist::readFieldsOfFile(m_state.strPreIPFile, error);
    if (!last)
        return false;
    // A preIP.txt that holds no field leaves the box empty.
    cboIPAddress->setCurrentText(last->isEmpty() ? QString() : last->first());
    return true;
}

void frmQV7IC::AddAddress()
{
    const QString address = cboIPAddress->currentText();
    if (address.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP before adding to list."));
        return;
    }
    for (int i = 0; i < cboIPAddress->count(); ++i) {
        if (cboIPAddress->itemText(i) == address) {
            m_dialogs.information(QStringLiteral("The IP address is already in the list."));
            return;
        }
    }
    cboIPAddress->addItem(address);
    cboIPAddress->setCurrentText(address);
    QString error;
    if (!addresslist::appendAddress(m_state.strIPListFile, address, &error))
        m_dialogs.exclamation(
            QStringLiteral("The address was added to the list but could not be saved for the "
                           "next start.\n%1")
                .arg(error));
}

void frmQV7IC::markModified()
{
    m_state.blnModified = true;
}

bool frmQV7IC::loadCrawlFile(const QString &path, QString *error)
{
    const auto bytes = textfile::readFile(path, error);
    if (!bytes)
        return false;
    QString reason;
    m_formatting->beginLoad(); // the load's own caret moves are no operator's selection
    const bool read = rtfData->loadCrawl(*bytes, &reason);
    m_formatting->endLoad();
    if (!read) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, reason);
        return false;
    }
    m_formatting->showFontOfInsertionPoint();
    m_state.strKite7Message = editortext::plainTextCrLf(*rtfData->document());
    return true;
}

void frmQV7IC::loadInstFile(const QString &path)
{
    // A refused settings file changes no control; the next save writes a clean one.
    const LoadedCrawlSettings loaded = qvic::loadInstFile(path, m_dblScreenHeight);
    fraCrawlInfo->showSettings(loaded.appliedTo(fraCrawlInfo->currentSettings()));
    if (loaded.refusal)
        m_dialogs.exclamation(QStringLiteral("The crawl settings could not be loaded.\n%1").arg(*loaded.refusal));
}

void frmQV7IC::setCurrentDocument(const QString &path)
{
    m_state.strCurFilePath = path;
    m_state.strCurFileName = QFileInfo(path).fileName();
    setWindowTitle(QStringLiteral("QV Instant Crawl - ") + m_state.strCurFileName);
    m_state.blnModified = false;
}

bool frmQV7IC::saveCrawlAs(const QString &path)
{
    QString error;
    if (!saveCrawl(path, RtfWriter::write(*rtfData->document()), fraCrawlInfo->currentSettings(), m_dblScreenHeight,
                   m_state, &error)) {
        m_dialogs.exclamation(QStringLiteral("The crawl could not be saved.\n%1").arg(error));
        return false;
    }
    setCurrentDocument(path);
    return true;
}

void frmQV7IC::btnOpen_Click()
{
    const auto path = m_dialogs.openFileName(QStringLiteral("Load Instant Crawl"),
                                             m_state.strRtfFolder,
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

void frmQV7IC::btnSave_Click()
{
    const auto path = m_dialogs.saveFileName(QStringLiteral("Save Instant Crawl"),
                                             m_state.strRtfFolder,
                                             QStringLiteral("Set Files (*.rtf)"));
    if (!path)
        return;
    if (QFileInfo::exists(*path)
        && !m_dialogs.askYesNo(QStringLiteral("The file already exists. Do you want to overwrite it?")))
        return;
    saveCrawlAs(*path);
}

bool frmQV7IC::documentNameCanTravel()
{
    const QString &name = m_state.strCurFileName;
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

bool frmQV7IC::saveAndCheckCrawl()
{
    if (m_state.blnModified) {
        QString path = m_state.strCurFilePath;
        if (m_state.strCurFileName.toUpper() == QStringLiteral("UNTITLED"))
            path = m_state.strRtfFolder + QStringLiteral("/QVInstantCrawl.rtf");
        // Sending an older copy than the operator sees would be worse than not sending.
        if (!saveCrawlAs(path))
            return false;
    }
    if (rtfData->toPlainText().isEmpty()) {
        m_dialogs.information(QStringLiteral("Please load an instant crawl before sending."));
        btnOpen->setFocus();
        return false;
    }
    return true;
}

void frmQV7IC::SendCrawl()
{
    if (!saveAndCheckCrawl())
        return;
    const QString host = trimSpaces(cboIPAddress->currentText());
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        cboIPAddress->setFocus();
        return;
    }
    if (!documentNameCanTravel())
        return;
    deliver(DeliveryAction::Start, host);
}

void frmQV7IC::StopCrawl()
{
    const QString host = trimSpaces(cboIPAddress->currentText());
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        cboIPAddress->setFocus();
        return;
    }
    deliver(DeliveryAction::Stop, host);
}

void frmQV7IC::deliver(DeliveryAction action, const QString &host)
{
    if (!frmPassword::ask(m_state, m_dialogs, this))
        return;
    sendToPlayer(m_state, m_dialogs, this, action, host, chkKite7->isChecked(), m_clock, m_sendLimits);
}

void frmQV7IC::setSendLimits(const SendTimeLimits &limits)
{
    m_sendLimits = limits;
    if (m_playerGroups)
        m_playerGroups->sendPanel().setTimeLimits(limits);
}

void frmQV7IC::btnHide_Click()
{
    // Without a tray to come back from, hiding would lose the window: minimise it.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void frmQV7IC::mnuShow_Click()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void frmQV7IC::mnuChangePassword_Click()
{
    frmPasswordChange dialog(m_state, m_dialogs, this);
    dialog.exec();
}

void frmQV7IC::mnuKite7_Click()
{
    frmKite7 dialog(m_state, m_dialogs, cboIPAddress->currentText(), m_clock, this);
    dialog.setSendLimits(m_sendLimits);
    dialog.exec();
}

void frmQV7IC::mnuPlayerGroups_Click()
{
    if (!m_playerGroups) {
        GroupSendHooks hooks{[this] { return saveAndCheckCrawl() && documentNameCanTravel(); },
                             [this] { return chkKite7->isChecked(); },
                             [this] { return frmPassword::ask(m_state, m_dialogs, m_playerGroups); }};
        m_playerGroups = new frmPlayerGroups(m_state, m_dialogs, std::move(hooks), this);
        m_playerGroups->sendPanel().setClock(m_clock);
        m_playerGroups->sendPanel().setTimeLimits(m_sendLimits);
        centreOnScreen(*m_playerGroups);
    }
    m_playerGroups->show();
    m_playerGroups->raise();
    m_playerGroups->activateWindow();
}

void frmQV7IC::mnuSendLog_Click()
{
    frmSendLog dialog(SendLog::pathFor(m_state), this);
    dialog.exec();
}

bool frmQV7IC::groupSendMayEnd()
{
    if (!m_playerGroups || !m_playerGroups->sendPanel().isRunning())
        return true;
    if (!m_dialogs.askYesNo(QStringLiteral("A send to a group is still under way. Cancel it and exit?")))
        return false;
    // Cancelled and ended, so the send log learns which players got the crawl.
    m_playerGroups->sendPanel().cancelAndWait();
    return true;
}

void frmQV7IC::endAtOnce()
{
    if (!groupSendMayEnd())
        return;
    m_endingAtOnce = true;
    QApplication::exit(0);
}

void frmQV7IC::closeEvent(QCloseEvent *event)
{
    if (!m_endingAtOnce && !groupSendMayEnd()) {
        event->ignore();
        return;
    }
    // The window's own close always ends the program, remembering the address in
    // use; a failure to write it does not keep the program open.
    if (!m_endingAtOnce && !cboIPAddress->currentText().isEmpty())
        addresslist::writeLastAddress(m_state.strPreIPFile, cboIPAddress->currentText());
    event->accept();
    QApplication::quit();
}

} // namespace qvic
