#include "programicon.h"

#include <QFile>
#include <QSize>

QIcon ProgramIcon(const QString &name)
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(name);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}
