// One dab of each brush kernel on small grids with values worked out by hand.
// The grid is 8 x 6, so the relief diagonal is 10 and Deposit/Remove move a
// cell by 0.01 x strength; a tool size of 0.05 gives the 4 x 4 footprint of
// radius 1, whose dab at an integer centre covers a 2 x 2 block of cells, and
// hardness 1 weighs every footprint cell 1.

#include "relief/relief.h"
#include "relief/sculptundo.h"
#include "relief/tool.h"

#include <QtTest>

#include <algorithm>
#include <limits>
#include <memory>

using VekMath::Rect2di;
using VekMath::Vector2d;

namespace {

const int W = 8;
const int H = 6;

// Cells written "x,y=value", separated by spaces.
QVector<QPair<int, float>> cells(const QString& text)
{
    QVector<QPair<int, float>> c;
    for (const QString& cell : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList parts = cell.split(QRegularExpression("[,=]"));
        c.append({parts[1].toInt() * W + parts[0].toInt(), parts[2].toFloat()});
    }
    return c;
}

// Whether the relief holds the cells given; a cell that differs is logged.
bool holds(const Relief& r, const QString& text)
{
    for (const auto& c : cells(text)) {
        if (r.heights()[c.first] != c.second) {
            qWarning("cell %d holds %.9g, not %.9g", c.first, double(r.heights()[c.first]), double(c.second));
            return false;
        }
    }
    return true;
}

// The grid filled with one height, then the cells given.
std::unique_ptr<Relief> grid(float fill, const QString& text = QString())
{
    auto r = std::make_unique<Relief>(W, H);
    std::fill(r->heights(), r->heights() + r->cellCount(), fill);
    for (const auto& c : cells(text))
        r->heights()[c.first] = c.second;
    return r;
}

std::unique_ptr<Tool> brush(Tool::Type type, double strength)
{
    auto t = std::make_unique<Tool>(type);
    t->size = 0.05;
    t->strength = strength;
    t->hardness = 1.0;
    t->keepTransparency = false;
    return t;
}

} // namespace

class TestKernels : public QObject
{
    Q_OBJECT

private slots:
    void oneDabOfEachKernel_data();
    void oneDabOfEachKernel();
    void smoothBorderCellDividesByItsNeighbours();
    void zeroAndUnselectedCellsAreSpared();
    void dabBeyondTheGridChangesNothing();
    void removeFloorOverTheEdgeStartsInsideGrid();
    void smudgeLaysDownThePickedUpPatch();
    void strokeFadesAlongDecayLength();
    void fillMarksChangedAreaAndRecordsUndo();
    void sampleTakesBaseLevel();
};

void TestKernels::oneDabOfEachKernel_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("clip");
    QTest::addColumn<double>("strength");
    QTest::addColumn<float>("fill");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("changes");

    // The dab at the centre covers (3, 2), (4, 2), (3, 3), (4, 3), in that
    // order; each cell sees the values written before it. Base level 2,
    // reference heights 5.
    const int normal = Tool::Normal;
    QTest::newRow("smooth reads cells already smoothed") << int(Tool::Smooth) << normal << false << 1.0 << 0.0f
        << "4,3=16" << "3,2=1 4,2=2.125 3,3=2.2578125 4,3=4.6103515625" << true;
    QTest::newRow("smooth raise keeps the spike") << int(Tool::Smooth) << int(Tool::Raise) << false << 1.0 << 0.0f
        << "4,3=16" << "3,2=1 4,2=2.125 3,3=2.2578125 4,3=16" << true;
    QTest::newRow("smooth lower only cuts the spike") << int(Tool::Smooth) << int(Tool::Lower) << false << 1.0
        << 0.0f << "4,3=16" << "3,2=0 4,2=0 3,3=0 4,3=4" << true;
    QTest::newRow("smooth on flat ground") << int(Tool::Smooth) << normal << false << 1.0 << 3.0f << ""
                                           << "3,2=3 4,3=3" << false;
    QTest::newRow("deposit half strength") << int(Tool::Deposit) << normal << false << 0.5 << 1.0f << ""
                                           << "3,2=1.0025 4,3=1.0025 2,2=1 5,3=1" << true;
    QTest::newRow("deposit ceiling is the highest cell under the footprint") << int(Tool::Deposit) << normal
        << true << 1.0 << 1.0f << "4,2=1.005 5,2=9" << "3,2=1.005 4,2=1.005 3,3=1.005 4,3=1.005" << true;
    QTest::newRow("remove half strength") << int(Tool::Remove) << normal << false << 0.5 << 1.0f << ""
                                          << "3,2=0.9975 4,3=0.9975" << true;
    QTest::newRow("remove never goes below zero") << int(Tool::Remove) << normal << false << 1.0 << 0.004f << ""
                                                  << "3,2=0 4,3=0" << true;
    QTest::newRow("remove floor is the lowest non-zero cell under the footprint") << int(Tool::Remove) << normal
        << true << 1.0 << 2.0f << "4,2=1.995 2,2=0.5" << "3,2=1.995 4,2=1.995 3,3=1.995 4,3=1.995" << true;
    QTest::newRow("remove floor never raises a zero cell") << int(Tool::Remove) << normal << true << 1.0 << 2.0f
        << "3,2=0 4,2=1.995" << "3,2=0 3,3=1.995 4,3=1.995" << true;
    QTest::newRow("undo brush pulls towards the reference") << int(Tool::Undo) << normal << false << 0.5 << 1.0f
        << "" << "3,2=3 4,3=3 5,3=1" << true;
    QTest::newRow("erase") << int(Tool::Erase) << normal << false << 0.1 << 5.0f << "" << "3,2=0 4,3=0 5,3=5" << true;
    QTest::newRow("erase over zeros") << int(Tool::Erase) << normal << false << 1.0 << 0.0f << "" << "3,2=0" << false;
    QTest::newRow("brush paints the base level over zeros") << int(Tool::Brush) << normal << false << 0.1 << 0.0f
        << "" << "3,2=2 4,3=2 5,3=0" << true;
}

void TestKernels::oneDabOfEachKernel()
{
    QFETCH(int, type);
    QFETCH(int, mode);
    QFETCH(bool, clip);
    QFETCH(double, strength);
    QFETCH(float, fill);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, changes);

    auto relief = grid(fill, before);
    std::fill(relief->referenceHeights(), relief->referenceHeights() + relief->cellCount(), 5.0f);
    relief->setBaseLevel(2.0);
    auto tool = brush(Tool::Type(type), strength);
    tool->mode = Tool::Mode(mode);
    tool->clip = clip;
    relief->resetChangedRect();
    SculptUndo undo;
    relief->beginStroke(tool.get(), Vector2d(0, 0), &undo, SelectionMode::Normal);
    QVERIFY(holds(*relief, after));
    const Rect2di expected = changes ? Rect2di(3, 2, 2, 2) : Rect2di();
    QCOMPARE(relief->changedRect(), expected);
    QCOMPARE(relief->strokeRect(), expected);
    relief->endStroke(Vector2d(0, 0), false);
    QCOMPARE(undo.count(), changes ? 1 : 0);
}

void TestKernels::smoothBorderCellDividesByItsNeighbours()
{
    // At the grid corner only the cell itself (4), two edge neighbours (2
    // each) and one corner neighbour (1) count: 9 / 9, not 9 / 16.
    // The dab reaches off the grid; the changed area stays on it.
    auto relief = grid(0, "1,1=9");
    auto tool = brush(Tool::Smooth, 1.0);
    relief->resetChangedRect();
    relief->beginStroke(tool.get(), Vector2d(-4, -3), nullptr, SelectionMode::Normal);
    QCOMPARE(relief->heights()[0], 1.0f);
    QCOMPARE(relief->strokeRect(), Rect2di(0, 0, 1, 1));
    QCOMPARE(relief->changedRect(), Rect2di(0, 0, 1, 1));
}

void TestKernels::zeroAndUnselectedCellsAreSpared()
{
    for (Tool::Type type : {Tool::Smooth, Tool::Deposit, Tool::Remove}) {
        auto relief = grid(0, "4,3=16");
        auto tool = brush(type, 1.0);
        tool->keepTransparency = true;
        relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
        QVERIFY(holds(*relief, "3,2=0 3,3=0"));
    }
    for (Tool::Type type : {Tool::Erase, Tool::Brush, Tool::Deposit, Tool::Remove}) {
        auto relief = grid(5);
        relief->setBaseLevel(1.0);
        relief->selection()[2 * W + 4] = 1.0f;
        relief->setSelectionActive(true);
        auto tool = brush(type, 1.0);
        relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
        QVERIFY2(relief->heights()[2 * W + 4] != 5.0f, qPrintable(QString::number(type)));
        QVERIFY(holds(*relief, "3,2=5 4,3=5"));
    }
}

void TestKernels::dabBeyondTheGridChangesNothing()
{
    for (double px : {-6.0, 1e300, std::numeric_limits<double>::quiet_NaN()}) {
        for (Tool::Type type : {Tool::Smooth, Tool::Smudge, Tool::Deposit, Tool::Remove, Tool::Undo,
                                Tool::Erase, Tool::Brush}) {
            auto relief = grid(1);
            relief->setBaseLevel(3.0);
            auto tool = brush(type, 1.0);
            tool->clip = true;
            relief->resetChangedRect();
            relief->beginStroke(tool.get(), Vector2d(px, 0), nullptr, SelectionMode::Normal);
            relief->applyTool(Vector2d(px, 0));
            QVERIFY(relief->changedRect().isEmpty());
            QVERIFY(std::all_of(relief->heights(), relief->heights() + W * H, [](float h) { return h == 1.0f; }));
        }
    }
}

void TestKernels::removeFloorOverTheEdgeStartsInsideGrid()
{
    // Radius 2 (7 x 7 footprint); the centre lies 0.6 left of the grid, so
    // the dab covers column 0, rows 1 to 4. The nearest cell to the centre,
    // column -1 of row 3, is not in the grid: its flat index is the last cell
    // of row 2, whose low height must not become the floor.
    auto relief = grid(1, "7,2=0.5");
    auto tool = brush(Tool::Remove, 1.0);
    tool->size = 2.0;
    tool->clip = true;
    relief->beginStroke(tool.get(), Vector2d(-4.6, 0), nullptr, SelectionMode::Normal);
    QVERIFY(holds(*relief, "0,0=1 0,1=1 0,2=1 0,3=1 0,4=1 0,5=1"));
}

void TestKernels::smudgeLaysDownThePickedUpPatch()
{
    // The press picks up (3..4, 2..3) and changes nothing; the next dab, one
    // cell right, blends each cell half-way to the patch cell at its place.
    auto relief = grid(0, "3,2=4 4,2=8 3,3=12 4,3=16");
    auto tool = brush(Tool::Smudge, 0.5);
    relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
    QVERIFY(relief->strokeRect().isEmpty());
    relief->applyTool(Vector2d(1, 0));
    QVERIFY(holds(*relief, "4,2=6 5,2=4 4,3=14 5,3=8"));
    QCOMPARE(relief->strokeRect(), Rect2di(4, 2, 2, 2));

    // A patch picked up at the right edge is one column wide (column 7).
    // A later dab two columns wide keeps its second column's own heights
    // instead of reading the patch's next row.
    relief = grid(1, "7,2=10 7,3=20");
    tool->strength = 1.0;
    relief->beginStroke(tool.get(), Vector2d(4, 0), nullptr, SelectionMode::Normal);
    relief->applyTool(Vector2d(0, 0));
    QVERIFY(holds(*relief, "3,2=10 4,2=1 3,3=20 4,3=1"));
}

void TestKernels::strokeFadesAlongDecayLength()
{
    // Fade length 0.02 x radius 1 x 100 = 2 cells. The Undo brush pulls the
    // heights to the reference 8 with weight (1 - travelled / 2)^3.
    auto relief = grid(0);
    std::fill(relief->referenceHeights(), relief->referenceHeights() + relief->cellCount(), 8.0f);
    auto tool = brush(Tool::Undo, 1.0);
    tool->useDecayLength = true;
    tool->decayLength = 0.02;
    relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
    relief->applyTool(Vector2d(1, 0));    // travelled 0
    relief->applyTool(Vector2d(-2, 0));   // travelled 1: weight 0.125
    relief->applyTool(Vector2d(-3, 0));   // travelled 4: past the fade, nothing
    QVERIFY(holds(*relief, "4,2=8 5,2=8 1,2=1 0,2=0"));
}

void TestKernels::fillMarksChangedAreaAndRecordsUndo()
{
    auto relief = grid(1);
    relief->setBaseLevel(4.0);
    auto tool = brush(Tool::Fill, 1.0);
    SculptUndo undo;
    relief->resetChangedRect();
    relief->beginStroke(tool.get(), Vector2d(0, 0), &undo, SelectionMode::Normal);
    QVERIFY(!relief->changed());   // nothing selected: nothing to fill
    QCOMPARE(undo.count(), 0);

    relief->selection()[1 * W + 1] = 1.0f;
    relief->selection()[2 * W + 5] = 1.0f;
    relief->beginStroke(tool.get(), Vector2d(0, 0), &undo, SelectionMode::Normal);
    QVERIFY(!relief->stroke());
    QVERIFY(holds(*relief, "1,1=4 5,2=4 5,1=1"));
    QCOMPARE(relief->changedRect(), Rect2di(1, 1, 5, 2));
    QCOMPARE(undo.count(), 1);
    undo.undo();
    QVERIFY(holds(*relief, "1,1=1 5,2=1"));
}

void TestKernels::sampleTakesBaseLevel()
{
    // Cell (5, 1); half a cell left of the grid is still column 0; beyond it, 0.
    const double cases[3][3] = {{1.7, -1.2, 7.0}, {-4.5, 0.0, 3.0}, {-5.5, 0.0, 0.0}};
    for (const auto& c : cases) {
        auto relief = grid(0, "5,1=7 0,3=3");
        relief->setBaseLevel(-1);
        auto tool = brush(Tool::Sample, 1.0);
        relief->beginStroke(tool.get(), Vector2d(c[0], c[1]), nullptr, SelectionMode::Normal);
        QVERIFY(!relief->stroke());
        QCOMPARE(relief->baseLevel(), c[2]);
    }
}

QTEST_GUILESS_MAIN(TestKernels)
#include "tst_kernels.moc"
