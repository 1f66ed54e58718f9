#include "app/homecleaner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QDateTime HomeCleaner::creationTime(const QFileInfo& entry)
{
    const QDateTime born = entry.birthTime();
    const QDateTime changed = entry.lastModified();
    if (!born.isValid())
        return changed;
    if (!changed.isValid())
        return born;
    return qMin(born, changed);
}

bool HomeCleaner::isExpired(const QFileInfo& entry, const QDateTime& now)
{
    const QDateTime created = creationTime(entry);
    return created.isValid() && created.addDays(1) < now;
}

void HomeCleaner::removeOldLogs(const QString& folder, const QDateTime& now, const QString& keep)
{
    const QDir dir(folder);
    const QFileInfo kept(keep);
    const QFileInfoList logs = dir.entryInfoList({QStringLiteral("*.log")}, QDir::Files);
    for (const QFileInfo& log : logs) {
        if (log.absoluteFilePath() == kept.absoluteFilePath())
            continue;
        if (isExpired(log, now))
            QFile::remove(log.absoluteFilePath());
    }
}

void HomeCleaner::removeOldTemporaryFolders(const QString& folder, const QDateTime& now)
{
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("tmp_*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!entry.isDir() || entry.isSymLink() || !isExpired(entry, now))
            continue;
        QDir temporary(entry.absoluteFilePath());
        const QFileInfoList parts =
            temporary.entryInfoList({QStringLiteral("stltmp*")}, QDir::Files);
        for (const QFileInfo& part : parts)
            QFile::remove(part.absoluteFilePath());
        // Fails, as intended, when anything else is left inside.
        dir.rmdir(entry.fileName());
    }
}
