#include "base/veksettings.h"

#include "common/isolatedhome.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QtTest>

class TestVekSettings : public QObject
{
    Q_OBJECT

    IsolatedHome home;

private slots:
    void init()
    {
        VekSettings().clear();
    }

    void recentFilesKeepNewestFiveOnce_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("newest first, once") << QStringList{"/a", "/b", "/c", "/a"} << QStringList{"/a", "/c", "/b"};
        QTest::newRow("sixth distinct path drops the oldest")
            << QStringList{"/1", "/2", "/3", "/4", "/5", "/6"} << QStringList{"/6", "/5", "/4", "/3", "/2"};
        QTest::newRow("readding into a full list keeps five")
            << QStringList{"/1", "/2", "/3", "/4", "/5", "/3"} << QStringList{"/3", "/5", "/4", "/2", "/1"};
        QTest::newRow("empty path adds no row") << QStringList{"/a", "", "/b"} << QStringList{"/b", "/a"};
    }

    void recentFilesKeepNewestFiveOnce()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        VekSettings settings;
        for (const QString& path : added)
            settings.addRecentFile(path);
        // Other parts of the program read the native store while this object lives.
        const QString store = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/Vek Technologies, Inc./Morvane2.conf");
        QCOMPARE(QSettings(store, QSettings::IniFormat).value("recentFiles").toStringList(), expected);
    }

    void lastFileIsCanonicalAndMissingFilesAreIgnored()
    {
        QFile file(home.dir.filePath(QStringLiteral("relief.scp")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.link(home.dir.filePath(QStringLiteral("link.scp"))));
        const QString kept = QFileInfo(file).canonicalFilePath();
        VekSettings settings;
        settings.setLastFile(QFileInfo(home.dir.path() + QStringLiteral("/./link.scp")));
        settings.setLastFile(QFileInfo(home.dir.filePath(QStringLiteral("missing.scp"))));
        settings.setLastFile(QFileInfo(QString()));
        QCOMPARE(settings.lastFile(), kept);
        QCOMPARE(settings.lastDir(), QFileInfo(kept).path());
        QCOMPARE(settings.recentFiles(), QStringList{kept});
        QVERIFY(file.remove());
        QCOMPARE(settings.lastDir(), QString());
    }

    void updateBaseUrlDropsTrailingSlashesAndFallsBackWhenUnset()
    {
        VekSettings settings;
        QVERIFY(settings.updateBaseUrl().startsWith(QStringLiteral("https://")));
        settings.setUpdateBaseUrl(QStringLiteral("http://127.0.0.1:8080//"));
        QCOMPARE(VekSettings().updateBaseUrl(), QStringLiteral("http://127.0.0.1:8080"));
        settings.setUpdateBaseUrl(QStringLiteral("  "));
        QVERIFY(VekSettings().updateBaseUrl().startsWith(QStringLiteral("https://")));
    }
};

QTEST_GUILESS_MAIN(TestVekSettings)
#include "tst_veksettings.moc"
