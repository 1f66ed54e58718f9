#include "app/homecleaner.h"

#include <QDateTime>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <utime.h>

class TestHomeCleaner : public QObject
{
    Q_OBJECT

private slots:
    void oldLogsAndTemporaryPiecesGo()
    {
        QTemporaryDir home;
        const QDateTime now = QDateTime::currentDateTime();
        // Files first, then their folders: adding a file changes its folder's
        // time. Only the modification time is set; the birth time stays
        // "now", as for a file copied onto this disk.
        const struct { const char* name; double hoursAgo; } entries[] = {
            {"morvane2_ff.log", 25}, {"morvane2_fe.log", 23}, {"qdebug.txt", 170},
            {"morvane2_1234.log", 100}, // the running log, reusing an old name
            {"tmp_1/stltmp0", 30}, {"tmp_1/stltmp1.stl", 30}, {"tmp_1", 30},
            {"tmp_2/stltmp0", 30}, {"tmp_2/mine.txt", 30}, {"tmp_2", 30},
            {"tmp_3/stltmp0", 2}, {"tmp_3", 2}, {"temp_4/stltmp0", 30}, {"temp_4", 30}};
        for (const auto& entry : entries) {
            const QString path = home.filePath(QString::fromLatin1(entry.name));
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            QVERIFY(QFileInfo(path).isDir() || file.open(QIODevice::WriteOnly));
            file.close();
            const time_t when = now.addSecs(qint64(-entry.hoursAgo * 3600)).toSecsSinceEpoch();
            const utimbuf times{when, when};
            QCOMPARE(utime(QFile::encodeName(path).constData(), &times), 0);
        }
        HomeCleaner::removeOldLogs(home.path(), now, home.filePath(QStringLiteral("morvane2_1234.log")));
        HomeCleaner::removeOldTemporaryFolders(home.path(), now);

        QStringList left;
        QDirIterator it(home.path(), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            left << QDir(home.path()).relativeFilePath(it.next());
        left.sort();
        QCOMPARE(left, (QStringList{"morvane2_1234.log", "morvane2_fe.log", "qdebug.txt", "temp_4", "temp_4/stltmp0",
                                    "tmp_2", "tmp_2/mine.txt", "tmp_3", "tmp_3/stltmp0"}));
    }

    void linkedTemporaryFolderLeavesItsTargetAlone()
    {
        // The link could lead anywhere outside the home folder.
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        QFile piece(elsewhere.filePath(QStringLiteral("stltmp0")));
        QVERIFY(piece.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(elsewhere.path(), home.filePath(QStringLiteral("tmp_link"))));
        HomeCleaner::removeOldTemporaryFolders(home.path(), QDateTime::currentDateTime().addDays(5));
        QVERIFY(piece.exists());
    }
};

QTEST_GUILESS_MAIN(TestHomeCleaner)
#include "tst_homecleaner.moc"
