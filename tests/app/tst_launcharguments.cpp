#include "app/launcharguments.h"

#include <QtTest>

class TestLaunchArguments : public QObject
{
    Q_OBJECT

private slots:
    void countOfArgumentsChoosesTheHandOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("integration");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("importFile");
        QTest::addColumn<QString>("exportFile");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fileToOpen");
        QTest::addColumn<bool>("setsExport");
        QTest::addColumn<bool>("setsTitle");

        QTest::newRow("program only") << QStringList{"morvane2"} << false << "" << "" << "" << "" << "" << false
                                      << false;
        QTest::newRow("a file") << QStringList{"morvane2", "a.scp"} << false << "" << "" << "" << "" << "a.scp"
                                << false << false;
        QTest::newRow("file and export path")
            << QStringList{"morvane2", "a.ptr", "out.ptr"} << false << "" << "" << "out.ptr" << "" << "a.ptr" << true
            << false;
        QTest::newRow("file, export path and title")
            << QStringList{"morvane2", "a.ptr", "out.ptr", "Lid"} << false << "" << "" << "out.ptr" << "Lid"
            << "a.ptr" << true << true;
        QTest::newRow("empty title is still a title")
            << QStringList{"morvane2", "a.ptr", "out.ptr", ""} << false << "" << "" << "out.ptr" << "" << "a.ptr"
            << true << true;
        QTest::newRow("integration mode")
            << QStringList{"morvane2", "K3y", "in.ptr", "out.ptr", "Lid"} << true << "K3y" << "in.ptr" << "out.ptr"
            << "Lid" << "" << false << false;
        QTest::newRow("integration mode ignores further arguments")
            << QStringList{"morvane2", "K3y", "in.ptr", "out.ptr", "Lid", "extra"} << true << "K3y" << "in.ptr"
            << "out.ptr" << "Lid" << "" << false << false;
    }

    void countOfArgumentsChoosesTheHandOver()
    {
        QFETCH(QStringList, arguments);
        const LaunchArguments parsed(arguments);
        QTEST(parsed.integration, "integration");
        QTEST(parsed.integrationKey, "key");
        QTEST(parsed.importFile, "importFile");
        QTEST(parsed.exportFile, "exportFile");
        QTEST(parsed.modelTitle, "title");
        QTEST(parsed.fileToOpen, "fileToOpen");
        QTEST(parsed.setsExportFile, "setsExport");
        QTEST(parsed.setsModelTitle, "setsTitle");
    }
};

QTEST_GUILESS_MAIN(TestLaunchArguments)
#include "tst_launcharguments.moc"
