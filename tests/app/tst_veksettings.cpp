#include "app/veksettings.h"

#include "isolatedhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestVekSettings : public QObject
{
    Q_OBJECT

private:
    IsolatedHome home;
    QTemporaryDir files;

    QString makeFile(const QString& name)
    {
        const QString path = files.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(path));
        return path;
    }

private slots:
    void init()
    {
        VekSettings settings;
        settings.clear();
        settings.sync();
    }

    void recentFilesKeepNewestFiveOnce_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("newest first") << QStringList{"/a", "/b", "/c"} << QStringList{"/c", "/b", "/a"};
        QTest::newRow("same path twice stays once at the front")
            << QStringList{"/a", "/b", "/a"} << QStringList{"/a", "/b"};
        QTest::newRow("reopening a middle entry moves it to the front")
            << QStringList{"/a", "/b", "/c", "/d", "/b"} << QStringList{"/b", "/d", "/c", "/a"};
        QTest::newRow("sixth distinct path drops the oldest")
            << QStringList{"/1", "/2", "/3", "/4", "/5", "/6"} << QStringList{"/6", "/5", "/4", "/3", "/2"};
        QTest::newRow("readding into a full list keeps five")
            << QStringList{"/1", "/2", "/3", "/4", "/5", "/3"} << QStringList{"/3", "/5", "/4", "/2", "/1"};
        QTest::newRow("letter case makes different entries")
            << QStringList{"/Model.scp", "/model.scp"} << QStringList{"/model.scp", "/Model.scp"};
        QTest::newRow("empty path adds no row") << QStringList{"/a", "", "/b"} << QStringList{"/b", "/a"};
    }

    void recentFilesKeepNewestFiveOnce()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        {
            VekSettings settings;
            for (const QString& path : added)
                settings.addRecentFile(path);
        }
        QCOMPARE(VekSettings().recentFiles(), expected);
    }

    void recentFilesReachTheNativeStoreAtOnce()
    {
        // Another settings object, as another part of the program would use,
        // must see the list without this one being destroyed first.
        VekSettings writer;
        writer.addRecentFile(QStringLiteral("/x.scp"));
        const QString store = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/Vek Technologies, Inc./Morvane2.conf");
        QVERIFY2(QFile::exists(store), qPrintable(store));
        QSettings reader(store, QSettings::IniFormat);
        QCOMPARE(reader.value("recentFiles").toStringList(), QStringList{"/x.scp"});
    }

    void lastFileIsCanonicalAndAlsoRecent()
    {
        const QString path = makeFile(QStringLiteral("relief.scp"));
        const QString link = files.filePath(QStringLiteral("link.scp"));
        QVERIFY(QFile::link(path, link));
        const QString canonical = QFileInfo(path).canonicalFilePath();

        VekSettings settings;
        settings.setLastFile(QFileInfo(files.path() + QStringLiteral("/./link.scp")));
        QCOMPARE(settings.lastFile(), canonical);
        QCOMPARE(settings.lastDir(), QFileInfo(path).canonicalPath());
        QCOMPARE(settings.recentFiles(), QStringList{canonical});
    }

    void missingLastFileIsIgnored()
    {
        const QString kept = QFileInfo(makeFile(QStringLiteral("kept.ptr"))).canonicalFilePath();
        VekSettings settings;
        settings.setLastFile(QFileInfo(kept));
        settings.setLastFile(QFileInfo(files.filePath(QStringLiteral("missing.scp"))));
        QCOMPARE(settings.lastFile(), kept);
        QCOMPARE(settings.recentFiles(), QStringList{kept});
    }

    void lastDirIsEmptyOnceTheFileIsGone()
    {
        const QString path = makeFile(QStringLiteral("gone.scp"));
        const QString canonical = QFileInfo(path).canonicalFilePath();
        VekSettings settings;
        settings.setLastFile(QFileInfo(path));
        QVERIFY(QFile::remove(path));
        QCOMPARE(settings.lastDir(), QString());
        QCOMPARE(settings.lastFile(), canonical);
    }

    void homeAndDownloadFoldersAreMadeUnderHome()
    {
        const QString home = QDir::homePath() + QStringLiteral("/Morvane2");
        QDir(home).removeRecursively();
        QCOMPARE(VekSettings::homeDir(), home);
        QVERIFY(QFileInfo(home).isDir());
        QCOMPARE(VekSettings::downloadDir(), home + QStringLiteral("/download"));
        QVERIFY(QFileInfo(home + QStringLiteral("/download")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestVekSettings)
#include "tst_veksettings.moc"
