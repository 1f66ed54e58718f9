#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/rasterizer.h"
#include "meshtestutil.h"
#include "rasterreference.h"
#include "relief/progressmonitor.h"

#include <QtTest>

#include <cstring>
#include <limits>

using VekMath::Vector3d;

namespace {

// The facet of the plane z = x + y over the triangle x, y >= 0, x + y <= 4.
const QVector<Vector3d> slope = {{0, 0, 0}, {4, 0, 4}, {0, 4, 4}};

// Facets of the given count scattered over a w x h area, some of them
// facing down, some large, most small, with fractional corners.
QVector<Vector3d> scattered(int count, double w, double h, unsigned int seed)
{
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return double((seed >> 8) & 0xffff) / 65535.0;
    };
    QVector<Vector3d> corners;
    for (int i = 0; i < count; ++i) {
        const double size = i % 7 == 0 ? w : 3.0;
        const Vector3d c(next() * w, next() * h, next() * 4);
        for (int k = 0; k < 3; ++k)
            corners << c + Vector3d((next() - 0.5) * size, (next() - 0.5) * size, next() * 2);
    }
    return corners;
}

// Cancels at the first events it lets through.
class CancellingMonitor : public ProgressMonitor
{
public:
    void setMaximum(int m) override { maximum = m; }
    void setValue(int v) override { shown = v; }
    int value() const override { return shown; }
    void setAutoClose(bool) override {}
    void show() override { ++shows; }
    void processEvents() override { cancelled = true; }
    bool wasCanceled() const override { return cancelled; }

    int maximum = 0;
    int shown = 0;
    int shows = 0;
    bool cancelled = false;
};

} // namespace

class TestRasterizer : public QObject
{
    Q_OBJECT

private slots:
    void onlyUpwardFiniteFacetsDraw_data();
    void onlyUpwardFiniteFacetsDraw();
    void overlapKeepsHighestSurface();
    void gridSizeIsCeiledExtent_data();
    void gridSizeIsCeiledExtent();
    void heightsMatchThePlainRasterBitForBit_data();
    void heightsMatchThePlainRasterBitForBit();
    void cancelStopsTheRasterAndLeavesNoGrid();
};

void TestRasterizer::onlyUpwardFiniteFacetsDraw_data()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QVector<Vector3d> twin = {slope[0], slope[2], slope[1]};
    QTest::addColumn<QVector<Vector3d>>("corners");
    QTest::addColumn<bool>("drawn");  // whether the grid shows the slope
    QTest::newRow("slope") << slope << true;
    QTest::newRow("its clockwise twin") << twin << false;
    // Drawn over the slope, these corners far up would lift its heights.
    QTest::newRow("vertical") << slope + QVector<Vector3d>{{0, 0, 0}, {4, 0, 10}, {4, 0, 0}} << true;
    QTest::newRow("nearly vertical") << slope + QVector<Vector3d>{{0, 0, 10}, {4, 0, 10}, {0, 1e-9, 1000}} << true;
    QTest::newRow("not a number") << slope + QVector<Vector3d>{{0, 0, 10}, {nan, 0, 10}, {0, 4, 10}} << true;
    QTest::newRow("infinite") << slope + QVector<Vector3d>{{0, 0, 10}, {4, 0, inf}, {0, 4, 10}} << true;
}

void TestRasterizer::onlyUpwardFiniteFacetsDraw()
{
    QFETCH(QVector<Vector3d>, corners);
    QFETCH(bool, drawn);
    HeightGrid grid;
    rasterizeFacetShape(grid, shapeOf(corners));
    QCOMPARE(grid.width, 4);
    QCOMPARE(grid.height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const float expected = drawn && x + y <= 4 ? float(x + y) : 0.0f;
            QVERIFY2(grid.at(x, y) == expected, qPrintable(QString("(%1, %2) = %3").arg(x).arg(y).arg(grid.at(x, y))));
        }
    }
}

void TestRasterizer::overlapKeepsHighestSurface()
{
    const QVector<Vector3d> low = {{0, 0, 1}, {4, 0, 1}, {0, 4, 1}};
    const QVector<Vector3d> high = {{0, 0, 3}, {4, 0, 3}, {0, 4, 3}};
    const QVector<Vector3d> far = {{4, 4, 1}, {4, 4, 1}, {4, 4, 1}};
    for (const QVector<Vector3d>& corners : {low + high + far, high + low + far}) {
        HeightGrid grid;
        rasterizeFacetShape(grid, shapeOf(corners));
        // Heights are measured from the lowest corner, z = 1.
        QCOMPARE(grid.at(1, 1), 2.0f);
        QCOMPARE(grid.at(3, 3), 0.0f);
    }
}

void TestRasterizer::gridSizeIsCeiledExtent_data()
{
    QTest::addColumn<double>("extent");
    QTest::addColumn<int>("size");
    QTest::newRow("whole") << 10.0 << 10;
    QTest::newRow("fraction") << 10.25 << 11;
    QTest::newRow("empty") << 0.0 << 0;
    QTest::newRow("beyond an int grid") << 1e12 << 0;
}

void TestRasterizer::gridSizeIsCeiledExtent()
{
    QFETCH(double, extent);
    QFETCH(int, size);
    HeightGrid grid;
    rasterizeFacetShape(grid, shapeOf(extent > 0 ? QVector<Vector3d>{{0, 0, 0}, {extent, 0, 1}, {0, extent, 1}}
                                                 : QVector<Vector3d>()));
    QCOMPARE(grid.width, size);
    QCOMPARE(grid.height, size);
    QCOMPARE(grid.heights == nullptr, size == 0);
    // The far edge x = 10 is not sampled; x = 9 is on the facet.
    if (size == 10)
        QVERIFY(grid.at(9, 0) > 0.0f);
}

void TestRasterizer::heightsMatchThePlainRasterBitForBit_data()
{
    QTest::addColumn<QVector<Vector3d>>("corners");
    QTest::newRow("scattered") << scattered(400, 40, 30, 1);
    QTest::newRow("tall and narrow") << scattered(200, 3, 300, 2);
    QTest::newRow("wide and flat") << scattered(200, 300, 3, 3);
    // Corners on grid points, edges a hair off the rows and columns.
    QTest::newRow("edges along the grid") << QVector<Vector3d>{
        {0, 0, 0}, {20, 0, 1}, {0, 20, 2},
        {20, 0, 1}, {20, 20, 2}, {0, 20, 2},
        {1, 1e-9, 3}, {19, -1e-9, 3}, {10, 5, 3},
        {5, 2, 1}, {5 + 1e-13, 18, 1}, {4, 10, 1}};
    // Slivers whose corner sines lie within the test's tolerance: their
    // edges pass points on either side.
    QTest::newRow("slivers") << QVector<Vector3d>{
        {0, 0, 0}, {30, 10, 1}, {0, 1e-12, 0},
        {0, 5, 1}, {30, 5, 1}, {15, 5 + 1e-10, 1},
        {2, 2, 2}, {28, 2.5, 2}, {2, 2 + 3e-12, 2},
        {0, 0, 3}, {30, 30, 3}, {30, 30 + 1e-6, 3}};
}

void TestRasterizer::heightsMatchThePlainRasterBitForBit()
{
    QFETCH(QVector<Vector3d>, corners);
    const FacetShape shape = shapeOf(corners);
    HeightGrid grid;
    HeightGrid plain;
    rasterizeFacetShape(grid, shape);
    RasterReference::rasterize(plain, shape);
    QVERIFY(plain.width > 0 && plain.height > 0);
    QCOMPARE(grid.width, plain.width);
    QCOMPARE(grid.height, plain.height);
    for (int y = 0; y < grid.height; ++y)
        for (int x = 0; x < grid.width; ++x)
            QVERIFY2(std::memcmp(&grid.heights[y * grid.width + x], &plain.heights[y * grid.width + x], sizeof(float)) == 0,
                     qPrintable(QString("(%1, %2) = %3, not %4").arg(x).arg(y).arg(grid.at(x, y)).arg(plain.at(x, y))));
}

void TestRasterizer::cancelStopsTheRasterAndLeavesNoGrid()
{
    // Overlapping facets over 2048 x 2048 cells: seconds of work.
    QVector<Vector3d> corners;
    for (int i = 0; i < 4000; ++i)
        corners << Vector3d(0, 0, i) << Vector3d(2048, 0, i) << Vector3d(0, 2048, i + 100);
    CancellingMonitor monitor;
    HeightGrid grid;
    QVERIFY(!rasterizeFacetShape(grid, shapeOf(corners), &monitor));
    QCOMPARE(monitor.shows, 1);
    QVERIFY(monitor.shown < monitor.maximum);
    QCOMPARE(grid.width, 0);
    QCOMPARE(grid.heights, nullptr);
}

QTEST_GUILESS_MAIN(TestRasterizer)
#include "tst_rasterizer.moc"
