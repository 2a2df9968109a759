#pragma once

#include <QIcon>
#include <QImage>

#include <array>

namespace qvic {

// The program's icon, drawn rather than shipped: a screen with a crawl line.
// The desktop's copy (packaging/*.svg) draws the same shapes, and the installed
// PNGs come from drawAppIcon, so window and menu show the same picture.
QIcon appIcon();

// The sizes a desktop looks for in the hicolor theme, and the window uses.
inline constexpr std::array<int, 7> appIconSizes{16, 24, 32, 48, 64, 128, 256};

// The icon as an image of size x size pixels; needs no display.
QImage drawAppIcon(int size);

} // namespace qvic
