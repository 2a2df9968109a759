// Build-time tool: writes the program's icon as <folder>/<size>.png for each size
// given, drawn by the same code as the window's icon.
//   qvic_icon_pngs <folder> <size>...
#include "app/AppIcon.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "%s: cannot create the folder %s\n", argv[0], argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        bool isNumber = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&isNumber);
        if (!isNumber || size < 1 || size > 1024) {
            std::fprintf(stderr, "%s: not an icon size: %s\n", argv[0], argv[i]);
            return 2;
        }
        const QString file = QStringLiteral("%1/%2.png").arg(folder).arg(size);
        if (!qvic::drawAppIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
