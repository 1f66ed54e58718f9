#include "mesh/facetreducer.h"
#include "mesh/reductionprogress.h"
#include "meshtestutil.h"
#include "referencereducer.h"

#include <QtTest>

#include <cmath>
#include <limits>

using VekMath::Vector3d;

namespace {

enum Surface { Noisy, Terraced, Pillow, Flat };

// Reproducible noise in [0, 1).
double noise(int x, int y, int seed)
{
    unsigned int h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u ^ unsigned(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffff) / double(0x1000000);
}

// Cells of n x n, two facets each, split along the diagonal (0,0)-(1,1)
// as the relief export splits them; a pillow adds the mirrored underside
// so that no edge lies on a border.
QVector<Facet> surface(Surface kind, int n, int seed)
{
    auto height = [&](int x, int y) {
        if (kind == Flat)
            return 0.5;
        const double smooth = std::sin(x * 0.3) * std::cos(y * 0.2) + 0.05 * noise(x, y, seed);
        if (kind == Terraced)
            return std::floor(smooth * 3) / 3;
        if (kind == Pillow)
            return (x == 0 || y == 0 || x == n || y == n) ? 0.0 : 1.0 + smooth;
        return smooth;
    };
    QVector<Facet> facets;
    for (int side : {1, -1}) {
        if (side < 0 && kind != Pillow)
            break;
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const Vector3d p00(i, j, side * height(i, j)), p10(i + 1, j, side * height(i + 1, j));
                const Vector3d p01(i, j + 1, side * height(i, j + 1)), p11(i + 1, j + 1, side * height(i + 1, j + 1));
                if (side > 0) {
                    facets.append(Facet(p00, p10, p11, Vector3d()));
                    facets.append(Facet(p11, p01, p00, Vector3d()));
                } else {
                    facets.append(Facet(p00, p11, p10, Vector3d()));
                    facets.append(Facet(p11, p00, p01, Vector3d()));
                }
            }
        }
    }
    return facets;
}

double area(const FacetShape& shape)
{
    double sum = 0;
    for (const Facet& f : shape.facets())
        sum += Vector3d::cross(f.corners[1] - f.corners[0], f.corners[2] - f.corners[0]).length() / 2;
    return sum;
}

bool hasCorner(const FacetShape& shape, const Vector3d& p)
{
    for (const Facet& f : shape.facets())
        for (const Vector3d& c : f.corners)
            if (c == p)
                return true;
    return false;
}

FacetShape reduced(const QVector<Facet>& facets, unsigned int target, double maxCost, ReductionProgress* progress = nullptr)
{
    FacetReducer reducer;
    reducer.addShape(facets, progress);
    reducer.reduce(target, maxCost, progress);
    return reducer.toFacetShape();
}

} // namespace

class TestFacetReducer : public QObject
{
    Q_OBJECT

private slots:
    void sameFacesAsTheLiteralProcedure_data();
    void sameFacesAsTheLiteralProcedure();
    void repeatedReductionMatchesToo();
    void meshesWithoutInnerEdgesStayAsTheyAre_data();
    void meshesWithoutInnerEdgesStayAsTheyAre();
    void flatGridKeepsItsBorder();
    void unusableFacetsAddNothing();
    void progressWithoutDialogKeepsCounting();
};

void TestFacetReducer::sameFacesAsTheLiteralProcedure_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<unsigned int>("target");
    QTest::addColumn<double>("maxCost");
    QTest::newRow("noisy, tight") << int(Noisy) << 24 << 1u << 1e-3;
    QTest::newRow("noisy, loose") << int(Noisy) << 24 << 1u << 1e-2;
    QTest::newRow("noisy, anything goes") << int(Noisy) << 24 << 1u << 1e6;
    QTest::newRow("noisy, to a target") << int(Noisy) << 24 << 400u << 1e6;
    QTest::newRow("terraced ties") << int(Terraced) << 24 << 1u << 1e-4;
    QTest::newRow("pillow without border") << int(Pillow) << 16 << 1u << 1e-1;
    QTest::newRow("flat") << int(Flat) << 12 << 1u << 1e-9;
    QTest::newRow("few faces, batch of 0") << int(Noisy) << 3 << 1u << 1.0;
}

void TestFacetReducer::sameFacesAsTheLiteralProcedure()
{
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(unsigned int, target);
    QFETCH(double, maxCost);
    const QVector<Facet> facets = surface(Surface(kind), size, 7);

    ReferenceReducer reference;
    reference.addShape(facets);
    reference.reduce(target, maxCost);
    const FacetShape expected = reference.toFacetShape();
    const FacetShape actual = reduced(facets, target, maxCost);

    QVERIFY(expected.facetCount() < facets.size());
    QCOMPARE(actual.facetCount(), expected.facetCount());
    for (int i = 0; i < expected.facetCount(); ++i)
        for (int k = 0; k < 3; ++k)
            QCOMPARE(actual.facets()[i].corners[k], expected.facets()[i].corners[k]);
}

void TestFacetReducer::repeatedReductionMatchesToo()
{
    const QVector<Facet> facets = surface(Noisy, 20, 3);
    ReferenceReducer reference;
    reference.addShape(facets);
    FacetReducer reducer;
    reducer.addShape(facets, nullptr);
    for (double maxCost : {1e-5, 1e-3, 1e-1}) {
        reference.reduce(1, maxCost);
        reducer.reduce(1, maxCost, nullptr);
    }
    const FacetShape expected = reference.toFacetShape();
    const FacetShape actual = reducer.toFacetShape();
    QCOMPARE(actual.facetCount(), expected.facetCount());
    for (int i = 0; i < expected.facetCount(); ++i)
        QCOMPARE(actual.facets()[i].corners[1], expected.facets()[i].corners[1]);
}

void TestFacetReducer::meshesWithoutInnerEdgesStayAsTheyAre_data()
{
    QTest::addColumn<QVector<Vector3d>>("corners");
    QTest::addColumn<double>("maxCost");
    QTest::newRow("single triangle") << QVector<Vector3d>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}} << 1e9;
    QTest::newRow("strip of border edges")
        << QVector<Vector3d>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 1}}
        << 1e9;
    // Its centre's edges all belong to faces that touch the border.
    QTest::newRow("flat 2 x 2 cells")
        << QVector<Vector3d>{{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1},
                             {1, 0, 1}, {2, 0, 1}, {2, 1, 1}, {2, 1, 1}, {1, 1, 1}, {1, 0, 1},
                             {0, 1, 1}, {1, 1, 1}, {1, 2, 1}, {1, 2, 1}, {0, 2, 1}, {0, 1, 1},
                             {1, 1, 1}, {2, 1, 1}, {2, 2, 1}, {2, 2, 1}, {1, 2, 1}, {1, 1, 1}}
        << 1e9;
    // Empty: a noisy surface.
    QTest::newRow("no cost allowed") << QVector<Vector3d>() << 0.0;
}

void TestFacetReducer::meshesWithoutInnerEdgesStayAsTheyAre()
{
    QFETCH(QVector<Vector3d>, corners);
    QFETCH(double, maxCost);
    QVector<Facet> facets = shapeOf(corners).facets();
    if (corners.isEmpty())
        facets = surface(Noisy, 6, 1);
    const FacetShape shape = reduced(facets, 1, maxCost);
    QCOMPARE(shape.facetCount(), facets.size());
    for (int i = 0; i < facets.size(); ++i)
        for (int k = 0; k < 3; ++k)
            QCOMPARE(shape.facets()[i].corners[k], facets[i].corners[k]);
}

void TestFacetReducer::flatGridKeepsItsBorder()
{
    const int n = 12;
    const QVector<Facet> facets = surface(Flat, n, 0);
    const FacetShape shape = reduced(facets, 1, 1e-9);
    QVERIFY2(shape.facetCount() < facets.size() / 4, qPrintable(QString::number(shape.facetCount())));
    QCOMPARE(area(shape), double(n * n));
    for (int i = 0; i <= n; ++i) {
        for (const Vector3d& p : {Vector3d(i, 0, 0.5), Vector3d(i, n, 0.5), Vector3d(0, i, 0.5), Vector3d(n, i, 0.5)})
            QVERIFY2(hasCorner(shape, p), qPrintable(QString("(%1, %2)").arg(p.x).arg(p.y)));
    }
    for (const Facet& f : shape.facets())
        QCOMPARE(f.normal, Vector3d(0, 0, 1));
}

void TestFacetReducer::unusableFacetsAddNothing()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    FacetReducer reducer;
    reducer.addShape(shapeOf({{0, 0, 0}, {1, 0, 0}, {0, 0, 0},
                              {0, 0, 0}, {1, 0, 0}, {0, nan, 0},
                              {0, 0, 0}, {1, 0, 0}, {2, 0, 0},
                              {0, 0, 0}, {1, 0, 0}, {0, 1, 0}}).facets(), nullptr);
    // The collinear facet is a face until it is read out.
    QCOMPARE(reducer.faceCount(), 2);
    reducer.reduce(1, 1.0, nullptr);
    QCOMPARE(reducer.toFacetShape().facetCount(), 1);
}

void TestFacetReducer::progressWithoutDialogKeepsCounting()
{
    const QVector<Facet> facets = surface(Noisy, 10, 5);
    ReductionProgress progress;
    progress.phase = ReductionProgress::Building;
    FacetReducer reducer;
    reducer.addShape(facets, &progress);
    QCOMPARE(progress.current, facets.size() - 1);
    progress.phase = ReductionProgress::Reducing;
    reducer.reduce(1, 1e-2, &progress);
    QCOMPARE(progress.current, reducer.toFacetShape().facetCount());
    QVERIFY(!progress.cancelled);

    // Nothing to reduce at all.
    FacetReducer empty;
    empty.reduce(1, 1.0, &progress);
    QCOMPARE(empty.toFacetShape().facetCount(), 0);
}

QTEST_GUILESS_MAIN(TestFacetReducer)
#include "tst_facetreducer.moc"
