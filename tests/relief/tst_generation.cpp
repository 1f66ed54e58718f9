#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "tst_basutil_progress.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

using Grid = std::vector<float>;

void fill(Relief& relief, const Grid& values)
{
    std::copy(values.begin(), values.end(), relief.heights());
}

Grid heightsOf(const Relief& relief)
{
    return Grid(relief.heights(), relief.heights() + relief.cellCount());
}

// Each pass straight from the rule: zero on the border, on a zero cell or
// beside one.
Grid directErosion(Grid h, int w, int ht, int passes)
{
    for (int p = 0; p < passes; ++p) {
        Grid next = h;
        for (int y = 0; y < ht; ++y)
            for (int x = 0; x < w; ++x) {
                bool zero = x == 0 || y == 0 || x == w - 1 || y == ht - 1;
                for (int dy = -1; dy <= 1 && !zero; ++dy)
                    for (int dx = -1; dx <= 1 && !zero; ++dx)
                        zero = h[size_t(y + dy) * w + x + dx] == 0.0f;
                if (zero)
                    next[size_t(y) * w + x] = 0.0f;
            }
        h = next;
    }
    return h;
}

// Each pass straight from the rule, in double: weights 4, 2 and 1 over the
// neighbours inside the grid.
Grid directSmoothing(Grid h, int w, int ht, double steps, bool keepZero)
{
    const int passes = int(std::ceil(steps));
    const double f = steps - std::trunc(steps);
    for (int p = 0; p < passes; ++p) {
        Grid next = h;
        for (int y = 0; y < ht; ++y)
            for (int x = 0; x < w; ++x) {
                const double old = h[size_t(y) * w + x];
                double sum = 0.0, weight = 0.0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (x + dx < 0 || y + dy < 0 || x + dx >= w || y + dy >= ht)
                            continue;
                        const double k = (dx == 0 ? 2 : 1) * (dy == 0 ? 2 : 1);
                        sum += k * h[size_t(y + dy) * w + x + dx];
                        weight += k;
                    }
                double m = sum / weight;
                if (p == passes - 1 && f != 0.0)
                    m = m * f + (1 - f) * old;
                next[size_t(y) * w + x] = (keepZero && old == 0.0) ? 0.0f : float(m);
            }
        h = next;
    }
    return h;
}

// A source of exactly w x h samples: a sloped dome on an empty margin.
ReliefSource domeSource(int w, int h)
{
    ReliefSource source{uint32_t(w), uint32_t(h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = x - w / 2.0, dy = y - h / 2.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            source.append(r < w / 3.0 ? 10.0 + x + 30.0 * std::cos(r / w * 4.0) : 0.0);
        }
    return source;
}

// A fresh import that asks for a bas-relief, rebuilt once without it.
std::unique_ptr<Relief> basReliefImport()
{
    auto relief = std::make_unique<Relief>(domeSource(48, 40));
    relief->source()->basRelief = true;
    relief->source()->dirty = true;
    relief->rebuild(false);
    return relief;
}

} // namespace

class TestGeneration : public QObject
{
    Q_OBJECT

private slots:
    void erosionTrimsTheEdge_data();
    void erosionTrimsTheEdge();
    void smoothingMatchesWeightedMean_data();
    void smoothingMatchesWeightedMean();
    void previewOffShowsRawSamplesAndKeepsReference();
    void previewAppliesTrimSmoothingAndRaise();
    void basReliefIsCachedUntilASettingDirtiesIt();
    void cancelledBasReliefKeepsDirtySet();
    void basReliefSkippedWithoutRange();
};

void TestGeneration::erosionTrimsTheEdge_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<Grid>("heights");
    QTest::addColumn<int>("passes");
    QTest::addColumn<Grid>("expected");
    QTest::newRow("3x3 once keeps the centre") << 3 << 3 << Grid(9, 1.0f) << 1 << Grid{0, 0, 0, 0, 1, 0, 0, 0, 0};
    QTest::newRow("3x3 twice") << 3 << 3 << Grid(9, 1.0f) << 2 << Grid(9, 0.0f);
    QTest::newRow("no passes") << 3 << 3 << Grid(9, 1.0f) << 0 << Grid(9, 1.0f);
    Grid hole(49, 2.0f);
    hole[3 * 7 + 3] = 0.0f;
    hole[1 * 7 + 5] = std::nanf("");
    QTest::newRow("hole and NaN, once") << 7 << 7 << hole << 1 << directErosion(hole, 7, 7, 1);
    QTest::newRow("hole, twice") << 7 << 7 << hole << 2 << directErosion(hole, 7, 7, 2);
    Grid bumpy(11 * 9);
    for (size_t i = 0; i < bumpy.size(); ++i)
        bumpy[i] = (i * 7 % 13 == 0) ? 0.0f : float(i);
    QTest::newRow("scattered zeros") << 11 << 9 << bumpy << 1 << directErosion(bumpy, 11, 9, 1);
    QTest::newRow("single row") << 5 << 1 << Grid(5, 3.0f) << 1 << Grid(5, 0.0f);
}

void TestGeneration::erosionTrimsTheEdge()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(Grid, heights);
    QFETCH(int, passes);
    QFETCH(Grid, expected);
    Relief relief(w, h);
    fill(relief, heights);
    relief.erodePasses(passes);
    const Grid got = heightsOf(relief);
    for (size_t i = 0; i < got.size(); ++i)
        QVERIFY2(got[i] == expected[i] || (std::isnan(got[i]) && std::isnan(expected[i])),
                 qPrintable(QString("cell %1").arg(i)));
}

void TestGeneration::smoothingMatchesWeightedMean_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<double>("steps");
    QTest::addColumn<bool>("keepZero");
    QTest::newRow("one pass") << 7 << 6 << 1.0 << false;
    QTest::newRow("half a pass") << 7 << 6 << 0.5 << false;
    QTest::newRow("two and a half") << 7 << 6 << 2.5 << false;
    QTest::newRow("zeros kept") << 7 << 6 << 3.0 << true;
    QTest::newRow("zeros kept, fractional") << 7 << 6 << 1.25 << true;
    QTest::newRow("single cell") << 1 << 1 << 2.0 << false;
    QTest::newRow("single row") << 6 << 1 << 2.0 << false;
    QTest::newRow("single column") << 1 << 6 << 2.0 << false;
    QTest::newRow("2 x 2") << 2 << 2 << 1.0 << false;
    QTest::newRow("no steps") << 5 << 5 << 0.0 << false;
}

void TestGeneration::smoothingMatchesWeightedMean()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, steps);
    QFETCH(bool, keepZero);
    Grid heights(size_t(w) * h);
    for (size_t i = 0; i < heights.size(); ++i)
        heights[i] = (i % 5 == 2) ? 0.0f : float((i * 37) % 11) + 0.5f;
    Relief relief(w, h);
    fill(relief, heights);
    relief.smoothPasses(steps, keepZero);
    const Grid expected = directSmoothing(heights, w, h, steps, keepZero);
    const Grid got = heightsOf(relief);
    for (size_t i = 0; i < got.size(); ++i) {
        QVERIFY2(std::abs(got[i] - expected[i]) < 1e-5f, qPrintable(QString("cell %1").arg(i)));
        if (keepZero && heights[i] == 0.0f)
            QCOMPARE(got[i], 0.0f);
    }
}

void TestGeneration::previewOffShowsRawSamplesAndKeepsReference()
{
    Relief relief(domeSource(20, 16));
    ReliefSource& source = *relief.source();
    source.preview = false;
    source.raiseLowerSteps = 50;
    source.trimSteps = 3;
    source.smoothSteps = 2;
    relief.referenceHeights()[5] = 42.0f;
    relief.setRemesh(false);
    relief.rebuild(false);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            QCOMPARE(relief.heightAt(x, y), double(float(source.sample(uint32_t(x), uint32_t(y), false))));
    QCOMPARE(relief.referenceHeights()[5], 42.0f);
    QVERIFY(relief.remesh());
}

void TestGeneration::previewAppliesTrimSmoothingAndRaise()
{
    const int w = 20, h = 16;
    Relief relief(domeSource(w, h));
    ReliefSource& source = *relief.source();
    source.raiseLowerSteps = 10;
    source.trimSteps = 2;
    source.smoothSteps = 1.5;
    source.importKeepTransparency = true;
    relief.rebuild(false);

    Grid expected(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            expected[size_t(y) * w + x] = float(source.sample(uint32_t(x), uint32_t(y), true));
    expected = directSmoothing(directErosion(expected, w, h, 2), w, h, 1.5, true);
    const Grid got = heightsOf(relief);
    for (size_t i = 0; i < got.size(); ++i)
        QVERIFY(std::abs(got[i] - expected[i]) < 1e-4f);
    QVERIFY(std::equal(got.begin(), got.end(), relief.referenceHeights()));
}

void TestGeneration::basReliefIsCachedUntilASettingDirtiesIt()
{
    const auto made = basReliefImport();
    Relief& relief = *made;
    ReliefSource& source = *relief.source();
    const Grid plain = heightsOf(relief);
    QVERIFY(!relief.basReliefCache());
    QVERIFY(source.dirty);

    relief.rebuild(true);
    QVERIFY(!source.dirty);
    QVERIFY(relief.basReliefCache());
    const Grid bas = heightsOf(relief);
    QVERIFY(bas != plain);
    QVERIFY(std::equal(bas.begin(), bas.end(), relief.basReliefCache()));
    QVERIFY(std::equal(bas.begin(), bas.end(), relief.referenceHeights()));

    // Toggling preview does not dirty: the cached result comes back.
    source.preview = false;
    relief.rebuild(false);
    source.preview = true;
    relief.rebuild(false);
    QCOMPARE(heightsOf(relief), bas);

    // A trim change dirties: the stale result must not stand in for it.
    source.trimSteps = 1;
    source.dirty = true;
    relief.rebuild(false);
    QCOMPARE(heightsOf(relief), directErosion(plain, 48, 40, 1));
    relief.rebuild(true);
    QVERIFY(!source.dirty);
    QVERIFY(heightsOf(relief) != bas);
}

void TestGeneration::cancelledBasReliefKeepsDirtySet()
{
    const auto made = basReliefImport();
    Relief& relief = *made;
    ReliefSource& source = *relief.source();
    const Grid plain = heightsOf(relief);

    RecordingProgress cancelling(2);
    relief.rebuild(true, &cancelling);
    QCOMPARE(cancelling.value(), 2);
    QVERIFY(source.dirty);
    QVERIFY(!relief.basReliefCache());
    QCOMPARE(heightsOf(relief), plain);

    RecordingProgress patient;
    relief.rebuild(true, &patient);
    QCOMPARE(patient.value(), patient.maximum());
    QVERIFY(!source.dirty);
    QVERIFY(heightsOf(relief) != plain);
}

void TestGeneration::basReliefSkippedWithoutRange()
{
    // Two height levels: the range above the second-lowest level is 0.
    ReliefSource flat(40, 40);
    for (int i = 0; i < 1600; ++i)
        flat.append((i / 40 > 5 && i / 40 < 35 && i % 40 > 5 && i % 40 < 35) ? 7.0 : 0.0);
    Relief relief(flat);
    relief.source()->basRelief = true;
    relief.source()->dirty = true;
    relief.rebuild(false);
    const Grid plain = heightsOf(relief);
    RecordingProgress progress;
    relief.rebuild(true, &progress);
    QCOMPARE(heightsOf(relief), plain);
    QVERIFY(!relief.basReliefCache());
    QVERIFY(!progress.shown());
}

QTEST_GUILESS_MAIN(TestGeneration)
#include "tst_generation.moc"
