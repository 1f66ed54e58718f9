#include "mesh/facetreducer.h"
#include "meshtestutil.h"

#include <QtTest>

#include <cmath>
#include <limits>

using VekMath::Vector3d;

namespace {

enum Surface { Bumpy, Terraced, Pillow, Flat };

// Reproducible noise in [0, 1), the same on every platform.
double noise(int x, int y)
{
    unsigned int h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffff) / 65536.0;
}

// n x n cells, two facets each, split along (0,0)-(1,1) as the relief export
// splits them; a pillow adds the mirrored underside so that no edge is a border.
QVector<Facet> surface(Surface kind, int n)
{
    auto height = [&](int x, int y) {
        const double bumpy = 0.02 * ((x + 2 * y) % 3) + 0.02 * noise(x, y);
        if (kind == Pillow)
            return (x == 0 || y == 0 || x == n || y == n) ? 0.0 : 1.0 + bumpy;
        return kind == Flat ? 0.5 : kind == Terraced ? std::floor(bumpy * 40) / 40 : bumpy;
    };
    QVector<Facet> facets;
    for (int side = 1; side >= (kind == Pillow ? -1 : 1); side -= 2) {
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const Vector3d p00(i, j, side * height(i, j)), p10(i + 1, j, side * height(i + 1, j));
                const Vector3d p01(i, j + 1, side * height(i, j + 1)), p11(i + 1, j + 1, side * height(i + 1, j + 1));
                const Vector3d& b = side > 0 ? p10 : p01;
                const Vector3d& d = side > 0 ? p01 : p10;
                facets << Facet(p00, b, p11, Vector3d()) << Facet(p11, d, p00, Vector3d());
            }
        }
    }
    return facets;
}

// Weighs every corner so that any other choice or order of collapses shows.
double fingerprint(const FacetShape& shape)
{
    double sum = 0;
    for (const Facet& f : shape.facets())
        for (const Vector3d& c : f.corners)
            sum += c.x + 3 * c.y + 7 * c.z;
    return sum;
}

FacetShape reduced(const QVector<Facet>& facets, unsigned int target, double maxCost)
{
    FacetReducer reducer;
    reducer.addShape(facets, nullptr);
    reducer.reduce(target, maxCost, nullptr);
    return reducer.toFacetShape();
}

} // namespace

class TestFacetReducer : public QObject
{
    Q_OBJECT

private slots:
    void sameFacesAsTheLiteralProcedure_data();
    void sameFacesAsTheLiteralProcedure();
    void meshesWithoutInnerEdgesStayAsTheyAre_data();
    void meshesWithoutInnerEdgesStayAsTheyAre();
    void flatGridKeepsItsBorder();
    void unusableFacetsAddNothing();
};

void TestFacetReducer::sameFacesAsTheLiteralProcedure_data()
{
    // The expected figures were found by carrying out the edge collapses the
    // slow, literal way (linked records, an ordered vertex table, the whole
    // edge list sorted again after every batch).
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("size");
    QTest::addColumn<unsigned int>("target");
    QTest::addColumn<QVector<double>>("maxCosts");  // one reduce call each
    QTest::addColumn<int>("facets");
    QTest::addColumn<double>("fingerprint");
    QTest::newRow("bumpy, tight") << int(Bumpy) << 16 << 1u << QVector<double>{1e-3} << 270 << 26278.001996517996;
    QTest::newRow("bumpy, loose") << int(Bumpy) << 16 << 1u << QVector<double>{1e-2} << 156 << 15016.984110184027;
    QTest::newRow("bumpy, anything goes") << int(Bumpy) << 16 << 1u << QVector<double>{1e6} << 64 << 6116.2123092773154;
    QTest::newRow("bumpy, to a target") << int(Bumpy) << 16 << 200u << QVector<double>{1e6} << 200 << 19214.416157326352;
    QTest::newRow("bumpy, reduced again looser") << int(Bumpy) << 12 << 1u << QVector<double>{1e-5, 1e-3, 1e-1} << 68
                                                 << 4998.8134402518235;
    QTest::newRow("terraced ties") << int(Terraced) << 16 << 1u << QVector<double>{1e-4} << 398 << 38623.774999999863;
    QTest::newRow("pillow without border") << int(Pillow) << 12 << 1u << QVector<double>{1e-2} << 176 << 12709.525013671502;
    QTest::newRow("flat") << int(Flat) << 12 << 1u << QVector<double>{1e-9} << 48 << 4828.2725545260773;
    QTest::newRow("few faces, batch of 0") << int(Bumpy) << 3 << 1u << QVector<double>{1.0} << 12 << 232.34676300225246;
    // Large enough for the walk to be sorted again many times over; these
    // figures come from the reducer when it still copied its whole sorted
    // order at every sort.
    QTest::newRow("bumpy, many sorts") << int(Bumpy) << 120 << 1u << QVector<double>{1e-3} << 14246
                                       << 10282907.547717273;
    QTest::newRow("bumpy, many sorts, to a target") << int(Bumpy) << 120 << 3000u << QVector<double>{1e6} << 3000
                                                    << 2157627.1894983789;
    QTest::newRow("terraced, many sorts") << int(Terraced) << 120 << 1u << QVector<double>{1e-4} << 21698
                                          << 15612341.20000156;
    QTest::newRow("pillow, many sorts") << int(Pillow) << 100 << 1u << QVector<double>{1e-2} << 9022
                                        << 5420445.0352124618;
}

void TestFacetReducer::sameFacesAsTheLiteralProcedure()
{
    QFETCH(int, kind);
    QFETCH(int, size);
    QFETCH(unsigned int, target);
    QFETCH(QVector<double>, maxCosts);
    QFETCH(int, facets);
    QFETCH(double, fingerprint);
    FacetReducer reducer;
    reducer.addShape(surface(Surface(kind), size), nullptr);
    for (double maxCost : maxCosts)
        reducer.reduce(target, maxCost, nullptr);
    const FacetShape shape = reducer.toFacetShape();
    QCOMPARE(shape.facetCount(), facets);
    QCOMPARE(::fingerprint(shape), fingerprint);
}

void TestFacetReducer::meshesWithoutInnerEdgesStayAsTheyAre_data()
{
    QTest::addColumn<QVector<Vector3d>>("corners");  // empty: the surface below
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("maxCost");
    QTest::newRow("single triangle") << QVector<Vector3d>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}} << 0 << 1e9;
    QTest::newRow("strip of border edges")
        << QVector<Vector3d>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 1}}
        << 0 << 1e9;
    // Its centre's edges all belong to faces that touch the border.
    QTest::newRow("flat 2 x 2 cells") << QVector<Vector3d>() << int(Flat) << 1e9;
    QTest::newRow("no cost allowed") << QVector<Vector3d>() << int(Bumpy) << 0.0;
}

void TestFacetReducer::meshesWithoutInnerEdgesStayAsTheyAre()
{
    QFETCH(QVector<Vector3d>, corners);
    QFETCH(int, kind);
    QFETCH(double, maxCost);
    FacetShape before = shapeOf(corners);
    if (corners.isEmpty())
        for (const Facet& f : surface(Surface(kind), kind == Flat ? 2 : 6))
            before.addFacet(f);
    QCOMPARE(cornersOf(reduced(before.facets(), 1, maxCost)), cornersOf(before));
}

void TestFacetReducer::flatGridKeepsItsBorder()
{
    const int n = 12;
    const FacetShape shape = reduced(surface(Flat, n), 1, 1e-9);
    QVERIFY2(shape.facetCount() < 2 * n * n / 4, qPrintable(QString::number(shape.facetCount())));
    double area = 0;
    for (const Facet& f : shape.facets()) {
        area += Vector3d::cross(f.corners[1] - f.corners[0], f.corners[2] - f.corners[0]).length() / 2;
        QCOMPARE(f.normal, Vector3d(0, 0, 1));
    }
    QCOMPARE(area, double(n * n));
    const QVector<Vector3d> corners = cornersOf(shape);
    for (int i = 0; i <= n; ++i)
        for (const Vector3d& p : {Vector3d(i, 0, 0.5), Vector3d(i, n, 0.5), Vector3d(0, i, 0.5), Vector3d(n, i, 0.5)})
            QVERIFY2(corners.contains(p), qPrintable(QString("(%1, %2)").arg(p.x).arg(p.y)));
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

QTEST_GUILESS_MAIN(TestFacetReducer)
#include "tst_facetreducer.moc"
