#pragma once

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Small builders of the windows' controls. Each control gets its control name as
// object name (tests and accessibility reach it by that) and an accessible name.
namespace qvic::controls {

template <typename Widget>
Widget *named(Widget *widget, const char *objectName, const QString &accessibleName = {})
{
    widget->setObjectName(QString::fromLatin1(objectName));
    if (!accessibleName.isEmpty())
        widget->setAccessibleName(accessibleName);
    return widget;
}

// The accessible name is the caption without its "&" mnemonic marks.
QPushButton *button(const char *objectName, const QString &caption);
// An editable list whose typed text stays as typed (platform/ui/TypedInput.h).
QComboBox *editableList(const char *objectName, const QString &accessibleName);
QLineEdit *textBox(const char *objectName, const QString &accessibleName);
// A label beside its box: the label names the box for a screen reader too.
QLabel *labelFor(const QString &text, QWidget *buddy, const char *objectName = nullptr);

} // namespace qvic::controls
