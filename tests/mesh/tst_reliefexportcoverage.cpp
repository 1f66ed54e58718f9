#include "base/veksettings.h"
#include "mesh/facetreducer.h"
#include "relief/relief.h"
#include "reliefcoverage.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using VekMath::Vector3d;

namespace {

enum Kind { SteepDome, Ramp, Terrace, DomeWithHole };

// Small reliefs in cells whose exports went wrong at the rim: steep sides
// standing on a zero border, a one-sided slope, sharp steps.
void carve(Relief& relief, Kind kind)
{
    const int w = relief.width(), h = relief.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = (x - w / 2.0) / (w / 2.0 - 3), v = (y - h / 2.0) / (h / 2.0 - 3);
            const double r = std::sqrt(u * u + v * v);
            double z = 0;
            switch (kind) {
            case SteepDome:
            case DomeWithHole:
                z = r < 1 ? 30 * std::pow(1 - r * r, 0.25) + 0.7 * std::sin(x * 0.9) * std::cos(y * 0.7) : 0;
                break;
            case Ramp:
                z = x < 4 || x > w - 4 ? 0 : 1.5 * (x - 4) + 0.3 * std::sin(y * 0.8);
                break;
            case Terrace:
                z = r < 1 ? 6 * std::floor((1 - r) * 5) + 2 : 0;
                break;
            }
            relief.heights()[y * w + x] = float(z);
        }
    if (kind == DomeWithHole)
        for (int y = h / 2 - 2; y < h / 2 + 2; ++y)
            for (int x = w / 2 - 3; x < w / 2 + 3; ++x)
                relief.heights()[y * w + x] = 0;
}

} // namespace

class TestReliefExportCoverage : public QObject
{
    Q_OBJECT

private slots:
    void exportHasNoFoldsHolesOrMovedOutline_data();
    void exportHasNoFoldsHolesOrMovedOutline();
    void exportThatNeverFoldedIsUnchanged_data();
    void exportThatNeverFoldedIsUnchanged();
    void stripsOnManyThreadsGiveTheOneThreadResult();
    void rasteriserReadsZeroOnTheUnreducedGrid();
};

void TestReliefExportCoverage::exportHasNoFoldsHolesOrMovedOutline_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("steep dome, loose") << int(SteepDome) << 64 << 56 << 0.02;
    QTest::newRow("dome with a zero hole") << int(DomeWithHole) << 48 << 48 << 0.005;
    QTest::newRow("ramp") << int(Ramp) << 40 << 30 << 0.02;
    QTest::newRow("terrace") << int(Terrace) << 50 << 50 << 0.002;
    // Strips of ten rows: the dome crosses four seams.
    QTest::newRow("steep dome in strips") << int(SteepDome) << 16384 << 44 << 0.004;
    QTest::newRow("terrace in strips") << int(Terrace) << 16384 << 111 << 0.002;
}

void TestReliefExportCoverage::exportHasNoFoldsHolesOrMovedOutline()
{
    QFETCH(int, kind);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, tolerance);
    Relief relief(width, height);
    // A wide relief keeps its carving in the first columns.
    Relief carved(std::min(width, 64), height);
    carve(carved, Kind(kind));
    for (int y = 0; y < height; ++y)
        std::copy_n(carved.heights() + y * carved.width(), carved.width(), relief.heights() + y * width);
    bool ok = false;
    const FacetShape shape = FacetReducer().reduceRelief(relief, nullptr, tolerance, 0, &ok);
    QVERIFY(ok);
    const ReliefCoverage c = coverageOf(relief, shape);
    QCOMPARE(c.folded, 0);
    QCOMPARE(c.uncovered, 0);
    QCOMPARE(c.borderMissing, 0);
    QVERIFY(shape.facetCount() < unreducedRelief(relief).facetCount());
}

void TestReliefExportCoverage::exportThatNeverFoldedIsUnchanged_data()
{
    // Figures of exports made before collapses were refused for turning a
    // face over or moving the outline; these never did either.
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("facets");
    QTest::addColumn<double>("fingerprint");
    QTest::newRow("waves, one strip") << 120 << 90 << 740 << 14.177705766046778;
    QTest::newRow("waves and a zero border, three strips") << 2048 << 200 << 1690 << 221.3984723340281;
}

void TestReliefExportCoverage::exportThatNeverFoldedIsUnchanged()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, facets);
    QFETCH(double, fingerprint);
    Relief relief(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            relief.heights()[y * width + x] =
                x > 150 ? 0.0f : float(4 + 0.05 * x + 2 * std::sin(x * 0.07 + y * 0.02) * std::cos(y * 0.05));
    bool ok = false;
    const FacetShape shape = FacetReducer().reduceRelief(relief, nullptr, 0.002, 0, &ok);
    QVERIFY(ok);
    QCOMPARE(shape.facetCount(), facets);
    double sum = 0;
    for (const Facet& f : shape.facets())
        for (const Vector3d& c : f.corners)
            sum += c.x + 3 * c.y + 7 * c.z;
    QCOMPARE(sum, fingerprint);
}

void TestReliefExportCoverage::stripsOnManyThreadsGiveTheOneThreadResult()
{
    // Eleven strips of ten rows; the terraces fold some strips and the
    // joined mesh unless collapses are refused for it.
    Relief relief(16384, 111);
    Relief carved(64, 111);
    carve(carved, Terrace);
    for (int y = 0; y < 111; ++y)
        std::copy_n(carved.heights() + y * 64, 64, relief.heights() + y * 16384);
    QVector<Facet> results[3];
    const int threads[3] = {1, 3, 8};
    for (int i = 0; i < 3; ++i) {
        FacetReducer reducer;
        reducer.setThreadCount(threads[i]);
        bool ok = false;
        results[i] = reducer.reduceRelief(relief, nullptr, 0.002, 0, &ok).facets();
        QVERIFY(ok);
        // Strips reduced again on idle workers and then not wanted leave
        // no file behind either.
        QVERIFY(QDir(VekSettings::homeDir()).entryList({"tmp_*"}).isEmpty());
    }
    QVERIFY(results[0].size() > 100);
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(results[i].size(), results[0].size());
        for (int f = 0; f < results[0].size(); ++f)
            for (int k = 0; k < 3; ++k)
                QVERIFY2(results[i][f].corners[k] == results[0][f].corners[k], qPrintable(QString("%1 threads, facet %2").arg(threads[i]).arg(f)));
    }
}

void TestReliefExportCoverage::rasteriserReadsZeroOnTheUnreducedGrid()
{
    // The check itself: it must find nothing wrong with the cells' own
    // triangles, and must see a hole, a fold and a lost outline corner.
    Relief relief(12, 10);
    carve(relief, SteepDome);
    FacetShape shape = unreducedRelief(relief);
    ReliefCoverage c = coverageOf(relief, shape);
    QCOMPARE(c.folded, 0);
    QCOMPARE(c.uncovered, 0);
    QCOMPARE(c.borderMissing, 0);
    QCOMPARE(c.maxDeviation, 0.0);

    // The first facet turned over; the facets around the highest corner gone.
    double top = 0;
    for (const Facet& f : shape.facets())
        for (const Vector3d& p : f.corners)
            top = std::max(top, p.z);
    FacetShape damaged;
    for (int i = 0; i < shape.facetCount(); ++i) {
        Facet f = shape.facets()[i];
        if (f.corners[0].z == top || f.corners[1].z == top || f.corners[2].z == top)
            continue;
        if (i == 0)
            std::swap(f.corners[1], f.corners[2]);
        damaged.addFacet(f);
    }
    c = coverageOf(relief, damaged);
    QCOMPARE(c.folded, 1);
    QVERIFY(c.uncovered > 0 || c.borderMissing > 0);
}

QTEST_GUILESS_MAIN(TestReliefExportCoverage)
#include "tst_reliefexportcoverage.moc"
