#include "app/AppIcon.h"

#include <QDir>

namespace qvic {

QIcon appIcon()
{
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString &name : icons.entryList(QDir::Files))
        icon.addFile(icons.filePath(name));
    return icon;
}

} // namespace qvic
