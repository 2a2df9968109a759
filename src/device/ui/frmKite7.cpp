#include "device/ui/frmKite7.h"

#include "platform/Text.h"

#include "access/ui/frmPassword.h"
#include "state/SharedState.h"
#include "device/Kite7Lists.h"
#include "dispatch/ui/SingleSend.h"
#include "platform/OperatorDialogs.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/Controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qvic {
namespace {

QComboBox *list(const char *objectName, const QString &heading)
{
    // An editable text part, as the device's operators are used to; what is
    // typed there is neither completed nor chosen, and stores nothing.
    QComboBox *list = controls::editableList(objectName, heading);
    list->setMaxVisibleItems(16);
    return list;
}

// The blue heading bar above a list; it names the list for a screen reader too.
QLabel *heading(const char *objectName, const QString &text, QComboBox *buddy)
{
    auto *label = new QLabel(text);
    label->setObjectName(QLatin1String(objectName));
    label->setBuddy(buddy);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 0xFF));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setContentsMargins(3, 1, 3, 1);
    return label;
}

QGroupBox *frame(const char *objectName, const QString &title)
{
    auto *frame = new QGroupBox(title);
    frame->setObjectName(QLatin1String(objectName));
    return frame;
}

// Headings above their lists, one column each.
void placeColumns(QGroupBox *frame, const QList<std::pair<QLabel *, QComboBox *>> &columns)
{
    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    for (int column = 0; column < columns.size(); ++column) {
        grid->addWidget(columns[column].first, 0, column);
        grid->addWidget(columns[column].second, 1, column);
    }
}

} // namespace

frmKite7::frmKite7(SharedState &state, OperatorDialogs &dialogs, const QString &playerAddress,
                   Clock clock, QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_playerAddress(playerAddress),
      m_clock(std::move(clock))
{
    setObjectName(QStringLiteral("frmKite7"));
    setWindowTitle(QStringLiteral("Kite-7 Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    Frame4 = createComFrame();
    Frame3 = createCrawlFrame();
    Frame1 = createFontFrame();
    Frame2 = createBannerFrame();
    btnKite7InstCrawl = controls::button("btnKite7InstCrawl", QStringLiteral("Start Kite7 Instant Crawl"));
    btnKite7StopCrawl = controls::button("btnKite7StopCrawl", QStringLiteral("Stop Kite7 Instant Crawl"));
    btnClose = controls::button("btnClose", QStringLiteral("Done"));
    btnKite7StopCrawl->setMinimumWidth(btnKite7InstCrawl->sizeHint().width());
    btnKite7InstCrawl->setMinimumWidth(btnKite7StopCrawl->sizeHint().width());
    btnClose->setMinimumWidth(btnKite7StopCrawl->minimumWidth() * 3 / 5);
    // Enter in a list must not start a crawl or close the window: no button
    // takes Enter unless it has the focus.
    for (QPushButton *b : {btnKite7InstCrawl, btnKite7StopCrawl, btnClose})
        b->setAutoDefault(false);

    // The font and banner groups stay out of sight: no command carries their
    // settings, yet they are filled and kept like the others.
    Frame1->hide();
    Frame2->hide();

    auto *comRow = new QHBoxLayout;
    comRow->addWidget(Frame4);
    comRow->addStretch(1);
    auto *crawlButtons = new QHBoxLayout;
    crawlButtons->addWidget(btnKite7InstCrawl);
    crawlButtons->addStretch(1);
    crawlButtons->addWidget(btnKite7StopCrawl);
    auto *doneRow = new QHBoxLayout;
    doneRow->addStretch(1);
    doneRow->addWidget(btnClose);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addLayout(comRow);
    layout->addWidget(Frame3);
    layout->addSpacing(4);
    layout->addLayout(crawlButtons);
    layout->addLayout(doneRow);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);

    // The order the device's operators tab through, from the repetition on.
    const QList<QWidget *> tabOrder = {cboRepetition, cboPosition,      cboCrawlSpeed,
                                       cboFont,       cboFontColor,     cboBackColor,
                                       btnClose,      cboComPort,       btnKite7StopCrawl,
                                       btnKite7InstCrawl};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    cboRepetition->setFocus();

    // A choice from a list, by mouse or arrow keys, keeps it at once.
    connect(cboComPort, &QComboBox::activated, this, &frmKite7::cboComPort_Click);
    connect(cboCrawlSpeed, &QComboBox::activated, this, &frmKite7::cboCrawlSpeed_Click);
    connect(cboPosition, &QComboBox::activated, this, &frmKite7::cboPosition_Click);
    connect(cboRepetition, &QComboBox::activated, this, &frmKite7::cboRepetition_Click);
    connect(cboBackColor, &QComboBox::activated, this, &frmKite7::cboBackColor_Click);
    connect(cboFont, &QComboBox::activated, this, &frmKite7::cboFont_Click);
    connect(cboFontColor, &QComboBox::activated, this, &frmKite7::cboFontColor_Click);
    connect(btnClose, &QPushButton::clicked, this, &frmKite7::btnClose_Click);
    connect(btnKite7InstCrawl, &QPushButton::clicked, this, &frmKite7::btnKite7InstCrawl_Click);
    connect(btnKite7StopCrawl, &QPushButton::clicked, this, &frmKite7::btnKite7StopCrawl_Click);

    Form_Load();
}

QGroupBox *frmKite7::createComFrame()
{
    QGroupBox *frame4 = frame("Frame4", QStringLiteral("COM Selection"));
    cboComPort = list("cboComPort", QStringLiteral("COM Port"));
    placeColumns(frame4, {{heading("Label7", QStringLiteral("COM Port"), cboComPort), cboComPort}});
    return frame4;
}

QGroupBox *frmKite7::createCrawlFrame()
{
    QGroupBox *frame3 = frame("Frame3", QStringLiteral("Crawl Settings"));
    cboCrawlSpeed = list("cboCrawlSpeed", QStringLiteral("Crawl Speed"));
    cboCrawlSpeed->addItems(kite7lists::speeds());
    cboPosition = list("cboPosition", QStringLiteral("Crawl Position"));
    cboRepetition = list("cboRepetition", QStringLiteral("Repetition"));
    placeColumns(frame3,
                 {{heading("Label3", QStringLiteral("Crawl Speed"), cboCrawlSpeed), cboCrawlSpeed},
                  {heading("Label1", QStringLiteral("Crawl Position"), cboPosition), cboPosition},
                  {heading("Label2", QStringLiteral("Repetition"), cboRepetition), cboRepetition}});
    return frame3;
}

QGroupBox *frmKite7::createFontFrame()
{
    QGroupBox *frame1 = frame("Frame1", QStringLiteral("Font Settings"));
    cboFont = list("cboFont", QStringLiteral("Font"));
    cboFontColor = list("cboFontColor", QStringLiteral("Font Color"));
    placeColumns(frame1, {{heading("Label6", QStringLiteral("Font"), cboFont), cboFont},
                          {heading("Label8", QStringLiteral("Font Color"), cboFontColor),
                           cboFontColor}});
    return frame1;
}

QGroupBox *frmKite7::createBannerFrame()
{
    QGroupBox *frame2 = frame("Frame2", QStringLiteral("Banner Setting"));
    cboBackColor = list("cboBackColor", QStringLiteral("Background Color"));
    placeColumns(frame2, {{heading("Label5", QStringLiteral("Background Color"), cboBackColor),
                           cboBackColor}});
    return frame2;
}

void frmKite7::Form_Load()
{
    adjustSize();
    setFixedSize(size());
    centreOnScreen(*this);

    // Each stored position selects its entry and runs the list's own choice,
    // which keeps the same value again.
    const auto selectStored = [this](QComboBox *box, const QString &kept,
                                     void (frmKite7::*click)()) {
        const int index = kite7lists::indexOfPosition(kept, box->count());
        box->setCurrentIndex(index);
        if (index >= 0)
            (this->*click)();
    };
    // A stored text is shown as it is; the entry it names is selected with it.
    const auto showStored = [](QComboBox *box, const QString &kept) {
        const QString text = trimSpaces(kept);
        box->setCurrentIndex(box->findText(text));
        box->setCurrentText(text);
    };

    cboComPort->addItems(kite7lists::comPorts());
    selectStored(cboComPort, m_state.strKite7ComPort, &frmKite7::cboComPort_Click);
    showStored(cboCrawlSpeed, m_state.strKite7Speed);
    cboPosition->addItems(kite7lists::positions());
    showStored(cboPosition, m_state.strKite7Position);
    cboRepetition->addItems(kite7lists::repetitions());
    selectStored(cboRepetition, m_state.strKite7Repeat, &frmKite7::cboRepetition_Click);
    cboBackColor->addItems(kite7lists::colors());
    cboFontColor->addItems(kite7lists::colors());
    selectStored(cboBackColor, m_state.strKite7BackColor, &frmKite7::cboBackColor_Click);
    selectStored(cboFontColor, m_state.strKite7FontColor, &frmKite7::cboFontColor_Click);
    cboFont->addItems(kite7lists::fonts());
    selectStored(cboFont, m_state.strKite7Font, &frmKite7::cboFont_Click);
}

void frmKite7::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(*this);
}

void frmKite7::cboComPort_Click()
{
    m_state.strKite7ComPort = kite7lists::positionText(cboComPort->currentIndex());
}

void frmKite7::cboCrawlSpeed_Click()
{
    m_state.strKite7Speed = cboCrawlSpeed->currentText();
}

void frmKite7::cboPosition_Click()
{
    m_state.strKite7Position = cboPosition->currentText();
}

void frmKite7::cboRepetition_Click()
{
    m_state.strKite7Repeat = kite7lists::positionText(cboRepetition->currentIndex());
}

void frmKite7::cboBackColor_Click()
{
    m_state.strKite7BackColor = kite7lists::positionText(cboBackColor->currentIndex());
}

void frmKite7::cboFont_Click()
{
    m_state.strKite7Font = kite7lists::positionText(cboFont->currentIndex());
}

void frmKite7::cboFontColor_Click()
{
    m_state.strKite7FontColor = kite7lists::positionText(cboFontColor->currentIndex());
}

void frmKite7::btnClose_Click()
{
    close();
}

void frmKite7::btnKite7InstCrawl_Click()
{
    // Both checks come before the password: the operator fixes them in the
    // main window first, and is not asked for a password for nothing.
    const QString host = trimSpaces(m_playerAddress);
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        return;
    }
    if (trimSpaces(m_state.strKite7Message).isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter a message or load an instant crawl "
                                             "before start Kite-7 instant crawl."));
        return;
    }
    sendKite7File(DeliveryAction::Kite7Start, host);
}

void frmKite7::btnKite7StopCrawl_Click()
{
    // A stop carries no text, so any crawl text will do, even none.
    const QString host = trimSpaces(m_playerAddress);
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        return;
    }
    sendKite7File(DeliveryAction::Kite7Stop, host);
}

void frmKite7::sendKite7File(DeliveryAction action, const QString &host)
{
    if (!frmPassword::ask(m_state, m_dialogs, this))
        return; // cancelled: the operator knows
    sendToPlayer(m_state, m_dialogs, this, action, host, false, m_clock, m_limits);
}

} // namespace qvic
