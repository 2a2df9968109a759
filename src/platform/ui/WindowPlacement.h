#pragma once

class QWidget;

namespace qvic {

// Centres a window on its screen (the screen of its parent, if it has one),
// not over the parent. The frame is only known once the window exists, so a
// window centres itself again when it is first shown.
void centreOnScreen(QWidget &window);

} // namespace qvic
