#pragma once

#include <QDateTime>
#include <QString>

class QFileInfo;

// Start-up's tidying of the home folder: logs of earlier runs and the
// temporary folders the facet reducer leaves behind, once a day old.
class HomeCleaner
{
public:
    // Linux reports the birth time as the moment the file was written to
    // this disk (a copy or an unpacked archive looks new), and some file
    // systems report none, so the older of birth and last change counts.
    // Invalid when neither is known.
    static QDateTime creationTime(const QFileInfo& entry);

    // True when the entry was made more than a day before `now`.
    static bool isExpired(const QFileInfo& entry, const QDateTime& now);

    // Removes the expired "*.log" files of `folder`, never `keep` (the running
    // process's own log, whose name an earlier run may have used).
    static void removeOldLogs(const QString& folder, const QDateTime& now, const QString& keep);

    // Empties the expired "tmp_*" folders of `folder` of their "stltmp*" files
    // and removes them; a folder still holding anything else stays.
    static void removeOldTemporaryFolders(const QString& folder, const QDateTime& now);
};
