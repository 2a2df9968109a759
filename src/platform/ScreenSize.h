#pragma once

#include <QString>

namespace qvic {

// The players' screen: [RESOLUTION] width of IC.ini, read through a buffer of 10.
struct ScreenSize
{
    double screenWidth = 800;
    double screenHeight = 600;
};
ScreenSize readScreenSize(const QString &iniFile);

} // namespace qvic
