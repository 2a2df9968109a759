#include "compose/ui/CrawlSettingsFrame.h"

#include "compose/ColorEntries.h"
#include "compose/ColorValue.h"
#include "compose/ui/CrawlEditor.h"
#include "compose/ui/EditorFormatting.h"
#include "platform/Numbers.h"
#include "platform/ui/Controls.h"
#include "platform/ui/TypedInput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qvic {

using namespace controls;

CrawlSettingsFrame::CrawlSettingsFrame(CrawlEditor &editor, EditorFormatting &formatting, QWidget *parent)
    : QGroupBox(QStringLiteral("Instant Crawl Information"), parent), m_editor(editor),
      m_formatting(formatting)
{
    setObjectName(QStringLiteral("settingsFrame"));
    m_dwellBox = textBox("dwellBox", QStringLiteral("Dwell"));
    m_backgroundList = editableList("backgroundList", QStringLiteral("Background Color"));
    m_transparentBox = named(new QCheckBox(QStringLiteral("Transparency")), "transparentBox",
                       QStringLiteral("Transparent background"));
    m_transparencyBox = textBox("transparencyBox", QStringLiteral("Transparency"));
    typedinput::limitTypedLength(*m_transparencyBox, 3);
    m_speedList = editableList("speedList", QStringLiteral("Speed"));
    for (int speed = -8; speed <= 8; ++speed)
        m_speedList->addItem(QString::number(speed));
    m_locationBox = textBox("locationBox", QStringLiteral("Location"));
    m_locationExample = named(new QLabel, "locationExample");
    for (QWidget *box : std::initializer_list<QWidget *>{m_dwellBox, m_transparencyBox, m_locationBox, m_speedList, m_backgroundList})
        box->setFixedWidth(110);

    m_colorKeyLabel = named(new QLabel(QStringLiteral("Color-Key:")), "colorKeyLabel");
    m_colorKeyBox = textBox("colorKeyBox", QStringLiteral("Color key"));
    m_colorKeyButton = button("colorKeyButton", QStringLiteral("Color"));
    m_colorPickerButton = button("colorPickerButton", QStringLiteral("Pick color from Screen"));
    m_noColorKeyBox = named(new QCheckBox(QStringLiteral("None")), "noColorKeyBox");
    for (QWidget *hidden : std::initializer_list<QWidget *>{m_colorKeyLabel, m_colorKeyBox, m_colorKeyButton, m_colorPickerButton,
                                                           m_noColorKeyBox}) {
        hidden->setParent(this);
        hidden->hide();
    }

    auto *grid = new QGridLayout(this);
    grid->setColumnStretch(3, 1);
    grid->addWidget(labelFor(QStringLiteral("Dwell:"), m_dwellBox, "dwellLabel"), 0, 0);
    grid->addWidget(m_dwellBox, 0, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("Minutes")), "secondsLabel"), 0, 2);
    grid->addWidget(labelFor(QStringLiteral("Background Color:"), m_backgroundList, "backgroundLabel"), 1, 0);
    grid->addWidget(m_backgroundList, 1, 1);
    grid->addWidget(m_transparentBox, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Transparency:"), m_transparencyBox, "transparencyLabel"), 2, 0);
    grid->addWidget(m_transparencyBox, 2, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("% (0-Opaque To 100-Transparency)")), "transparencyRangeLabel"), 2, 2, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Speed:"), m_speedList, "speedLabel"), 3, 0);
    grid->addWidget(m_speedList, 3, 1);
    grid->addWidget(labelFor(QStringLiteral("Location:"), m_locationBox, "locationLabel"), 4, 0);
    grid->addWidget(m_locationBox, 4, 1);
    grid->addWidget(m_locationExample, 4, 2, 1, 2);

    connect(m_backgroundList, &QComboBox::activated, this, &CrawlSettingsFrame::onBackgroundChosen);
    connect(m_transparentBox, &QCheckBox::toggled, this, &CrawlSettingsFrame::onTransparentToggled);
    connect(m_noColorKeyBox, &QCheckBox::toggled, this, &CrawlSettingsFrame::onNoColorKeyToggled);
    for (QLineEdit *box : {m_dwellBox, m_transparencyBox, m_locationBox})
        connect(box, &QLineEdit::textEdited, this, &CrawlSettingsFrame::changedByOperator);
    connect(m_speedList, &QComboBox::activated, this, &CrawlSettingsFrame::changedByOperator);
    connect(m_backgroundList, &QComboBox::activated, this, &CrawlSettingsFrame::changedByOperator);
    connect(m_transparentBox, &QCheckBox::clicked, this, &CrawlSettingsFrame::changedByOperator);
    lockKeyboard(m_speedList);
    lockKeyboard(m_backgroundList);
}

void CrawlSettingsFrame::applyDefaults(double screenHeight)
{
    m_dwellBox->setText(QStringLiteral("60"));
    m_noColorKeyBox->setChecked(true);
    m_transparencyBox->setText(QStringLiteral("0"));
    m_speedList->setCurrentIndex(11);
    m_locationBox->setText(QStringLiteral("0"));
    m_locationExample->setText(QStringLiteral("(0 - %1)").arg(numbers::generalNumber(screenHeight)));
    // The choice runs the list's own action, as the operator's would.
    m_backgroundList->addItems(colorentries::names());
    m_backgroundList->setCurrentIndex(0);
    onBackgroundChosen();
}

void CrawlSettingsFrame::lockKeyboard(QComboBox *list)
{
    // These lists change only by a mouse choice: no key, wheel, paste or drop moves them.
    list->installEventFilter(this);
    list->lineEdit()->installEventFilter(this);
    list->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    list->lineEdit()->setAcceptDrops(false);
}

bool CrawlSettingsFrame::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Tab && key != Qt::Key_Backtab)
            return true;
    }
    if (type == QEvent::Wheel)
        return true;
    return QGroupBox::eventFilter(watched, event);
}

void CrawlSettingsFrame::onBackgroundChosen()
{
    const int index = m_backgroundList->currentIndex();
    std::optional<quint32> value = colorentries::valueAt(index);
    if (index == colorentries::kCustomColor)
        value = m_formatting.chooseCustomColor();
    if (!value)
        return;
    m_editor.setBackColor(*value);
    // The operator sees this background: a ticked Transparency keys on it.
    if (m_transparentBox->isChecked())
        m_colorKeyBox->setText(color::hex6(*value));
}

void CrawlSettingsFrame::onTransparentToggled()
{
    m_colorKeyBox->setText(m_transparentBox->isChecked() ? color::hex6(m_editor.backColor()) : QString());
}

void CrawlSettingsFrame::onNoColorKeyToggled()
{
    if (m_noColorKeyBox->isChecked())
        m_colorKeyBox->setText(QStringLiteral("None"));
}

CrawlSettings CrawlSettingsFrame::currentSettings() const
{
    CrawlSettings settings;
    settings.dwell = m_dwellBox->text();
    settings.transparent = m_transparentBox->isChecked();
    settings.colorKey = m_colorKeyBox->text();
    settings.transparency = m_transparencyBox->text();
    settings.speed = m_speedList->currentText();
    settings.location = m_locationBox->text();
    settings.backColor = m_editor.backColor();
    return settings;
}

void CrawlSettingsFrame::showSettings(const CrawlSettings &settings)
{
    m_dwellBox->setText(settings.dwell);
    m_transparencyBox->setText(settings.transparency);
    m_speedList->setCurrentIndex(-1);
    m_speedList->setEditText(settings.speed);
    m_locationBox->setText(settings.location);
    m_editor.setBackColor(settings.backColor);
    m_backgroundList->setCurrentIndex(-1);
    m_backgroundList->setEditText(color::hex6(settings.backColor));
    // The settings already hold what the box's own action would make of the key.
    const QSignalBlocker quiet(m_transparentBox);
    m_transparentBox->setChecked(settings.transparent);
    m_colorKeyBox->setText(settings.colorKey);
}

} // namespace qvic
