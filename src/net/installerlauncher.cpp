#include "net/installerlauncher.h"

#include <QFileInfo>
#include <QProcess>

bool launchInstaller(const QString& path, QString* reason)
{
    const QFileInfo info(path);
    QString why;
    if (path.isEmpty())
        why = QStringLiteral("No installer was downloaded.");
    else if (!info.isFile())
        why = QStringLiteral("The installer file is missing.");
    else if (!info.isExecutable())
        why = QStringLiteral("The installer file is not a program.");
    // An absolute path keeps the program from being looked up in PATH.
    else if (!QProcess::startDetached(info.absoluteFilePath(), QStringList(), info.absolutePath()))
        why = QStringLiteral("The installer could not be started.");
    if (why.isEmpty())
        return true;
    if (reason)
        *reason = why;
    return false;
}
