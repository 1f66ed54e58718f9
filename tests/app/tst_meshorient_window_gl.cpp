// A mesh file opened in the real main window, turned with the ribbon's own
// buttons and accepted: the heights of the relief the window then holds, the
// bas-relief made from the import page, and the tabs and tools Accept leaves.
#include "windowtest.h"
#include "slowpipe.h"

#include "tst_meshorient_shapes.h"

#include "app/ribbontabs.h"
#include "files/workspacefile.h"
#include "relief/sculptundo.h"
#include "views/facetwin.h"
#include "views/flatwin.h"

#include "mesh/facetshape.h"
#include "mesh/stlfilewriter.h"
#include "relief/reliefsource.h"

#include <QDataStream>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstring>

namespace {

bool writeStl(const QString& path, const FacetShape& shape)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    return writeFacetShapeStl(out, shape, QStringLiteral("test"));
}

// A 48 x 32 cell slab two cells thick with a 16 x 16 tower forty cells high:
// a height step that a bas-relief flattens.
std::unique_ptr<FacetShape> tallTower()
{
    const double c = 1.0 / 128.0;
    auto s = std::make_unique<FacetShape>();
    addBox(*s, VekMath::Vector3d(0, 0, 0), VekMath::Vector3d(48 * c, 32 * c, 2 * c));
    addBox(*s, VekMath::Vector3d(16 * c, 8 * c, 2 * c), VekMath::Vector3d(32 * c, 24 * c, 40 * c));
    return s;
}

// A 32 x 32 cell slab with a 16 x 16 tower on its low-x, low-y quarter.
std::unique_ptr<FacetShape> cornerTower()
{
    const double c = 1.0 / 128.0;
    auto s = std::make_unique<FacetShape>();
    addBox(*s, VekMath::Vector3d(0, 0, 0), VekMath::Vector3d(32 * c, 32 * c, 2 * c));
    addBox(*s, VekMath::Vector3d(0, 0, 2 * c), VekMath::Vector3d(16 * c, 16 * c, 20 * c));
    return s;
}

// Facets that cover no cell from above: a line, an upright facet and a
// point. Their raster has width but no heights.
std::unique_ptr<FacetShape> noTopSurface()
{
    using VekMath::Vector3d;
    auto s = std::make_unique<FacetShape>();
    s->addFacet(Facet(Vector3d(0, 0, 0), Vector3d(1, 1, 1), Vector3d(2, 2, 2), Vector3d()));
    s->addFacet(Facet(Vector3d(0, 0, 0), Vector3d(0, 0, 1), Vector3d(1, 0, 1), Vector3d()));
    s->addFacet(Facet(Vector3d(0, 0, 0), Vector3d(0, 0, 0), Vector3d(0, 0, 0), Vector3d()));
    return s;
}

// Standing upright in the YZ plane: no width to rasterise.
std::unique_ptr<FacetShape> edgeOn()
{
    auto s = std::make_unique<FacetShape>();
    s->addFacet(Facet(VekMath::Vector3d(0, 0, 0), VekMath::Vector3d(0, 1, 0), VekMath::Vector3d(0, 0, 1),
                      VekMath::Vector3d()));
    return s;
}

// Facets overlapping across 40 x 40 inches, one above the other: a raster
// that takes a while even on many cores.
std::unique_ptr<FacetShape> overlappingFacets(int count)
{
    auto s = std::make_unique<FacetShape>();
    for (int i = 0; i < count; ++i) {
        const double z = i * 0.001;
        s->addFacet(Facet(VekMath::Vector3d(0, 0, z), VekMath::Vector3d(40, 0, z), VekMath::Vector3d(0, 40, 1 + z),
                          VekMath::Vector3d()));
    }
    return s;
}

// The quarter of the view where it shows its relief highest.
QString highestQuarter(ReliefView* view)
{
    view->grabFramebuffer();
    view->readDepthBuffer();
    const int w = view->width();
    const int h = view->height();
    const QList<QPair<QString, QPoint>> quarters{{"upper left", QPoint(w / 4, h / 4)},
                                                 {"upper right", QPoint(3 * w / 4, h / 4)},
                                                 {"lower left", QPoint(w / 4, 3 * h / 4)},
                                                 {"lower right", QPoint(3 * w / 4, 3 * h / 4)}};
    QString highest;
    double top = -1.0;
    for (const auto& quarter : quarters) {
        bool hit = false;
        const double z = view->pickPoint(quarter.second, &hit).z;
        if (hit && z > top) {
            top = z;
            highest = quarter.first;
        }
    }
    return highest;
}

int toolOf(const ReliefView* view)
{
    const Tool* tool = view->currentTool();
    return tool ? int(tool->type) : int(Tool::NoTool);
}

// What the user sees of the window's state: its title, the workspace Save
// writes to, whether closing asks to save, the ribbon's tabs, the panel's
// page and controls, the views shown, the sculpting tool and the model size.
QString windowState(MainWindow& window)
{
    QStringList state;
    state << window.windowTitle() << QStringLiteral("workspace ") + window.workspacePath();
    state << QStringLiteral("modified %1").arg(window.panel()->undoStack()->isModified());
    Ribbon* ribbon = window.ribbonWidget();
    for (const QString& tab : shownTabs(ribbon))
        state << tab + (ribbon->page(tab)->isEnabled() ? QStringLiteral(" on") : QStringLiteral(" off"));
    state << QStringLiteral("current ") + ribbon->tabText(ribbon->currentIndex());
    auto* pages = window.panel()->findChild<QTabWidget*>();
    for (int i = 0; i < pages->count(); ++i)
        state << QStringLiteral("page ") + pages->tabText(i);
    state << QStringLiteral("controls %1").arg(window.panel()->findChild<QFrame*>(QStringLiteral("ControlFrame"))->isEnabled());
    state << QStringLiteral("views %1 %2 %3")
                 .arg(window.sculptWin()->isVisible())
                 .arg(window.flatWin()->isVisible())
                 .arg(window.facetWin()->isVisible());
    state << QStringLiteral("tool %1").arg(toolOf(window.sculptWin()));
    state << QStringLiteral("smoothing %1").arg(window.panel()->findChild<QSlider*>(QStringLiteral("smoothing"))->value());
    state << ribbon->page(tabExport)->findChild<QLabel*>(QStringLiteral("sizeLabel"))->text();
    return state.join(QStringLiteral("; "));
}

QPushButton* panelButton(MainWindow& window, const char* name)
{
    return window.panel()->findChild<QPushButton*>(QLatin1String(name));
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
    void zQuarterTurnGoesTheWayItsArrowPoints_data();
    void zQuarterTurnGoesTheWayItsArrowPoints();
    void basReliefOnlyWhenSwitchedOnBeforeAccept_data();
    void basReliefOnlyWhenSwitchedOnBeforeAccept();
    void acceptLeavesScaleZWithSculptingOffUntilPanelAccept();
    void emptyRasterLeavesTheWindowAsBefore_data();
    void emptyRasterLeavesTheWindowAsBefore();
    void cancelledAcceptLeavesTheMeshToOrient();
    void slowMeshReadShowsProgressAndCancelKeepsTheModel();

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
    QVERIFY(writeStl(dir.filePath(QStringLiteral("tower.stl")), *tallTower()));
    QVERIFY(writeStl(dir.filePath(QStringLiteral("corner.stl")), *cornerTower()));
    QVERIFY(writeStl(dir.filePath(QStringLiteral("edge.stl")), *edgeOn()));
    QVERIFY(writeStl(dir.filePath(QStringLiteral("flat.stl")), *noTopSurface()));
    QVERIFY(writeStl(dir.filePath(QStringLiteral("overlapping.stl")), *overlappingFacets(1000)));
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
    QTest::newRow("spin right") << QStringList{"rotate_cw"} << QStringList{"111", "111", "331", "331"};
    QTest::newRow("spin left") << QStringList{"rotate_ccw"} << QStringList{"113", "113", "113", "111"};
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

// Buttons are named after their pictures. The views look down on the model
// with +Y up, so the tower on the low-x, low-y quarter starts lower left.
void TestMeshOrientWindow::zQuarterTurnGoesTheWayItsArrowPoints_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("quarter");
    QTest::newRow("as read") << QString() << "lower left";
    QTest::newRow("clockwise arrow") << "rotate_cw" << "upper left";
    QTest::newRow("anticlockwise arrow") << "rotate_ccw" << "lower right";
}

void TestMeshOrientWindow::zQuarterTurnGoesTheWayItsArrowPoints()
{
    QFETCH(QString, button);
    QFETCH(QString, quarter);
    window->load(dir.filePath(QStringLiteral("corner.stl")), false);
    if (!button.isEmpty())
        QTest::mouseClick(orientButton(button), Qt::LeftButton);
    QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);
    QVERIFY(window->sculptWin()->isVisible());
    QCOMPARE(highestQuarter(window->sculptWin()), quarter);
}

void TestMeshOrientWindow::basReliefOnlyWhenSwitchedOnBeforeAccept_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("switch off: the raster itself") << false;
    QTest::newRow("switch on: a bas-relief") << true;
}

void TestMeshOrientWindow::basReliefOnlyWhenSwitchedOnBeforeAccept()
{
    QFETCH(bool, on);
    window->load(dir.filePath(QStringLiteral("tower.stl")), false);
    QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);
    Relief* model = window->currentModel();
    QVERIFY(model && model->source());
    const ReliefSource& src = *model->source();
    std::vector<float> raster;
    for (uint32_t y = 0; y < src.height; ++y)
        for (uint32_t x = 0; x < src.width; ++x)
            raster.push_back(src.rawSample(x, y));
    QCOMPARE(int(raster.size()), model->cellCount());

    // What the generator makes of the source with the panel's settings.
    std::vector<float> basRelief;
    if (on) {
        QTest::mouseClick(panelButton(*window, "basReliefOn"), Qt::LeftButton);
        QTest::mouseClick(panelButton(*window, "update"), Qt::LeftButton);
        QVERIFY(src.basRelief);
        ReliefSource copy = src;
        copy.dirty = true;
        Relief reference(copy);
        reference.rebuild(true);
        basRelief = heightsOf(&reference);
        QVERIFY(basRelief != raster);
    }
    QTest::mouseClick(panelButton(*window, "accept"), Qt::LeftButton);
    QCOMPARE(window->currentModel(), model);
    QVERIFY(!model->source());
    QCOMPARE(heightsOf(model), on ? basRelief : raster);
}

void TestMeshOrientWindow::acceptLeavesScaleZWithSculptingOffUntilPanelAccept()
{
    window->load(dir.filePath(QStringLiteral("slab.stl")), false);
    QVERIFY(window->facetWin()->isVisible());
    QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);

    Ribbon* ribbon = window->ribbonWidget();
    QCOMPARE(shownTabs(ribbon), QStringList({tabViewSettings, tabScaleZ, tabSculptingTools, tab2dEdit, tabExport}));
    QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabScaleZ);
    QVERIFY(ribbon->page(tabScaleZ)->isEnabled());
    QVERIFY(!ribbon->page(tabSculptingTools)->isEnabled());
    QVERIFY(!ribbon->page(tab2dEdit)->isEnabled());
    QVERIFY(!ribbon->page(tabExport)->isEnabled());
    QVERIFY(window->sculptWin()->isVisible());
    QVERIFY(!window->facetWin()->isVisible());
    // Strokes on a relief still rebuilt from its source would be lost.
    QCOMPARE(toolOf(window->sculptWin()), int(Tool::NoTool));

    QTest::mouseClick(panelButton(*window, "accept"), Qt::LeftButton);
    QCOMPARE(ribbon->tabText(ribbon->currentIndex()), tabSculptingTools);
    for (const QString& tab : {tabScaleZ, tabSculptingTools, tab2dEdit, tabExport})
        QVERIFY2(ribbon->page(tab)->isEnabled(), qPrintable(tab));
    QCOMPARE(toolOf(window->sculptWin()), int(Tool::Smooth));
}

void TestMeshOrientWindow::emptyRasterLeavesTheWindowAsBefore_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("mesh");
    QTest::newRow("accepted picture") << "hill.png" << true << "edge.stl";
    QTest::newRow("picture awaiting Accept") << "hill.png" << false << "edge.stl";
    QTest::newRow("accepted mesh") << "slab.stl" << true << "edge.stl";
    QTest::newRow("modified workspace") << "work.scp" << true << "edge.stl";
    QTest::newRow("accepted picture, raster of zeros") << "hill.png" << true << "flat.stl";
}

void TestMeshOrientWindow::emptyRasterLeavesTheWindowAsBefore()
{
    QFETCH(QString, first);
    QFETCH(bool, accepted);
    QFETCH(QString, mesh);
    const QString path = dir.filePath(first);
    const bool workspace = first.endsWith(QLatin1String(".scp"));
    if (workspace) {
        // A plateau for the stroke below to deposit on.
        Relief plateau(32, 32);
        std::fill(plateau.heights(), plateau.heights() + plateau.cellCount(), 20.0f);
        plateau.setHeightMax(20.0);
        QVERIFY(WorkspaceFile::save(path, plateau).ok());
    } else if (first.endsWith(QLatin1String(".png")))
        QVERIFY(writePicture(path, 16, 16, [](int x, int y) { return hillPixel(x, y, 16); }));
    window->load(path, false);
    if (window->currentMesh())
        QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);
    if (workspace) {
        QTest::keyClick(window.get(), Qt::Key_3);
        strokeAcross(window->sculptWin());
        QVERIFY(window->panel()->undoStack()->isModified());
    } else if (accepted) {
        QTest::mouseClick(panelButton(*window, "accept"), Qt::LeftButton);
    } else {
        window->panel()->findChild<QSlider*>(QStringLiteral("smoothing"))->setValue(10);
    }
    Relief* kept = window->currentModel();
    const QString before = windowState(*window);
    if (workspace)
        answerer->buttons << QMessageBox::Discard;
    answerer->fileNames << dir.filePath(mesh);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QVERIFY(window->currentMesh());
    QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);

    QCOMPARE(answerer->boxes.size(), workspace ? 2 : 1);
    QCOMPARE(answerer->boxes.last().text, QStringLiteral("The mesh gave no heights to make a relief of. "
                                                         "The current model is kept."));
    QCOMPARE(window->currentModel(), kept);
    QVERIFY(!window->currentMesh());
    QCOMPARE(windowState(*window), before);

    // Save writes the workspace the model came from without asking; any
    // other model is saved under a name asked for.
    if (workspace)
        QVERIFY(QFile::remove(path));
    const int dialogs = answerer->fileDialogs;
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(answerer->fileDialogs, dialogs + (workspace ? 0 : 1));
    QVERIFY(QFileInfo::exists(path));
}

void TestMeshOrientWindow::cancelledAcceptLeavesTheMeshToOrient()
{
    Relief* kept = window->currentModel();
    const std::vector<float> heights = heightsOf(kept);
    window->load(dir.filePath(QStringLiteral("overlapping.stl")), false);
    FacetShape* mesh = window->currentMesh();
    QVERIFY(mesh);
    const std::vector<Facet> facets(mesh->facets().begin(), mesh->facets().end());
    Ribbon* ribbon = window->ribbonWidget();
    const QStringList tabs = shownTabs(ribbon);
    auto sizes = [ribbon] {
        QStringList texts;
        for (const QDoubleSpinBox* field : ribbon->page(QStringLiteral("Orient / Scale"))->findChildren<QDoubleSpinBox*>())
            texts << field->text();
        return texts;
    };
    const QStringList sizesBefore = sizes();
    answerer->cancelProgress = true;
    QTest::mouseClick(orientButton(QStringLiteral("accept")), Qt::LeftButton);

    QCOMPARE(answerer->cancelledProgress, 1);
    QCOMPARE(answerer->cancelledLabel, QStringLiteral("Rasterizing Mesh"));
    QVERIFY(answerer->boxes.isEmpty());
    QCOMPARE(window->currentMesh(), mesh);
    QCOMPARE(window->facetWin()->facetShape(), mesh);
    QVERIFY(window->facetWin()->isVisible());
    QCOMPARE(size_t(mesh->facetCount()), facets.size());
    QVERIFY(std::memcmp(mesh->facets().constData(), facets.data(), facets.size() * sizeof(Facet)) == 0);
    QCOMPARE(sizes(), sizesBefore);
    QCOMPARE(shownTabs(ribbon), tabs);
    QCOMPARE(ribbon->tabText(ribbon->currentIndex()), QStringLiteral("Orient / Scale"));
    QCOMPARE(window->currentModel(), kept);
    QCOMPARE(heightsOf(window->currentModel()), heights);
}

// The file is a pipe that a thread of the test keeps writing vertices to,
// slowly, until the load is over or a few seconds have passed: a read that
// lasts while the window has to go on answering.
void TestMeshOrientWindow::slowMeshReadShowsProgressAndCancelKeepsTheModel()
{
    const QString path = dir.filePath(QStringLiteral("slow.obj"));
    SlowPipe pipe(path, "v 0 0 0\n", 200);
    QVERIFY(pipe.ok());
    Relief* kept = window->currentModel();
    const QString title = window->windowTitle();
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(50);
    answerer->cancelProgress = true;
    window->load(path, false);
    pipe.stop();

    QCOMPARE(answerer->cancelledProgress, 1);
    QCOMPARE(answerer->cancelledLabel, QStringLiteral("Reading Mesh"));
    QVERIFY(ticks > 0);
    QVERIFY(answerer->boxes.isEmpty());
    QVERIFY(!window->currentMesh());
    QCOMPARE(window->currentModel(), kept);
    QCOMPARE(window->windowTitle(), title);
}

MORVANE_WINDOW_TEST_MAIN(TestMeshOrientWindow)
#include "tst_meshorient_window_gl.moc"
