#include "app/ui/frmQV7IC.h"

#include "access/ui/frmPassword.h"
#include "access/ui/frmPasswordChange.h"
#include "app/AppIcon.h"
#include "state/SharedState.h"
#include "app/StartUp.h"
#include "compose/ColorEntries.h"
#include "compose/ColorValue.h"
#include "compose/ui/CrawlEditor.h"
#include "compose/ui/EditorFormatting.h"
#include "compose/CrawlSettings.h"
#include "compose/RtfWriter.h"
#include "compose/EditorText.h"
#include "device/ui/frmKite7.h"
#include "dispatch/AddressList.h"
#include "dispatch/DeliveryWords.h"
#include "dispatch/ui/TransferDialogStep.h"
#include "platform/Numbers.h"
#include "platform/OperatorDialogs.h"
#include "platform/Text.h"
#include "platform/TextFile.h"
#include "platform/ui/TypedInput.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>
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
namespace {

template <typename Widget>
Widget *named(Widget *widget, const char *objectName, const QString &accessibleName = {})
{
    widget->setObjectName(QLatin1String(objectName));
    if (!accessibleName.isEmpty())
        widget->setAccessibleName(accessibleName);
    return widget;
}

QPushButton *button(const char *objectName, const QString &caption)
{
    return named(new QPushButton(caption), objectName, caption);
}

QComboBox *editableList(const char *objectName, const QString &accessibleName)
{
    auto *list = named(new QComboBox, objectName, accessibleName);
    typedinput::keepTypedText(*list);
    return list;
}

QLineEdit *textBox(const char *objectName, const QString &accessibleName)
{
    return named(new QLineEdit, objectName, accessibleName);
}

// A label beside its box: the label names the box for a screen reader too.
QLabel *labelFor(const QString &text, QWidget *buddy, const char *objectName = nullptr)
{
    auto *label = new QLabel(text);
    if (objectName)
        label->setObjectName(QLatin1String(objectName));
    label->setBuddy(buddy);
    return label;
}

void pauseBeforeDeviceScript()
{
    // The player needs a moment between the two command files; the window
    // keeps painting but takes no input meanwhile.
    QEventLoop pause;
    QTimer::singleShot(500, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

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
    layout->addWidget(createInformationFrame());
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
    m_formatting = new EditorFormatting({rtfData, btnB, btnI, btnU, cmbFontName, cmbFontSize, cmbFontColor},
                                        m_state, m_dialogs, this);
    connect(cmbBgColor, &QComboBox::activated, this, &frmQV7IC::cmbBgColor_Click);
    connect(chkBgTrans, &QCheckBox::toggled, this, &frmQV7IC::chkBgTrans_Click);
    connect(chkNoColorKey, &QCheckBox::toggled, this, &frmQV7IC::chkNoColorKey_Click);
    // The operator's change of a presentation setting is a change of the crawl:
    // the next start saves it rather than send the older settings file.
    for (QLineEdit *box : {txtDwell, txtTransparency, txtLocation})
        connect(box, &QLineEdit::textEdited, this, &frmQV7IC::markModified);
    connect(cboSpeed, &QComboBox::activated, this, &frmQV7IC::markModified);
    connect(cmbBgColor, &QComboBox::activated, this, &frmQV7IC::markModified);
    connect(chkBgTrans, &QCheckBox::clicked, this, &frmQV7IC::markModified);
    lockKeyboard(cboSpeed);
    lockKeyboard(cmbBgColor);
    createTray();
}

frmQV7IC::~frmQV7IC() = default;

void frmQV7IC::createMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *mnuChangePassword = mnuFile->addAction(QStringLiteral("Change &Password"));
    mnuChangePassword->setObjectName(QStringLiteral("mnuChangePassword"));
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

void frmQV7IC::lockKeyboard(QComboBox *list)
{
    // These lists change only by a mouse choice: no key, wheel, paste or drop moves them.
    list->installEventFilter(this);
    list->lineEdit()->installEventFilter(this);
    list->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    list->lineEdit()->setAcceptDrops(false);
}

bool frmQV7IC::eventFilter(QObject *watched, QEvent *event)
{
    const bool locked = watched == cboSpeed || watched == cmbBgColor
                        || watched == cboSpeed->lineEdit() || watched == cmbBgColor->lineEdit();
    const auto type = event->type();
    if (locked && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Tab && key != Qt::Key_Backtab)
            return true;
    }
    if (locked && type == QEvent::Wheel)
        return true;
    if (watched == centralWidget() && type == QEvent::ContextMenu) {
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

QWidget *frmQV7IC::createInformationFrame()
{
    fraCrawlInfo = named(new QGroupBox(QStringLiteral("Instant Crawl Information")), "fraCrawlInfo");
    txtDwell = textBox("txtDwell", QStringLiteral("Dwell"));
    cmbBgColor = editableList("cmbBgColor", QStringLiteral("Background Color"));
    chkBgTrans = named(new QCheckBox(QStringLiteral("Transparency")), "chkBgTrans",
                       QStringLiteral("Transparent background"));
    txtTransparency = textBox("txtTransparency", QStringLiteral("Transparency"));
    typedinput::limitTypedLength(*txtTransparency, 3);
    cboSpeed = editableList("cboSpeed", QStringLiteral("Speed"));
    for (int speed = -8; speed <= 8; ++speed)
        cboSpeed->addItem(QString::number(speed));
    txtLocation = textBox("txtLocation", QStringLiteral("Location"));
    lblLocEx = named(new QLabel, "lblLocEx");
    for (QWidget *box : {static_cast<QWidget *>(txtDwell), static_cast<QWidget *>(txtTransparency),
                         static_cast<QWidget *>(txtLocation), static_cast<QWidget *>(cboSpeed),
                         static_cast<QWidget *>(cmbBgColor)})
        box->setFixedWidth(110);

    // Never shown: the colour-key controls of an earlier design.
    lblColorKey = named(new QLabel(QStringLiteral("Color-Key:")), "lblColorKey");
    txtColorKey = textBox("txtColorKey", QStringLiteral("Color key"));
    btnColorKey = button("btnColorKey", QStringLiteral("Color"));
    btnColorPicker = button("btnColorPicker", QStringLiteral("Pick color from Screen"));
    chkNoColorKey = named(new QCheckBox(QStringLiteral("None")), "chkNoColorKey");
    for (QWidget *hidden : {static_cast<QWidget *>(lblColorKey), static_cast<QWidget *>(txtColorKey),
                            static_cast<QWidget *>(btnColorKey),
                            static_cast<QWidget *>(btnColorPicker),
                            static_cast<QWidget *>(chkNoColorKey)}) {
        hidden->setParent(fraCrawlInfo);
        hidden->hide();
    }

    auto *grid = new QGridLayout(fraCrawlInfo);
    grid->setColumnStretch(3, 1);
    grid->addWidget(labelFor(QStringLiteral("Dwell:"), txtDwell, "lblDwell"), 0, 0);
    grid->addWidget(txtDwell, 0, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("Minutes")), "lblSeconds"), 0, 2);
    grid->addWidget(labelFor(QStringLiteral("Background Color:"), cmbBgColor, "Label5"), 1, 0);
    grid->addWidget(cmbBgColor, 1, 1);
    grid->addWidget(chkBgTrans, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Transparency:"), txtTransparency, "lblTransparency"),
                    2, 0);
    grid->addWidget(txtTransparency, 2, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("% (0-Opaque To 100-Transparency)")), "Label2"),
                    2, 2, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Speed:"), cboSpeed, "lblSpeed"), 3, 0);
    grid->addWidget(cboSpeed, 3, 1);
    grid->addWidget(labelFor(QStringLiteral("Location:"), txtLocation, "lblLocation"), 4, 0);
    grid->addWidget(txtLocation, 4, 1);
    grid->addWidget(lblLocEx, 4, 2, 1, 2);
    return fraCrawlInfo;
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
    LoadMainDefaults(&error);
    if (!error.isEmpty())
        return error;

    // Each choice below runs its list's own action, as the operator's would.
    cmbBgColor->addItems(colorentries::names());
    cmbBgColor->setCurrentIndex(0);
    cmbBgColor_Click();
    m_formatting->applyDefaults();

    setKite7Defaults(m_state);
    adjustSize();
    centreOnScreen(*this);
    rtfData->setFocus();
    return std::nullopt;
}

void frmQV7IC::LoadMainDefaults(QString *error)
{
    txtDwell->setText(QStringLiteral("60"));
    chkNoColorKey->setChecked(true);
    txtTransparency->setText(QStringLiteral("0"));
    cboSpeed->setCurrentIndex(11);
    txtLocation->setText(QStringLiteral("0"));
    lblLocEx->setText(locationRangeText(m_dblScreenHeight));
    loadAddressList(error);
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

void frmQV7IC::cmbBgColor_Click()
{
    const int index = cmbBgColor->currentIndex();
    std::optional<quint32> value = colorentries::valueAt(index);
    if (index == colorentries::kCustomColor)
        value = m_formatting->chooseCustomColor();
    if (!value)
        return;
    rtfData->setBackColor(*value);
    // The operator sees this background: a ticked Transparency keys on it.
    if (chkBgTrans->isChecked())
        txtColorKey->setText(color::hex6(*value));
}

void frmQV7IC::chkBgTrans_Click()
{
    txtColorKey->setText(chkBgTrans->isChecked() ? color::hex6(rtfData->backColor()) : QString());
}

void frmQV7IC::chkNoColorKey_Click()
{
    if (chkNoColorKey->isChecked())
        txtColorKey->setText(QStringLiteral("None"));
}

CrawlSettings frmQV7IC::currentSettings() const
{
    CrawlSettings settings;
    settings.dwell = txtDwell->text();
    settings.transparent = chkBgTrans->isChecked();
    settings.colorKey = txtColorKey->text();
    settings.transparency = txtTransparency->text();
    settings.speed = cboSpeed->currentText();
    settings.location = txtLocation->text();
    settings.backColor = rtfData->backColor();
    return settings;
}

void frmQV7IC::showSettings(const CrawlSettings &settings)
{
    txtDwell->setText(settings.dwell);
    txtTransparency->setText(settings.transparency);
    cboSpeed->setCurrentIndex(-1);
    cboSpeed->setEditText(settings.speed);
    txtLocation->setText(settings.location);
    rtfData->setBackColor(settings.backColor);
    // The list shows the loaded colour's digits with no entry chosen.
    cmbBgColor->setCurrentIndex(-1);
    cmbBgColor->setEditText(color::hex6(settings.backColor));
    // The settings already hold what the box's own action would make of the key.
    const QSignalBlocker quiet(chkBgTrans);
    chkBgTrans->setChecked(settings.transparent);
    txtColorKey->setText(settings.colorKey);
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

bool frmQV7IC::saveCrawlFile(const QString &path, QString *error)
{
    return textfile::replaceFile(path, RtfWriter::write(*rtfData->document()), error);
}

void frmQV7IC::loadInstFile(const QString &path)
{
    // A refused settings file changes no control; the next save writes a clean one.
    const LoadedCrawlSettings loaded = qvic::loadInstFile(path, m_dblScreenHeight);
    showSettings(loaded.appliedTo(currentSettings()));
    if (loaded.refusal)
        m_dialogs.exclamation(QStringLiteral("The crawl settings could not be loaded.\n%1").arg(*loaded.refusal));
}

bool frmQV7IC::saveInstFile(const QString &path, QString *error)
{
    return qvic::saveInstFile(path, currentSettings(), m_dblScreenHeight, m_state, error);
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
    if (!saveCrawlFile(path, &error) || !saveInstFile(path, &error)) {
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

void frmQV7IC::SendCrawl()
{
    if (m_state.blnModified) {
        QString path = m_state.strCurFilePath;
        if (m_state.strCurFileName.toUpper() == QStringLiteral("UNTITLED"))
            path = m_state.strRtfFolder + QStringLiteral("/QVInstantCrawl.rtf");
        // Sending an older copy than the operator sees would be worse than not sending.
        if (!saveCrawlAs(path))
            return;
    }
    if (rtfData->toPlainText().isEmpty()) {
        m_dialogs.information(QStringLiteral("Please load an instant crawl before sending."));
        btnOpen->setFocus();
        return;
    }
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
    m_state.strRemoteHost = host;
    if (!frmPassword::ask(m_state, m_dialogs, this))
        return;
    TransferDialogStep transfer(m_state, m_dialogs, this);
    DeliveryService service(m_state, transfer, m_clock, &pauseBeforeDeviceScript);
    tellDeliveryOutcome(m_dialogs, action, service.deliver(action, host, chkKite7->isChecked()));
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
    dialog.exec();
}

void frmQV7IC::endAtOnce()
{
    m_endingAtOnce = true;
    QApplication::exit(0);
}

void frmQV7IC::closeEvent(QCloseEvent *event)
{
    // The window's own close always ends the program, remembering the address in
    // use; a failure to write it does not keep the program open.
    if (!m_endingAtOnce && !cboIPAddress->currentText().isEmpty())
        addresslist::writeLastAddress(m_state.strPreIPFile, cboIPAddress->currentText());
    event->accept();
    QApplication::quit();
}

} // namespace qvic
