#include "device/ui/Kite7Dialog.h"

#include "platform/Text.h"

#include "access/ui/PasswordDialog.h"
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

Kite7Dialog::Kite7Dialog(SharedState &state, OperatorDialogs &dialogs, const QString &playerAddress,
                   Clock clock, QWidget *parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_playerAddress(playerAddress),
      m_clock(std::move(clock))
{
    setObjectName(QStringLiteral("Kite7Dialog"));
    setWindowTitle(QStringLiteral("Kite-7 Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);

    m_comFrame = createComFrame();
    m_crawlFrame = createCrawlFrame();
    m_fontFrame = createFontFrame();
    m_bannerFrame = createBannerFrame();
    m_startButton = controls::button("startButton", QStringLiteral("Start Kite7 Instant Crawl"));
    m_stopButton = controls::button("stopButton", QStringLiteral("Stop Kite7 Instant Crawl"));
    m_closeButton = controls::button("closeButton", QStringLiteral("Done"));
    m_stopButton->setMinimumWidth(m_startButton->sizeHint().width());
    m_startButton->setMinimumWidth(m_stopButton->sizeHint().width());
    m_closeButton->setMinimumWidth(m_stopButton->minimumWidth() * 3 / 5);
    // Enter in a list must not start a crawl or close the window: no button
    // takes Enter unless it has the focus.
    for (QPushButton *b : {m_startButton, m_stopButton, m_closeButton})
        b->setAutoDefault(false);

    // The font and banner groups stay out of sight: no command carries their
    // settings, yet they are filled and kept like the others.
    m_fontFrame->hide();
    m_bannerFrame->hide();

    auto *comRow = new QHBoxLayout;
    comRow->addWidget(m_comFrame);
    comRow->addStretch(1);
    auto *crawlButtons = new QHBoxLayout;
    crawlButtons->addWidget(m_startButton);
    crawlButtons->addStretch(1);
    crawlButtons->addWidget(m_stopButton);
    auto *doneRow = new QHBoxLayout;
    doneRow->addStretch(1);
    doneRow->addWidget(m_closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addLayout(comRow);
    layout->addWidget(m_crawlFrame);
    layout->addSpacing(4);
    layout->addLayout(crawlButtons);
    layout->addLayout(doneRow);
    layout->addWidget(m_fontFrame);
    layout->addWidget(m_bannerFrame);

    // The order the device's operators tab through, from the repetition on.
    const QList<QWidget *> tabOrder = {m_repetitionList, m_positionList,      m_speedList,
                                       m_fontList,       m_fontColorList,     m_backColorList,
                                       m_closeButton,      m_comPortList,       m_stopButton,
                                       m_startButton};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_repetitionList->setFocus();

    // A choice from a list, by mouse or arrow keys, keeps it at once.
    connect(m_comPortList, &QComboBox::activated, this, &Kite7Dialog::onComPortChosen);
    connect(m_speedList, &QComboBox::activated, this, &Kite7Dialog::onSpeedChosen);
    connect(m_positionList, &QComboBox::activated, this, &Kite7Dialog::onPositionChosen);
    connect(m_repetitionList, &QComboBox::activated, this, &Kite7Dialog::onRepetitionChosen);
    connect(m_backColorList, &QComboBox::activated, this, &Kite7Dialog::onBackColorChosen);
    connect(m_fontList, &QComboBox::activated, this, &Kite7Dialog::onFontChosen);
    connect(m_fontColorList, &QComboBox::activated, this, &Kite7Dialog::onFontColorChosen);
    connect(m_closeButton, &QPushButton::clicked, this, &Kite7Dialog::onCloseClicked);
    connect(m_startButton, &QPushButton::clicked, this, &Kite7Dialog::onStartClicked);
    connect(m_stopButton, &QPushButton::clicked, this, &Kite7Dialog::onStopClicked);

    loadSavedPassword();
}

QGroupBox *Kite7Dialog::createComFrame()
{
    QGroupBox *comFrame = frame("comFrame", QStringLiteral("COM Selection"));
    m_comPortList = list("comPortList", QStringLiteral("COM Port"));
    placeColumns(comFrame, {{heading("comPortLabel", QStringLiteral("COM Port"), m_comPortList), m_comPortList}});
    return comFrame;
}

QGroupBox *Kite7Dialog::createCrawlFrame()
{
    QGroupBox *crawlFrame = frame("crawlFrame", QStringLiteral("Crawl Settings"));
    m_speedList = list("speedList", QStringLiteral("Crawl Speed"));
    m_speedList->addItems(kite7lists::speeds());
    m_positionList = list("positionList", QStringLiteral("Crawl Position"));
    m_repetitionList = list("repetitionList", QStringLiteral("Repetition"));
    placeColumns(crawlFrame,
                 {{heading("speedLabel", QStringLiteral("Crawl Speed"), m_speedList), m_speedList},
                  {heading("positionLabel", QStringLiteral("Crawl Position"), m_positionList), m_positionList},
                  {heading("repetitionLabel", QStringLiteral("Repetition"), m_repetitionList), m_repetitionList}});
    return crawlFrame;
}

QGroupBox *Kite7Dialog::createFontFrame()
{
    QGroupBox *fontFrame = frame("fontFrame", QStringLiteral("Font Settings"));
    m_fontList = list("fontList", QStringLiteral("Font"));
    m_fontColorList = list("fontColorList", QStringLiteral("Font Color"));
    placeColumns(fontFrame, {{heading("fontLabel", QStringLiteral("Font"), m_fontList), m_fontList},
                          {heading("fontColorLabel", QStringLiteral("Font Color"), m_fontColorList),
                           m_fontColorList}});
    return fontFrame;
}

QGroupBox *Kite7Dialog::createBannerFrame()
{
    QGroupBox *bannerFrame = frame("bannerFrame", QStringLiteral("Banner Setting"));
    m_backColorList = list("backColorList", QStringLiteral("Background Color"));
    placeColumns(bannerFrame, {{heading("backColorLabel", QStringLiteral("Background Color"), m_backColorList),
                           m_backColorList}});
    return bannerFrame;
}

void Kite7Dialog::loadSavedPassword()
{
    adjustSize();
    setFixedSize(size());
    centreOnScreen(*this);

    // Each stored position selects its entry and runs the list's own choice,
    // which keeps the same value again.
    const auto selectStored = [this](QComboBox *box, const QString &kept,
                                     void (Kite7Dialog::*click)()) {
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

    m_comPortList->addItems(kite7lists::comPorts());
    selectStored(m_comPortList, m_state.kite7ComPort, &Kite7Dialog::onComPortChosen);
    showStored(m_speedList, m_state.kite7Speed);
    m_positionList->addItems(kite7lists::positions());
    showStored(m_positionList, m_state.kite7Position);
    m_repetitionList->addItems(kite7lists::repetitions());
    selectStored(m_repetitionList, m_state.kite7Repeat, &Kite7Dialog::onRepetitionChosen);
    m_backColorList->addItems(kite7lists::colors());
    m_fontColorList->addItems(kite7lists::colors());
    selectStored(m_backColorList, m_state.kite7BackColor, &Kite7Dialog::onBackColorChosen);
    selectStored(m_fontColorList, m_state.kite7FontColor, &Kite7Dialog::onFontColorChosen);
    m_fontList->addItems(kite7lists::fonts());
    selectStored(m_fontList, m_state.kite7Font, &Kite7Dialog::onFontChosen);
}

void Kite7Dialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(*this);
}

void Kite7Dialog::onComPortChosen()
{
    m_state.kite7ComPort = kite7lists::positionText(m_comPortList->currentIndex());
}

void Kite7Dialog::onSpeedChosen()
{
    m_state.kite7Speed = m_speedList->currentText();
}

void Kite7Dialog::onPositionChosen()
{
    m_state.kite7Position = m_positionList->currentText();
}

void Kite7Dialog::onRepetitionChosen()
{
    m_state.kite7Repeat = kite7lists::positionText(m_repetitionList->currentIndex());
}

void Kite7Dialog::onBackColorChosen()
{
    m_state.kite7BackColor = kite7lists::positionText(m_backColorList->currentIndex());
}

void Kite7Dialog::onFontChosen()
{
    m_state.kite7Font = kite7lists::positionText(m_fontList->currentIndex());
}

void Kite7Dialog::onFontColorChosen()
{
    m_state.kite7FontColor = kite7lists::positionText(m_fontColorList->currentIndex());
}

void Kite7Dialog::onCloseClicked()
{
    close();
}

void Kite7Dialog::onStartClicked()
{
    // Both checks come before the password: the operator fixes them in the
    // main window first, and is not asked for a password for nothing.
    const QString host = trimSpaces(m_playerAddress);
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        return;
    }
    if (trimSpaces(m_state.kite7Message).isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter a message or load an instant crawl "
                                             "before start Kite-7 instant crawl."));
        return;
    }
    sendKite7File(DeliveryAction::Kite7Start, host);
}

void Kite7Dialog::onStopClicked()
{
    // A stop carries no text, so any crawl text will do, even none.
    const QString host = trimSpaces(m_playerAddress);
    if (host.isEmpty()) {
        m_dialogs.information(QStringLiteral("Please enter an IP address."));
        return;
    }
    sendKite7File(DeliveryAction::Kite7Stop, host);
}

void Kite7Dialog::sendKite7File(DeliveryAction action, const QString &host)
{
    if (!PasswordDialog::ask(m_state, m_dialogs, this))
        return; // cancelled: the operator knows
    sendToPlayer(m_state, m_dialogs, this, action, host, false, m_clock, m_limits);
}

} // namespace qvic
