#pragma once

#include <QIcon>

namespace qvic {

// The program's icon, drawn rather than shipped: a screen with a crawl line.
QIcon appIcon();

} // namespace qvic
