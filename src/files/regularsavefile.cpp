#include "files/regularsavefile.h"

#include <QFileInfo>

RegularSaveFile::RegularSaveFile(const QString& path)
    : QSaveFile(path)
{
}

bool RegularSaveFile::open(OpenMode mode)
{
    const QFileInfo target(fileName());
    if (target.exists() && !target.isFile()) {
        setErrorString(QStringLiteral("Not a regular file"));
        return false;
    }
    return QSaveFile::open(mode);
}
