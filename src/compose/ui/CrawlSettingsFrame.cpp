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
    setObjectName(QStringLiteral("fraCrawlInfo"));
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
    for (QWidget *box : std::initializer_list<QWidget *>{txtDwell, txtTransparency, txtLocation, cboSpeed, cmbBgColor})
        box->setFixedWidth(110);

    lblColorKey = named(new QLabel(QStringLiteral("Color-Key:")), "lblColorKey");
    txtColorKey = textBox("txtColorKey", QStringLiteral("Color key"));
    btnColorKey = button("btnColorKey", QStringLiteral("Color"));
    btnColorPicker = button("btnColorPicker", QStringLiteral("Pick color from Screen"));
    chkNoColorKey = named(new QCheckBox(QStringLiteral("None")), "chkNoColorKey");
    for (QWidget *hidden : std::initializer_list<QWidget *>{lblColorKey, txtColorKey, btnColorKey, btnColorPicker,
                                                           chkNoColorKey}) {
        hidden->setParent(this);
        hidden->hide();
    }

    auto *grid = new QGridLayout(this);
    grid->setColumnStretch(3, 1);
    grid->addWidget(labelFor(QStringLiteral("Dwell:"), txtDwell, "lblDwell"), 0, 0);
    grid->addWidget(txtDwell, 0, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("Minutes")), "lblSeconds"), 0, 2);
    grid->addWidget(labelFor(QStringLiteral("Background Color:"), cmbBgColor, "Label5"), 1, 0);
    grid->addWidget(cmbBgColor, 1, 1);
    grid->addWidget(chkBgTrans, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Transparency:"), txtTransparency, "lblTransparency"), 2, 0);
    grid->addWidget(txtTransparency, 2, 1);
    grid->addWidget(named(new QLabel(QStringLiteral("% (0-Opaque To 100-Transparency)")), "Label2"), 2, 2, 1, 2);
    grid->addWidget(labelFor(QStringLiteral("Speed:"), cboSpeed, "lblSpeed"), 3, 0);
    grid->addWidget(cboSpeed, 3, 1);
    grid->addWidget(labelFor(QStringLiteral("Location:"), txtLocation, "lblLocation"), 4, 0);
    grid->addWidget(txtLocation, 4, 1);
    grid->addWidget(lblLocEx, 4, 2, 1, 2);

    connect(cmbBgColor, &QComboBox::activated, this, &CrawlSettingsFrame::cmbBgColor_Click);
    connect(chkBgTrans, &QCheckBox::toggled, this, &CrawlSettingsFrame::chkBgTrans_Click);
    connect(chkNoColorKey, &QCheckBox::toggled, this, &CrawlSettingsFrame::chkNoColorKey_Click);
    for (QLineEdit *box : {txtDwell, txtTransparency, txtLocation})
        connect(box, &QLineEdit::textEdited, this, &CrawlSettingsFrame::changedByOperator);
    connect(cboSpeed, &QComboBox::activated, this, &CrawlSettingsFrame::changedByOperator);
    connect(cmbBgColor, &QComboBox::activated, this, &CrawlSettingsFrame::changedByOperator);
    connect(chkBgTrans, &QCheckBox::clicked, this, &CrawlSettingsFrame::changedByOperator);
    lockKeyboard(cboSpeed);
    lockKeyboard(cmbBgColor);
}

void CrawlSettingsFrame::applyDefaults(double screenHeight)
{
    txtDwell->setText(QStringLiteral("60"));
    chkNoColorKey->setChecked(true);
    txtTransparency->setText(QStringLiteral("0"));
    cboSpeed->setCurrentIndex(11);
    txtLocation->setText(QStringLiteral("0"));
    lblLocEx->setText(QStringLiteral("(0 - %1)").arg(numbers::generalNumber(screenHeight)));
    // The choice runs the list's own action, as the operator's would.
    cmbBgColor->addItems(colorentries::names());
    cmbBgColor->setCurrentIndex(0);
    cmbBgColor_Click();
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

void CrawlSettingsFrame::cmbBgColor_Click()
{
    const int index = cmbBgColor->currentIndex();
    std::optional<quint32> value = colorentries::valueAt(index);
    if (index == colorentries::kCustomColor)
        value = m_formatting.chooseCustomColor();
    if (!value)
        return;
    m_editor.setBackColor(*value);
    // The operator sees this background: a ticked Transparency keys on it.
    if (chkBgTrans->isChecked())
        txtColorKey->setText(color::hex6(*value));
}

void CrawlSettingsFrame::chkBgTrans_Click()
{
    txtColorKey->setText(chkBgTrans->isChecked() ? color::hex6(m_editor.backColor()) : QString());
}

void CrawlSettingsFrame::chkNoColorKey_Click()
{
    if (chkNoColorKey->isChecked())
        txtColorKey->setText(QStringLiteral("None"));
}

CrawlSettings CrawlSettingsFrame::currentSettings() const
{
    CrawlSettings settings;
    settings.dwell = txtDwell->text();
    settings.transparent = chkBgTrans->isChecked();
    settings.colorKey = txtColorKey->text();
    settings.transparency = txtTransparency->text();
    settings.speed = cboSpeed->currentText();
    settings.location = txtLocation->text();
    settings.backColor = m_editor.backColor();
    return settings;
}

void CrawlSettingsFrame::showSettings(const CrawlSettings &settings)
{
    txtDwell->setText(settings.dwell);
    txtTransparency->setText(settings.transparency);
    cboSpeed->setCurrentIndex(-1);
    cboSpeed->setEditText(settings.speed);
    txtLocation->setText(settings.location);
    m_editor.setBackColor(settings.backColor);
    cmbBgColor->setCurrentIndex(-1);
    cmbBgColor->setEditText(color::hex6(settings.backColor));
    // The settings already hold what the box's own action would make of the key.
    const QSignalBlocker quiet(chkBgTrans);
    chkBgTrans->setChecked(settings.transparent);
    txtColorKey->setText(settings.colorKey);
}

} // namespace qvic
