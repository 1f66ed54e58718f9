// A mesh file opened in the real main window, turned with the ribbon's own
// buttons and accepted: the heights of the relief the window then holds.
#include "windowtest.h"

#include "tst_meshorient_shapes.h"

#include "mesh/facetshape.h"
#include "mesh/stlfilewriter.h"
#include "relief/reliefsource.h"

#include <QDataStream>
#include <QTemporaryDir>


namespace {

bool writeStl(const QString& path, const FacetShape& shape)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    return writeFacetShapeStl(out, shape, QStringLiteral("test"));
}

} // namespace

class TestMeshOrientWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void stlTurnedByRibbonButtons_data();
    void stlTurnedByRibbonButtons();

private:
    QPushButton* orientButton(const QString& name) const;

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
};

void TestMeshOrientWindow::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(writeStl(dir.filePath(QStringLiteral("slab.stl")), *toweredSlab()));
}

void TestMeshOrientWindow::init()
{
    answerer = std::make_unique<ModalAnswerer>();
    window = openWindow();
}

void TestMeshOrientWindow::cleanup()
{
    window.reset();
    answerer.reset();
}

QPushButton* TestMeshOrientWindow::orientButton(const QString& name) const
{
    QWidget* page = window->ribbonWidget()->page(QStringLiteral("Orient / Scale"));
    return page ? page->findChild<QPushButton*>(name) : nullptr;
}

void TestMeshOrientWindow::stlTurnedByRibbonButtons_data()
{
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("as read") << QStringList() << QStringList{"3331", "3331", "1111"};
    QTest::newRow("rotate up") << QStringList{"rotate_up"} << QStringList{"3333", "3333", "3330"};
    QTest::newRow("rotate down") << QStringList{"rotate_down"} << QStringList{"1110", "1110", "3333"};
    QTest::newRow("rotate left") << QStringList{"rotate_left"} << QStringList{"224", "224", "004"};
    QTest::newRow("rotate right") << QStringList{"rotate_right"} << QStringList{"444", "444", "440"};
    QTest::newRow("spin right") << QStringList{"rotate_ccw"} << QStringList{"111", "111", "331", "331"};
    QTest::newRow("spin left") << QStringList{"rotate_cw"} << QStringList{"113", "113", "113", "111"};
    QTest::newRow("flip") << QStringList{"flip"} << QStringList{"3333", "3333", "3333"};
    QTest::newRow("invert normals") << QStringList{"flip_normals"} << QStringList{"2222", "2222", "2222"};
    QTest::newRow("turned then reset") << QStringList{"rotate_down", "rotate_ccw", "reset_axes"}
                                       << QStringList{"3331", "3331", "1111"};
}

void TestMeshOrientWindow::stlTurnedByRibbonButtons()
{
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, rows);
    window->load(dir.filePath(QStringLiteral("slab.stl")), false);
    QVERIFY(window->currentMesh());
    QCOMPARE(window->ribbonWidget()->tabText(window->ribbonWidget()->currentIndex()),
             QStringLiteral("Orient / Scale"));
    for (const QString& name : buttons) {
        QPushButton* b = orientButton(name);
        QVERIFY2(b, qPrintable(name));
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);

    QVERIFY(!window->currentMesh());
    Relief* model = window->currentModel();
    QVERIFY(model);
    QVERIFY(model->source());
    QCOMPARE(heightRows(*model->source()), rows);
    QCOMPARE(window->sculptWin()->currentRelief(), model);
    QCOMPARE(model->width(), rows.first().size());
    QCOMPARE(model->height(), rows.size());
    QVERIFY(!shownTabs(window->ribbonWidget()).contains(QStringLiteral("Orient / Scale")));
}

MORVANE_WINDOW_TEST_MAIN(TestMeshOrientWindow)
#include "tst_meshorient_window_gl.moc"
