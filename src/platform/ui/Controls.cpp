#include "platform/ui/Controls.h"

#include "platform/ui/TypedInput.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qvic::controls {

QPushButton *button(const char *objectName, const QString &caption)
{
    return named(new QPushButton(caption), objectName, QString(caption).remove(u'&'));
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

QLabel *labelFor(const QString &text, QWidget *buddy, const char *objectName)
{
    auto *label = new QLabel(text);
    if (objectName)
        label->setObjectName(QString::fromLatin1(objectName));
    label->setBuddy(buddy);
    return label;
}

} // namespace qvic::controls
