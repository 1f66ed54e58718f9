#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/rasterizer.h"
#include "meshtestutil.h"

#include <QtTest>

#include <limits>

using VekMath::Vector3d;

namespace {

// The facet of the plane z = x + y over the triangle x, y >= 0, x + y <= 4.
const QVector<Vector3d> slope = {{0, 0, 0}, {4, 0, 4}, {0, 4, 4}};

} // namespace

class TestRasterizer : public QObject
{
    Q_OBJECT

private slots:
    void slopedFacetGivesPlaneHeightsInside();
    void clockwiseTwinDrawsNothing();
    void nothingButUpwardCounterClockwiseFacetsDraws_data();
    void nothingButUpwardCounterClockwiseFacetsDraws();
    void overlapKeepsHighestSurface();
    void gridSizeIsCeiledExtent_data();
    void gridSizeIsCeiledExtent();
};

void TestRasterizer::slopedFacetGivesPlaneHeightsInside()
{
    HeightGrid grid;
    rasterizeFacetShape(grid, shapeOf(slope));
    QCOMPARE(grid.width, 4);
    QCOMPARE(grid.height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const float expected = x + y <= 4 ? float(x + y) : 0.0f;
            QVERIFY2(grid.at(x, y) == expected, qPrintable(QString("(%1, %2) = %3").arg(x).arg(y).arg(grid.at(x, y))));
        }
    }
}

void TestRasterizer::clockwiseTwinDrawsNothing()
{
    HeightGrid grid;
    rasterizeFacetShape(grid, shapeOf({slope[0], slope[2], slope[1]}));
    QCOMPARE(grid.width, 4);
    QCOMPARE(grid.height, 4);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(grid.heights[i], 0.0f);
}

void TestRasterizer::nothingButUpwardCounterClockwiseFacetsDraws_data()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QTest::addColumn<QVector<Vector3d>>("corners");
    // The slope again, so that the grid has the same size, plus the facet
    // under test lying over it at height 10.
    QTest::newRow("clockwise twin") << QVector<Vector3d>{{0, 0, 10}, {0, 4, 10}, {4, 0, 10}};
    QTest::newRow("vertical") << QVector<Vector3d>{{0, 0, 0}, {4, 0, 10}, {4, 0, 0}};
    QTest::newRow("nearly vertical") << QVector<Vector3d>{{0, 0, 10}, {4, 0, 10}, {0, 1e-9, 1000}};
    QTest::newRow("not a number") << QVector<Vector3d>{{0, 0, 10}, {nan, 0, 10}, {0, 4, 10}};
    QTest::newRow("infinite") << QVector<Vector3d>{{0, 0, 10}, {4, 0, inf}, {0, 4, 10}};
}

void TestRasterizer::nothingButUpwardCounterClockwiseFacetsDraws()
{
    QFETCH(QVector<Vector3d>, corners);
    HeightGrid reference;
    rasterizeFacetShape(reference, shapeOf(slope));
    // Corners far up would lift every height if the facet were drawn.
    HeightGrid grid;
    rasterizeFacetShape(grid, shapeOf(slope + corners));
    QCOMPARE(grid.width, reference.width);
    QCOMPARE(grid.height, reference.height);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(grid.heights[i], reference.heights[i]);
}

void TestRasterizer::overlapKeepsHighestSurface()
{
    const QVector<Vector3d> low = {{0, 0, 1}, {4, 0, 1}, {0, 4, 1}};
    const QVector<Vector3d> high = {{0, 0, 3}, {4, 0, 3}, {0, 4, 3}};
    for (const QVector<Vector3d>& corners : {low + high, high + low}) {
        HeightGrid grid;
        rasterizeFacetShape(grid, shapeOf(corners + QVector<Vector3d>{{4, 4, 1}, {4, 4, 1}, {4, 4, 1}}));
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
    FacetShape shape;
    if (extent > 0)
        shape = shapeOf({{0, 0, 0}, {extent, 0, 1}, {0, extent, 1}});
    HeightGrid grid;
    rasterizeFacetShape(grid, shape);
    QCOMPARE(grid.width, size);
    QCOMPARE(grid.height, size);
    QCOMPARE(grid.heights == nullptr, size == 0);
    if (size == 10) {
        // The far edge x = 10 is not sampled; x = 9 is on the facet.
        QVERIFY(grid.at(9, 0) > 0.0f);
    }
}

QTEST_GUILESS_MAIN(TestRasterizer)
#include "tst_rasterizer.moc"
