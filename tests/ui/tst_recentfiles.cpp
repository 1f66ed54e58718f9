// The recent-files rows: icons by suffix, five newest rows, rows rebuilt from
// the list on every refresh.
#include "common/isolatedhome.h"

#include "base/veksettings.h"
#include "ui/recentfileswidget.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TestRecentFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void iconFollowsSuffix_data();
    void iconFollowsSuffix();
    void listsFiveNewestFirst();
    void refreshingTwiceKeepsOneRowPerFile();
    void shorterListDropsOldRows();

private:
    QStringList labels() const;
    void open(const QStringList& paths);

    std::unique_ptr<IsolatedHome> home;
    std::unique_ptr<VekSettings> settings;
    std::unique_ptr<RecentFilesWidget> widget;
};

void TestRecentFiles::initTestCase()
{
    // Qt keeps the settings path it found first: one home for the whole run.
    home = std::make_unique<IsolatedHome>();
}

void TestRecentFiles::init()
{
    settings = std::make_unique<VekSettings>();
    settings->clear();
    widget = std::make_unique<RecentFilesWidget>();
    widget->setSettings(settings.get());
}

void TestRecentFiles::cleanup()
{
    widget.reset();
    settings.reset();
}

void TestRecentFiles::open(const QStringList& paths)
{
    for (const QString& p : paths)
        settings->addRecentFile(p);
}

QStringList TestRecentFiles::labels() const
{
    QStringList texts;
    auto* grid = qobject_cast<QGridLayout*>(widget->layout());
    if (!grid)
        return texts;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QLayoutItem* item = grid->itemAtPosition(row, 1);
        if (item && item->widget())
            texts << qobject_cast<QLabel*>(item->widget())->text();
    }
    return texts;
}

void TestRecentFiles::iconFollowsSuffix_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("icon");
    QTest::newRow("upper-case stl") << "/models/part.STL" << "stl";
    QTest::newRow("upper-case jpeg") << "/pics/photo.JPEG" << "jpeg";
    QTest::newRow("workspace") << "/w/job.scp" << "scp";
    QTest::newRow("text") << "/notes/readme.txt" << "";
    QTest::newRow("suffix only in folder") << "/obj/file" << "";
}

void TestRecentFiles::iconFollowsSuffix()
{
    QFETCH(QString, path);
    QFETCH(QString, icon);
    QCOMPARE(RecentFilesWidget::fileTypeIcon(path), icon);
}

void TestRecentFiles::listsFiveNewestFirst()
{
    open({"/m/1.stl", "/m/2.obj", "/m/3.png", "/m/4.scp", "/m/5.txt", "/m/6.JPG", "/m/7.ptr"});
    widget->updateRecentFileList();
    QCOMPARE(widget->rowCount(), 5);
    QCOMPARE(labels(), (QStringList{"7.ptr", "6.JPG", "5.txt", "4.scp", "3.png"}));
    QCOMPARE(widget->findChildren<QPushButton*>().size(), 5);
    QCOMPARE(widget->findChildren<QLabel*>().size(), 5);
    auto* grid = qobject_cast<QGridLayout*>(widget->layout());
    const auto iconOf = [grid](int row) {
        return qobject_cast<QPushButton*>(grid->itemAtPosition(row, 0)->widget())->icon();
    };
    QCOMPARE(iconOf(1).pixmap(24, 24).toImage(), QIcon(":/morvane2/jpg").pixmap(24, 24).toImage());
    QVERIFY(iconOf(0).pixmap(24, 24).toImage() != iconOf(1).pixmap(24, 24).toImage());
    QVERIFY(iconOf(2).isNull());
}

void TestRecentFiles::refreshingTwiceKeepsOneRowPerFile()
{
    open({"/m/a.stl", "/m/b.obj"});
    widget->updateRecentFileList();
    widget->updateRecentFileList();
    QCOMPARE(widget->findChildren<QPushButton*>().size(), 2);
    QCOMPARE(widget->findChildren<QLabel*>().size(), 2);
    QCOMPARE(labels(), (QStringList{"b.obj", "a.stl"}));
}

void TestRecentFiles::shorterListDropsOldRows()
{
    open({"/m/a.stl", "/m/b.obj", "/m/c.png"});
    widget->updateRecentFileList();
    settings->setValue(QStringLiteral("recentFiles"), QStringList{"/m/z.stl"});
    widget->updateRecentFileList();
    QCOMPARE(widget->rowCount(), 1);
    QCOMPARE(labels(), QStringList{"z.stl"});
    QCOMPARE(widget->findChildren<QPushButton*>().size(), 1);
}

QTEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
