// One dab of each brush kernel on small grids with values worked out by hand.
// The grid is 8 x 6, so the relief diagonal is 10 and Deposit/Remove move a
// cell by 0.01 x strength; a tool size of 0.05 gives the 4 x 4 footprint of
// radius 1, whose dab at an integer centre covers a 2 x 2 block of cells, and
// hardness 1 weighs every footprint cell 1.

#include "relief/relief.h"
#include "relief/sculptmodifyevent.h"
#include "relief/sculptundo.h"
#include "relief/tool.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

using VekMath::Rect2di;
using VekMath::Vector2d;

namespace {

const int W = 8;
const int H = 6;

struct CellValue
{
    int x;
    int y;
    float value;
};

std::unique_ptr<Relief> grid(float fill)
{
    auto r = std::make_unique<Relief>(W, H);
    std::fill(r->heights(), r->heights() + r->cellCount(), fill);
    return r;
}

void set(Relief& r, const QVector<CellValue>& cells)
{
    for (const CellValue& c : cells)
        r.heights()[c.y * W + c.x] = c.value;
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

Q_DECLARE_METATYPE(QVector<CellValue>)

class TestKernels : public QObject
{
    Q_OBJECT

private slots:
    void oneDabOfEachKernel_data();
    void oneDabOfEachKernel();
    void smoothBorderCellDividesByItsNeighbours();
    void smoothGoesCellByCellInReadingOrder();
    void keepTransparencySparesZeroCells();
    void activeSelectionLimitsTheDab();
    void dabBeyondTheGridChangesNothing_data();
    void dabBeyondTheGridChangesNothing();
    void removeFloorOverTheEdgeStartsInsideGrid();
    void smudgeLaysDownTheFirstDabsHeights();
    void smudgeWiderThanPatchKeepsOwnHeights();
    void strokeFadesAlongDecayLength();
    void fillMarksChangedAreaAndRecordsUndo();
    void fillWithoutSelectionRecordsNothing();
    void sampleTakesBaseLevel_data();
    void sampleTakesBaseLevel();
};

void TestKernels::oneDabOfEachKernel_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("clip");
    QTest::addColumn<double>("strength");
    QTest::addColumn<float>("fill");
    QTest::addColumn<float>("reference");
    QTest::addColumn<QVector<CellValue>>("before");
    QTest::addColumn<QVector<CellValue>>("after");
    QTest::addColumn<bool>("reportsChange");

    // The dab at the centre covers (3, 2), (4, 2), (3, 3), (4, 3), in that
    // order; each cell sees the values written before it.
    QTest::newRow("smooth reads cells already smoothed")
        << int(Tool::Smooth) << int(Tool::Normal) << false << 1.0 << 0.0f << 0.0f
        << QVector<CellValue>{{4, 3, 16}}
        << QVector<CellValue>{{3, 2, 1}, {4, 2, 2.125f}, {3, 3, 2.2578125f}, {4, 3, 4.6103515625f}}
        << true;
    QTest::newRow("smooth raise keeps the spike")
        << int(Tool::Smooth) << int(Tool::Raise) << false << 1.0 << 0.0f << 0.0f
        << QVector<CellValue>{{4, 3, 16}}
        << QVector<CellValue>{{3, 2, 1}, {4, 2, 2.125f}, {3, 3, 2.2578125f}, {4, 3, 16}}
        << true;
    QTest::newRow("smooth lower only cuts the spike")
        << int(Tool::Smooth) << int(Tool::Lower) << false << 1.0 << 0.0f << 0.0f
        << QVector<CellValue>{{4, 3, 16}}
        << QVector<CellValue>{{3, 2, 0}, {4, 2, 0}, {3, 3, 0}, {4, 3, 4}}
        << true;
    QTest::newRow("smooth on flat ground")
        << int(Tool::Smooth) << int(Tool::Normal) << false << 1.0 << 3.0f << 0.0f
        << QVector<CellValue>{} << QVector<CellValue>{{3, 2, 3}, {4, 3, 3}} << false;
    QTest::newRow("deposit half strength")
        << int(Tool::Deposit) << int(Tool::Normal) << false << 0.5 << 1.0f << 0.0f
        << QVector<CellValue>{}
        << QVector<CellValue>{{3, 2, 1.0025f}, {4, 3, 1.0025f}, {2, 2, 1}, {5, 3, 1}}
        << true;
    QTest::newRow("deposit ceiling is the highest cell under the footprint")
        << int(Tool::Deposit) << int(Tool::Normal) << true << 1.0 << 1.0f << 0.0f
        << QVector<CellValue>{{4, 2, 1.005f}, {5, 2, 9}}
        << QVector<CellValue>{{3, 2, 1.005f}, {4, 2, 1.005f}, {3, 3, 1.005f}, {4, 3, 1.005f}}
        << true;
    QTest::newRow("remove half strength")
        << int(Tool::Remove) << int(Tool::Normal) << false << 0.5 << 1.0f << 0.0f
        << QVector<CellValue>{} << QVector<CellValue>{{3, 2, 0.9975f}, {4, 3, 0.9975f}} << true;
    QTest::newRow("remove never goes below zero")
        << int(Tool::Remove) << int(Tool::Normal) << false << 1.0 << 0.004f << 0.0f
        << QVector<CellValue>{} << QVector<CellValue>{{3, 2, 0}, {4, 3, 0}} << true;
    QTest::newRow("remove floor is the lowest non-zero cell under the footprint")
        << int(Tool::Remove) << int(Tool::Normal) << true << 1.0 << 2.0f << 0.0f
        << QVector<CellValue>{{4, 2, 1.995f}, {2, 2, 0.5f}}
        << QVector<CellValue>{{3, 2, 1.995f}, {4, 2, 1.995f}, {3, 3, 1.995f}, {4, 3, 1.995f}}
        << true;
    QTest::newRow("remove floor never raises a zero cell")
        << int(Tool::Remove) << int(Tool::Normal) << true << 1.0 << 2.0f << 0.0f
        << QVector<CellValue>{{3, 2, 0}, {4, 2, 1.995f}}
        << QVector<CellValue>{{3, 2, 0}, {3, 3, 1.995f}, {4, 3, 1.995f}}
        << true;
    QTest::newRow("undo brush pulls towards the reference")
        << int(Tool::Undo) << int(Tool::Normal) << false << 0.5 << 1.0f << 5.0f
        << QVector<CellValue>{} << QVector<CellValue>{{3, 2, 3}, {4, 3, 3}, {5, 3, 1}} << true;
    QTest::newRow("erase") << int(Tool::Erase) << int(Tool::Normal) << false << 0.1 << 5.0f << 0.0f
                           << QVector<CellValue>{}
                           << QVector<CellValue>{{3, 2, 0}, {4, 3, 0}, {5, 3, 5}} << true;
    QTest::newRow("erase over zeros")
        << int(Tool::Erase) << int(Tool::Normal) << false << 1.0 << 0.0f << 0.0f
        << QVector<CellValue>{} << QVector<CellValue>{{3, 2, 0}} << false;
    QTest::newRow("brush paints the base level over zeros")
        << int(Tool::Brush) << int(Tool::Normal) << false << 0.1 << 0.0f << 0.0f
        << QVector<CellValue>{} << QVector<CellValue>{{3, 2, 2}, {4, 3, 2}, {5, 3, 0}} << true;
}

void TestKernels::oneDabOfEachKernel()
{
    QFETCH(int, type);
    QFETCH(int, mode);
    QFETCH(bool, clip);
    QFETCH(double, strength);
    QFETCH(float, fill);
    QFETCH(float, reference);
    QFETCH(QVector<CellValue>, before);
    QFETCH(QVector<CellValue>, after);
    QFETCH(bool, reportsChange);

    auto relief = grid(fill);
    set(*relief, before);
    std::fill(relief->referenceHeights(), relief->referenceHeights() + relief->cellCount(), reference);
    relief->setBaseLevel(2.0);
    auto tool = brush(Tool::Type(type), strength);
    tool->mode = Tool::Mode(mode);
    tool->clip = clip;
    relief->resetChangedRect();
    SculptUndo undo;

    relief->beginStroke(tool.get(), Vector2d(0, 0), &undo, SelectionMode::Normal);
    for (const CellValue& c : after)
        QCOMPARE(relief->heights()[c.y * W + c.x], c.value);
    const Rect2di expected = reportsChange ? Rect2di(3, 2, 2, 2) : Rect2di();
    QCOMPARE(relief->changedRect(), expected);
    QCOMPARE(relief->strokeRect(), expected);
    relief->endStroke(Vector2d(0, 0), false);
    QCOMPARE(undo.count(), reportsChange ? 1 : 0);
}

void TestKernels::smoothBorderCellDividesByItsNeighbours()
{
    // At the grid corner only the cell itself (4), two edge neighbours (2
    // each) and one corner neighbour (1) count: 9 / 9, not 9 / 16.
    auto relief = grid(0);
    set(*relief, {{1, 1, 9}});
    auto tool = brush(Tool::Smooth, 1.0);
    relief->beginStroke(tool.get(), Vector2d(-4, -3), nullptr, SelectionMode::Normal);
    QCOMPARE(relief->heights()[0], 1.0f);
    QCOMPARE(relief->strokeRect(), Rect2di(0, 0, 1, 1));
}

void TestKernels::smoothGoesCellByCellInReadingOrder()
{
    // A dab wide enough to cover the whole grid smooths every cell in place,
    // row by row, left to right: each sees its left and upper neighbours
    // already smoothed. Checked against that walk done one cell at a time.
    auto relief = grid(0);
    for (int i = 0; i < W * H; ++i)
        relief->heights()[i] = float((i * 37) % 11 + 1);
    std::vector<double> expect(relief->heights(), relief->heights() + W * H);
    const double a = 0.6;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            double sum = 0, weight = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (x + dx < 0 || x + dx >= W || y + dy < 0 || y + dy >= H)
                        continue;
                    const double k = 4 >> (std::abs(dx) + std::abs(dy));
                    sum += k * expect[(y + dy) * W + x + dx];
                    weight += k;
                }
            }
            expect[y * W + x] = float(sum / weight * a + (1 - a) * expect[y * W + x]);
        }
    }
    auto tool = brush(Tool::Smooth, a);
    tool->size = 8.0;   // radius 8: every cell lies inside the footprint
    relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
    QCOMPARE(relief->strokeRect(), relief->fullRect());
    for (int i = 0; i < W * H; ++i)
        QCOMPARE(relief->heights()[i], float(expect[i]));
}

void TestKernels::keepTransparencySparesZeroCells()
{
    for (Tool::Type type : {Tool::Smooth, Tool::Deposit, Tool::Remove}) {
        auto relief = grid(0);
        set(*relief, {{4, 3, 16}});
        auto tool = brush(type, 1.0);
        tool->keepTransparency = true;
        relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
        QCOMPARE(relief->heights()[2 * W + 3], 0.0f);
        QCOMPARE(relief->heights()[3 * W + 3], 0.0f);
    }
}

void TestKernels::activeSelectionLimitsTheDab()
{
    for (Tool::Type type : {Tool::Erase, Tool::Brush, Tool::Deposit, Tool::Remove}) {
        auto relief = grid(5);
        relief->setBaseLevel(1.0);
        relief->selection()[2 * W + 4] = 1.0f;
        relief->setSelectionActive(true);
        auto tool = brush(type, 1.0);
        relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
        QVERIFY2(relief->heights()[2 * W + 4] != 5.0f, qPrintable(QString::number(type)));
        QCOMPARE(relief->heights()[2 * W + 3], 5.0f);
        QCOMPARE(relief->heights()[3 * W + 4], 5.0f);
    }
}

void TestKernels::dabBeyondTheGridChangesNothing_data()
{
    QTest::addColumn<double>("px");
    QTest::addColumn<double>("py");
    QTest::newRow("left of the grid") << -6.0 << 0.0;
    QTest::newRow("far away") << 1e300 << 0.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0;
}

void TestKernels::dabBeyondTheGridChangesNothing()
{
    QFETCH(double, px);
    QFETCH(double, py);
    for (Tool::Type type : {Tool::Smooth, Tool::Smudge, Tool::Deposit, Tool::Remove, Tool::Undo,
                            Tool::Erase, Tool::Brush}) {
        auto relief = grid(1);
        relief->setBaseLevel(3.0);
        auto tool = brush(type, 1.0);
        tool->clip = true;
        relief->resetChangedRect();
        relief->beginStroke(tool.get(), Vector2d(px, py), nullptr, SelectionMode::Normal);
        relief->applyTool(Vector2d(px, py));
        QVERIFY(relief->changedRect().isEmpty());
        for (size_t i = 0; i < relief->cellCount(); ++i)
            QCOMPARE(relief->heights()[i], 1.0f);
    }
}

void TestKernels::removeFloorOverTheEdgeStartsInsideGrid()
{
    // Radius 2 (7 x 7 footprint); the centre lies 0.6 left of the grid, so
    // the dab covers column 0, rows 1 to 4. The nearest cell to the centre,
    // column -1 of row 3, is not in the grid: its flat index is the last cell
    // of row 2, whose low height must not become the floor.
    auto relief = grid(1);
    set(*relief, {{7, 2, 0.5f}});
    auto tool = brush(Tool::Remove, 1.0);
    tool->size = 2.0;
    tool->clip = true;
    relief->beginStroke(tool.get(), Vector2d(-4.6, 0), nullptr, SelectionMode::Normal);
    for (int y = 0; y < H; ++y)
        QCOMPARE(relief->heights()[y * W], 1.0f);
}

void TestKernels::smudgeLaysDownTheFirstDabsHeights()
{
    // The press picks up (3..4, 2..3) and changes nothing; the next dab, one
    // cell right, blends each cell half-way to the patch cell at its place.
    auto relief = grid(0);
    set(*relief, {{3, 2, 4}, {4, 2, 8}, {3, 3, 12}, {4, 3, 16}});
    auto tool = brush(Tool::Smudge, 0.5);
    relief->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
    QVERIFY(relief->strokeRect().isEmpty());
    QCOMPARE(relief->heights()[2 * W + 4], 8.0f);
    relief->applyTool(Vector2d(1, 0));
    QCOMPARE(relief->heights()[2 * W + 4], 6.0f);
    QCOMPARE(relief->heights()[2 * W + 5], 4.0f);
    QCOMPARE(relief->heights()[3 * W + 4], 14.0f);
    QCOMPARE(relief->heights()[3 * W + 5], 8.0f);
    QCOMPARE(relief->strokeRect(), Rect2di(4, 2, 2, 2));
}

void TestKernels::smudgeWiderThanPatchKeepsOwnHeights()
{
    // The first dab, at the right edge, picks up a patch one column wide
    // (column 7, rows 2 and 3). The next dab covers two columns: its second
    // column lies beyond the patch and keeps its own height instead of
    // reading the patch's next row.
    auto relief = grid(1);
    set(*relief, {{7, 2, 10}, {7, 3, 20}});
    auto tool = brush(Tool::Smudge, 1.0);
    relief->beginStroke(tool.get(), Vector2d(4, 0), nullptr, SelectionMode::Normal);
    QVERIFY(relief->strokeRect().isEmpty());
    relief->applyTool(Vector2d(0, 0));
    QCOMPARE(relief->heights()[2 * W + 3], 10.0f);
    QCOMPARE(relief->heights()[2 * W + 4], 1.0f);
    QCOMPARE(relief->heights()[3 * W + 3], 20.0f);
    QCOMPARE(relief->heights()[3 * W + 4], 1.0f);
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
    relief->beginStroke(tool.get(), Vector2d(1, 0), nullptr, SelectionMode::Normal);   // travelled 0
    QCOMPARE(relief->heights()[2 * W + 5], 8.0f);
    relief->applyTool(Vector2d(1, 0));    // still 0
    relief->applyTool(Vector2d(-2, 0));   // travelled 0: full weight on columns 1, 2
    QCOMPARE(relief->heights()[2 * W + 2], 8.0f);
    relief->applyTool(Vector2d(-3, 0));   // travelled 3: past the fade, nothing
    QCOMPARE(relief->heights()[2 * W + 0], 0.0f);

    auto faded = grid(0);
    std::fill(faded->referenceHeights(), faded->referenceHeights() + faded->cellCount(), 8.0f);
    faded->beginStroke(tool.get(), Vector2d(0, 0), nullptr, SelectionMode::Normal);
    faded->applyTool(Vector2d(1, 0));     // travelled 0
    faded->applyTool(Vector2d(-2, 0));    // travelled 1: weight 0.125
    QCOMPARE(faded->heights()[2 * W + 1], 1.0f);
}

void TestKernels::fillMarksChangedAreaAndRecordsUndo()
{
    auto relief = grid(1);
    relief->setBaseLevel(4.0);
    relief->selection()[1 * W + 1] = 1.0f;
    relief->selection()[2 * W + 5] = 1.0f;
    relief->resetChangedRect();
    SculptUndo undo;
    auto tool = brush(Tool::Fill, 1.0);
    relief->beginStroke(tool.get(), Vector2d(0, 0), &undo, SelectionMode::Normal);

    QVERIFY(!relief->stroke());
    QCOMPARE(relief->heights()[1 * W + 1], 4.0f);
    QCOMPARE(relief->heights()[2 * W + 5], 4.0f);
    QCOMPARE(relief->heights()[1 * W + 5], 1.0f);
    QCOMPARE(relief->changedRect(), Rect2di(1, 1, 5, 2));
    QVERIFY(relief->changed());
    QCOMPARE(undo.count(), 1);
    undo.undo();
    QCOMPARE(relief->heights()[1 * W + 1], 1.0f);
    QCOMPARE(relief->heights()[2 * W + 5], 1.0f);
}

void TestKernels::fillWithoutSelectionRecordsNothing()
{
    auto relief = grid(1);
    relief->resetChangedRect();
    SculptUndo undo;
    auto tool = brush(Tool::Fill, 1.0);
    relief->beginStroke(tool.get(), Vector2d(0, 0), &undo, SelectionMode::Normal);
    QCOMPARE(undo.count(), 0);
    QVERIFY(relief->changedRect().isEmpty());
    QVERIFY(!relief->changed());
}

void TestKernels::sampleTakesBaseLevel_data()
{
    QTest::addColumn<double>("px");
    QTest::addColumn<double>("py");
    QTest::addColumn<double>("expected");
    QTest::newRow("cell (5, 1)") << 1.7 << -1.2 << 7.0;
    QTest::newRow("half a cell left still column 0") << -4.5 << 0.0 << 3.0;
    QTest::newRow("left of the grid") << -5.5 << 0.0 << 0.0;
}

void TestKernels::sampleTakesBaseLevel()
{
    QFETCH(double, px);
    QFETCH(double, py);
    QFETCH(double, expected);
    auto relief = grid(0);
    set(*relief, {{5, 1, 7}, {0, 3, 3}});
    relief->setBaseLevel(-1);
    auto tool = brush(Tool::Sample, 1.0);
    relief->beginStroke(tool.get(), Vector2d(px, py), nullptr, SelectionMode::Normal);
    QVERIFY(!relief->stroke());
    QCOMPARE(relief->baseLevel(), expected);
}

QTEST_GUILESS_MAIN(TestKernels)
#include "tst_kernels.moc"
