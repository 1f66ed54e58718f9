#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "tst_basutil_progress.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

using Grid = std::vector<float>;

Grid heightsOf(const Relief& relief)
{
    return Grid(relief.heights(), relief.heights() + relief.cellCount());
}

// Rows of digits, 'n' for NaN; '/' between rows is skipped.
Grid cells(const char* text)
{
    Grid g;
    for (const char* c = text; *c; ++c)
        if (*c != '/')
            g.push_back(*c == 'n' ? std::nanf("") : float(*c - '0'));
    return g;
}

// The same heights in a relief of their own, eroded and smoothed directly.
Grid trimmedAndSmoothed(const Grid& heights, int w, int h, int passes, double steps)
{
    Relief scratch(w, h);
    std::copy(heights.begin(), heights.end(), scratch.heights());
    scratch.erodePasses(passes);
    scratch.smoothPasses(steps, true);
    return heightsOf(scratch);
}

// A source of exactly w x h samples: a sloped dome on an empty margin.
ReliefSource domeSource(int w, int h)
{
    ReliefSource source{uint32_t(w), uint32_t(h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x - w / 2.0, y - h / 2.0);
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
    void trimAndSmoothing_data();
    void trimAndSmoothing();
    void previewAppliesTrimSmoothingAndRaise();
    void basReliefIsCachedUntilASettingDirtiesIt();
    void basReliefSkippedWithoutRange();
};

void TestGeneration::trimAndSmoothing_data()
{
    // Trimming zeroes the border and every cell beside a zero. Smoothing
    // weighs the cell 4, edge neighbours 2 and corners 1, over the
    // neighbours inside the grid; a fraction blends only the last pass.
    QTest::addColumn<int>("w");
    QTest::addColumn<Grid>("heights");
    QTest::addColumn<int>("trims");
    QTest::addColumn<double>("steps");
    QTest::addColumn<bool>("keepZero");
    QTest::addColumn<Grid>("expected");
    const Grid ones = cells("111/111/111");
    QTest::newRow("trim 3x3 once keeps the centre") << 3 << ones << 1 << 0.0 << false << cells("000/010/000");
    QTest::newRow("trim 3x3 twice") << 3 << ones << 2 << 0.0 << false << cells("000/000/000");
    QTest::newRow("nothing to do") << 3 << ones << 0 << 0.0 << false << ones;
    // A NaN is not a zero: it neither erodes nor is eroded on its own.
    const Grid hole = cells("2222222/2222222/2n22022/2222222/2222222");
    QTest::newRow("trim a hole and NaN once") << 7 << hole << 1 << 0.0 << false
                                              << cells("0000000/0220000/0n20000/0220000/0000000");
    QTest::newRow("trim a hole and NaN twice") << 7 << hole << 2 << 0.0 << false << Grid(35, 0.0f);
    QTest::newRow("trim a single row") << 5 << cells("33333") << 1 << 0.0 << false << cells("00000");
    const Grid spike{0, 0, 0, 0, 36, 0, 0, 0, 0};
    QTest::newRow("smooth once") << 3 << spike << 0 << 1.0 << false << Grid{4, 6, 4, 6, 9, 6, 4, 6, 4};
    QTest::newRow("smooth half a pass") << 3 << spike << 0 << 0.5 << false << Grid{2, 3, 2, 3, 22.5f, 3, 2, 3, 2};
    const float c = 85.0f / 18, e = 71.0f / 12;
    QTest::newRow("smooth one and a half") << 3 << spike << 0 << 1.5 << false << Grid{c, e, c, e, 7.625f, e, c, e, c};
    QTest::newRow("smooth keeping zeros") << 3 << spike << 0 << 1.0 << true << Grid{0, 0, 0, 0, 9, 0, 0, 0, 0};
    QTest::newRow("smooth a single row") << 3 << Grid{0, 6, 0} << 0 << 1.0 << false << Grid{2, 3, 2};
    QTest::newRow("smooth a single column") << 1 << Grid{0, 6, 0} << 0 << 1.0 << false << Grid{2, 3, 2};
    QTest::newRow("smooth a single cell") << 1 << Grid{5} << 0 << 2.0 << false << Grid{5};
}

void TestGeneration::trimAndSmoothing()
{
    QFETCH(int, w);
    QFETCH(Grid, heights);
    QFETCH(int, trims);
    QFETCH(double, steps);
    QFETCH(bool, keepZero);
    QFETCH(Grid, expected);
    Relief relief(w, int(heights.size()) / w);
    std::copy(heights.begin(), heights.end(), relief.heights());
    relief.erodePasses(trims);
    relief.smoothPasses(steps, keepZero);
    const Grid got = heightsOf(relief);
    for (size_t i = 0; i < got.size(); ++i)
        QVERIFY2(std::abs(got[i] - expected[i]) < 1e-5f || (std::isnan(got[i]) && std::isnan(expected[i])),
                 qPrintable(QString("cell %1: %2").arg(i).arg(got[i])));
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
    Grid sampled;
    for (int i = 0; i < w * h; ++i)
        sampled.push_back(float(source.sample(uint32_t(i % w), uint32_t(i / w), true)));
    const Grid got = heightsOf(relief);
    QCOMPARE(got, trimmedAndSmoothed(sampled, w, h, 2, 1.5));
    QVERIFY(std::equal(got.begin(), got.end(), relief.referenceHeights()));

    // Without preview the raw samples show and the reference stays.
    source.preview = false;
    relief.referenceHeights()[5] = 42.0f;
    relief.setRemesh(false);
    relief.rebuild(false);
    for (int i = 0; i < w * h; ++i)
        QCOMPARE(relief.heights()[i], float(source.sample(uint32_t(i % w), uint32_t(i / w), false)));
    QCOMPARE(relief.referenceHeights()[5], 42.0f);
    QVERIFY(relief.remesh());
}

void TestGeneration::basReliefIsCachedUntilASettingDirtiesIt()
{
    const auto made = basReliefImport();
    Relief& relief = *made;
    ReliefSource& source = *relief.source();
    const Grid plain = heightsOf(relief);

    // A cancelled generation keeps the heights and the dirty flag.
    RecordingProgress cancelling(2);
    relief.rebuild(true, &cancelling);
    QCOMPARE(cancelling.value(), 2);
    QVERIFY(source.dirty && !relief.basReliefCache());
    QCOMPARE(heightsOf(relief), plain);

    RecordingProgress patient;
    relief.rebuild(true, &patient);
    QCOMPARE(patient.value(), patient.maximum());
    QVERIFY(!source.dirty);
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
    QCOMPARE(heightsOf(relief), trimmedAndSmoothed(plain, 48, 40, 1, 0.0));
    relief.rebuild(true);
    QVERIFY(!source.dirty);
    QVERIFY(heightsOf(relief) != bas);
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
