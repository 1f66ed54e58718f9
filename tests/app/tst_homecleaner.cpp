#include "app/homecleaner.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <utime.h>

namespace {

bool makeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1;
}

// Sets access and modification time; the birth time stays "now", as for a
// file copied onto this disk.
bool setModified(const QString& path, const QDateTime& when)
{
    utimbuf times;
    times.actime = when.toSecsSinceEpoch();
    times.modtime = when.toSecsSinceEpoch();
    return utime(QFile::encodeName(path).constData(), &times) == 0;
}

} // namespace

class TestHomeCleaner : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir home;
    const QDateTime now = QDateTime::currentDateTime();

    QString at(const QString& name) const { return home.filePath(name); }

    void makeOldFile(const QString& name, double hoursAgo)
    {
        QVERIFY(makeFile(at(name)));
        QVERIFY(setModified(at(name), now.addSecs(qint64(-hoursAgo * 3600))));
    }

    void makeTemporaryFolder(const QString& name, const QStringList& content, double hoursAgo)
    {
        QVERIFY(QDir(home.path()).mkdir(name));
        for (const QString& file : content)
            QVERIFY(makeFile(at(name + QLatin1Char('/') + file)));
        // After the content: adding files changes the folder's time.
        QVERIFY(setModified(at(name), now.addSecs(qint64(-hoursAgo * 3600))));
    }

private slots:
    void init()
    {
        QDir(home.path()).removeRecursively();
        QVERIFY(QDir().mkpath(home.path()));
    }

    void creationTimeIsTheOlderOfBirthAndChange()
    {
        QVERIFY(makeFile(at(QStringLiteral("copied.log"))));
        QVERIFY(setModified(at(QStringLiteral("copied.log")), now.addDays(-3)));
        QCOMPARE(HomeCleaner::creationTime(QFileInfo(at(QStringLiteral("copied.log")))).toSecsSinceEpoch(),
                 now.addDays(-3).toSecsSinceEpoch());

        QVERIFY(makeFile(at(QStringLiteral("future.log"))));
        QVERIFY(setModified(at(QStringLiteral("future.log")), now.addDays(3)));
        const QFileInfo future(at(QStringLiteral("future.log")));
        if (!future.birthTime().isValid())
            QSKIP("this file system records no birth time");
        QVERIFY(qAbs(HomeCleaner::creationTime(future).secsTo(now)) < 60);
    }

    void expiredLogsGoOthersStay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("hoursAgo");
        QTest::addColumn<bool>("removed");
        QTest::newRow("log of two days ago") << "morvane2_1a2b.log" << 48.0 << true;
        QTest::newRow("log of 25 hours ago") << "morvane2_ff.log" << 25.0 << true;
        QTest::newRow("log of 23 hours ago") << "morvane2_fe.log" << 23.0 << false;
        QTest::newRow("new log") << "morvane2_10.log" << 0.0 << false;
        QTest::newRow("qdebug.txt of last week") << "qdebug.txt" << 170.0 << false;
        QTest::newRow("other file of last week") << "notes.txt" << 170.0 << false;
        QTest::newRow("the running log reusing an old name") << "morvane2_1234.log" << 100.0 << false;
    }

    void expiredLogsGoOthersStay()
    {
        QFETCH(QString, name);
        QFETCH(double, hoursAgo);
        QFETCH(bool, removed);
        makeOldFile(name, hoursAgo);
        HomeCleaner::removeOldLogs(home.path(), now, at(QStringLiteral("morvane2_1234.log")));
        QCOMPARE(!QFile::exists(at(name)), removed);
    }

    void expiredTemporaryFoldersAreEmptiedOfTheirPieces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("content");
        QTest::addColumn<double>("hoursAgo");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<bool>("folderLeft");
        QTest::newRow("old folder of pieces goes")
            << "tmp_1" << QStringList{"stltmp0", "stltmp1.stl"} << 30.0 << QStringList{} << false;
        QTest::newRow("old empty folder goes") << "tmp_empty" << QStringList{} << 30.0 << QStringList{} << false;
        QTest::newRow("old folder with a foreign file keeps it")
            << "tmp_2" << QStringList{"stltmp0", "mine.txt"} << 30.0 << QStringList{"mine.txt"} << true;
        QTest::newRow("new folder is untouched")
            << "tmp_3" << QStringList{"stltmp0"} << 2.0 << QStringList{"stltmp0"} << true;
        QTest::newRow("old folder without the prefix is untouched")
            << "temp_4" << QStringList{"stltmp0"} << 30.0 << QStringList{"stltmp0"} << true;
    }

    void expiredTemporaryFoldersAreEmptiedOfTheirPieces()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, content);
        QFETCH(double, hoursAgo);
        QFETCH(QStringList, left);
        QFETCH(bool, folderLeft);
        makeTemporaryFolder(name, content, hoursAgo);
        HomeCleaner::removeOldTemporaryFolders(home.path(), now);
        QCOMPARE(QFileInfo(at(name)).isDir(), folderLeft);
        if (folderLeft)
            QCOMPARE(QDir(at(name)).entryList(QDir::Files, QDir::Name), left);
    }

    void linkedTemporaryFolderLeavesItsTargetAlone()
    {
        // The link could lead anywhere outside the home folder.
        QTemporaryDir elsewhere;
        QVERIFY(makeFile(elsewhere.filePath(QStringLiteral("stltmp0"))));
        QVERIFY(QFile::link(elsewhere.path(), at(QStringLiteral("tmp_link"))));
        HomeCleaner::removeOldTemporaryFolders(home.path(), now.addDays(5));
        QVERIFY(QFile::exists(elsewhere.filePath(QStringLiteral("stltmp0"))));
    }
};

QTEST_GUILESS_MAIN(TestHomeCleaner)
#include "tst_homecleaner.moc"
