#pragma once

class QComboBox;
class QLineEdit;

// What the operator types into a box is what the program uses: Qt's defaults
// would complete it, pick a matching entry on Enter, or cut text set by a load.
namespace qvic::typedinput {

// An editable list whose text changes only by the operator's typing or an
// entry chosen from it: no inline completion, and Enter neither picks an
// entry that matches the text (in any case) nor adds one.
void keepTypedText(QComboBox &list);

// Typing cannot make the box's text longer than maxLength characters; text the
// program sets (a loaded setting) is shown whole.
void limitTypedLength(QLineEdit &box, int maxLength);

} // namespace qvic::typedinput
