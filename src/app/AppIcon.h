#pragma once

#include <QIcon>

namespace qvic {

// The program's icon for its windows: the PNGs rendered at build time from
// packaging/*.svg, the desktop's icon, and compiled into the executable, so
// window and menu show the same picture. Empty in a program built without them.
QIcon appIcon();

} // namespace qvic
