// The back stage as the main window drives it: the File action pops it up
// beside the pointer and hides it again, the recent rows follow the files the
// window opened, and a row reopens its file.
#include "windowtest.h"

#include "ui/aboutpage.h"
#include "ui/backstagewidget.h"
#include "ui/recentfileswidget.h"

#include <QAction>
#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolBar>

class TestBackStageWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fileActionTogglesBesidePointer();
    void rowsFollowOpenedFiles();

private:
    QAction* fileAction() const;
    QStringList rowLabels() const;

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
    BackStageWidget* stage = nullptr;
};

void TestBackStageWindow::initTestCase()
{
    QVERIFY(dir.isValid());
    for (int i = 1; i <= 7; ++i)
        QVERIFY(writePicture(dir.filePath(QStringLiteral("p%1.png").arg(i)), 16, 16,
                             [](int x, int y) { return hillPixel(x, y, 16); }));
}

void TestBackStageWindow::init()
{
    VekSettings().remove(QStringLiteral("recentFiles"));
    answerer = std::make_unique<ModalAnswerer>();
    window = openWindow();
    stage = window->backStageWidget();
}

void TestBackStageWindow::cleanup()
{
    window.reset();
    answerer.reset();
}

QAction* TestBackStageWindow::fileAction() const
{
    auto* bar = window->findChild<QToolBar*>(QStringLiteral("QuickAccessBar"));
    for (QAction* a : bar ? bar->actions() : QList<QAction*>())
        if (a->text() == QLatin1String("&File"))
            return a;
    return nullptr;
}

QStringList TestBackStageWindow::rowLabels() const
{
    QStringList texts;
    auto* grid = qobject_cast<QGridLayout*>(stage->recentFilesWidget()->layout());
    for (int row = 0; grid && row < grid->rowCount(); ++row)
        if (QLayoutItem* item = grid->itemAtPosition(row, 1))
            texts << qobject_cast<QLabel*>(item->widget())->text();
    return texts;
}

void TestBackStageWindow::fileActionTogglesBesidePointer()
{
    QAction* file = fileAction();
    QVERIFY(file);
    const QPoint pointer = window->mapToGlobal(QPoint(100, 60));
    QCursor::setPos(pointer);
    QTRY_COMPARE(QCursor::pos(), pointer);
    file->trigger();
    QVERIFY(stage->isVisible());
    QCOMPARE(stage->pos(), pointer + QPoint(-26, 24));
    file->trigger();
    QVERIFY(!stage->isVisible());
}

void TestBackStageWindow::rowsFollowOpenedFiles()
{
    for (int i = 1; i <= 7; ++i)
        window->load(dir.filePath(QStringLiteral("p%1.png").arg(i)), true);
    window->showBackStage();
    QCOMPARE(rowLabels(), (QStringList{"p7.png", "p6.png", "p5.png", "p4.png", "p3.png"}));
    window->hideBackStage();
    window->showBackStage();
    QCOMPARE(stage->recentFilesWidget()->findChildren<QPushButton*>().size(), 5);

    // The fourth row reopens p4.png, which then leads the list.
    auto* grid = qobject_cast<QGridLayout*>(stage->recentFilesWidget()->layout());
    QTest::mouseClick(qobject_cast<QPushButton*>(grid->itemAtPosition(3, 0)->widget()), Qt::LeftButton);
    window->showBackStage();
    QCOMPARE(rowLabels(), (QStringList{"p4.png", "p7.png", "p6.png", "p5.png", "p3.png"}));
}

MORVANE_WINDOW_TEST_MAIN(TestBackStageWindow)
#include "tst_backstage_window_gl.moc"
