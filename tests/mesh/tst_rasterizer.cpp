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
    void onlyUpwardFiniteFacetsDraw_data();
    void onlyUpwardFiniteFacetsDraw();
    void overlapKeepsHighestSurface();
    void gridSizeIsCeiledExtent_data();
    void gridSizeIsCeiledExtent();
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

QTEST_GUILESS_MAIN(TestRasterizer)
#include "tst_rasterizer.moc"
