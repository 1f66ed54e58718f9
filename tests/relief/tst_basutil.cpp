#include "relief/basutil.h"
#include "tst_basutil_progress.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// A deep, uneven surface: a dome on a slope with a sharp-edged plateau.
std::vector<float> terrain(int w, int h)
{
    std::vector<float> v(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = x - w * 0.4, dy = y - h * 0.6;
            const double z = 3.0 + 0.5 * x + 40.0 * std::exp(-(dx * dx + dy * dy) / (w * 2.0));
            v[size_t(y) * w + x] = float(z + (x > w / 2 && y < h / 3 ? 25.0 : 0.0));
        }
    return v;
}

// 3 x 3 with a step on the right: only the centre has a gradient (gx = -9,
// gy = -3), and its height is the base, so it falls in bin 0.
const QVector<float> kStep{1, 2, 2, 1, 2, 5, 1, 2, 5};

} // namespace

class TestBasUtil : public QObject
{
    Q_OBJECT

private slots:
    void levelsAndGradients();
    void unusableHeightsGiveZeros_data();
    void unusableHeightsGiveZeros();
    void histogramWeighsMirrorsAndClips_data();
    void histogramWeighsMirrorsAndClips();
    void contrastOneFlattensTheHistogram();
    void reliefMapsStepsExactlyAndStaysInRange_data();
    void reliefMapsStepsExactlyAndStaysInRange();
    void progressCountsEveryBlockAndCancelStops();
};

void TestBasUtil::levelsAndGradients()
{
    // One level, and two levels, leave no range above the base.
    for (const QVector<float>& flat : {QVector<float>(9, 5.0f), QVector<float>{0, 0, 0, 0, 4, 0, 0, 0, 0}}) {
        BasUtil bas(3, 3, flat.constData());
        QCOMPARE(bas.range(), 0.0);
        QVERIFY(!bas.usable());
    }
    BasUtil bas(3, 3, kStep.constData());
    QCOMPARE(bas.minZ(), 1.0);
    QCOMPARE(bas.base(), 2.0);
    QCOMPARE(bas.range(), 3.0);
    QVERIFY(bas.usable());
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(bas.Z(i % 3, i / 3), i == 5 || i == 8 ? 3.0 : 0.0);
        if (i != 4)
            QCOMPARE(bas.T(i % 3, i / 3), 0.0);
    }
    QVERIFY(std::abs(bas.T(1, 1) - std::log(1.0 + std::sqrt(90.0))) < 1e-6);
}

void TestBasUtil::unusableHeightsGiveZeros_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<float>("spoiler");
    QTest::addColumn<int>("grid");
    QTest::addColumn<int>("bins");
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("NaN height") << 64 << std::numeric_limits<float>::quiet_NaN() << 2 << 100;
    QTest::newRow("infinite height") << 64 << inf << 2 << 100;
    QTest::newRow("minus infinity") << 64 << -inf << 2 << 100;
    QTest::newRow("too small for 2 x 2 tiles") << 10 << 0.0f << 2 << 100;
    QTest::newRow("no bins") << 64 << 0.0f << 2 << 0;
    QTest::newRow("grid of 1") << 64 << 0.0f << 1 << 100;
}

void TestBasUtil::unusableHeightsGiveZeros()
{
    QFETCH(int, size);
    QFETCH(float, spoiler);
    QFETCH(int, grid);
    QFETCH(int, bins);
    std::vector<float> heights = terrain(size, size);
    if (spoiler != 0.0f)
        heights[size_t(size) * 3 + 5] = spoiler;
    BasUtil bas(size, size, heights.data());
    RecordingProgress progress;
    const float* out = bas.makeRelief(grid, 8, bins, &progress);
    for (int i = 0; i < size * size; ++i)
        QCOMPARE(out[i], 0.0f);
    QCOMPARE(progress.maximum(), 0);
    QVERIFY(progress.shown());
}

void TestBasUtil::histogramWeighsMirrorsAndClips_data()
{
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("radius");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<QVector<double>>("expected");   // in units of the centre's T
    // At the corner the 3 x 3 window mirrors the centre into all four of its
    // corners, each weighed exp(-1 / (2 sqrt 2)) in x and y.
    const double w = 4 * std::exp(-1 / std::sqrt(2.0));
    QTest::newRow("corner, mirrored, no clipping") << 0 << 1 << 100 << QVector<double>{w, w, w, w};
    // Limit T / 4 x contrast; the excess of bin 0 spreads over the others.
    QTest::newRow("contrast 1 spreads evenly") << 1 << 0 << 1 << QVector<double>{0.25, 0.5, 0.75, 1};
    QTest::newRow("contrast 2 halves bin 0") << 1 << 0 << 2 << QVector<double>{0.5, 2.0 / 3, 5.0 / 6, 1};
}

void TestBasUtil::histogramWeighsMirrorsAndClips()
{
    QFETCH(int, cx);
    QFETCH(int, radius);
    QFETCH(int, contrast);
    QFETCH(QVector<double>, expected);
    BasUtil bas(3, 3, kStep.constData());
    float hist[4];
    bas.histogram(cx, cx, radius, radius, contrast, hist, 4);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(std::abs(hist[i] / bas.T(1, 1) - expected[i]) < 1e-5, qPrintable(QString::number(hist[i])));
}

void TestBasUtil::contrastOneFlattensTheHistogram()
{
    // Rounding keeps pushing bins just past the limit: the passes must end.
    const std::vector<float> heights = terrain(30, 30);
    BasUtil bas(30, 30, heights.data());
    const int bins = 40;
    std::vector<float> hist(static_cast<size_t>(bins));
    bas.histogram(15, 15, 10, 10, 1, hist.data(), bins);
    for (int i = 0; i < bins; ++i)
        QVERIFY(std::abs(hist[i] - hist.back() * (i + 1) / bins) <= 1e-3f * hist.back());
}

void TestBasUtil::reliefMapsStepsExactlyAndStaysInRange_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("grid");
    QTest::newRow("one scale, grid halved") << 23 << 41 << 5;
    QTest::newRow("two scales") << 40 << 30 << 4;
    QTest::newRow("three scales") << 90 << 90 << 8;
}

void TestBasUtil::reliefMapsStepsExactlyAndStaysInRange()
{
    // Heights 0, 1 and 2: the base is 1, so cells of 0 and 1 fall in the first
    // bin and map to 0, cells of 2 in the last and map to the range, whatever
    // the blend weights, as long as they add up to 1 at every scale.
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, grid);
    std::vector<float> heights(size_t(w) * h);
    for (int i = 0; i < w * h; ++i)
        heights[i] = (i % w * 7 + i / w * 3) % 5 == 0 ? 2.0f : float((i % w + i / w) % 2);
    BasUtil bas(w, h, heights.data());
    QCOMPARE(bas.range(), 1.0);
    const float* out = bas.makeRelief(grid, 8, 100, nullptr);
    for (int i = 0; i < w * h; ++i)
        QVERIFY2(std::abs(out[i] - (heights[i] == 2.0f ? 1.0f : 0.0f)) < 1e-5f,
                 qPrintable(QString("cell %1: %2").arg(i).arg(out[i])));

    // An uneven surface stays within its range and reaches well up it.
    heights = terrain(w, h);
    BasUtil deep(w, h, heights.data());
    out = deep.makeRelief(grid, 8, 500, nullptr);
    const float top = *std::max_element(out, out + w * h);
    QVERIFY(*std::min_element(out, out + w * h) >= 0.0f);
    QVERIFY(top <= float(deep.range()) * 1.0001f && top > 0.5f * float(deep.range()));
}

void TestBasUtil::progressCountsEveryBlockAndCancelStops()
{
    // Scales 8, 4 and 2 cut 200 cells into blocks of 11, 20 and 33.
    const std::vector<float> heights = terrain(200, 200);
    BasUtil bas(200, 200, heights.data());
    RecordingProgress progress;
    bas.makeRelief(8, 8, 100, &progress);
    QCOMPARE(progress.maximum(), 19 * 19 + 10 * 10 + 7 * 7);
    QCOMPARE(progress.value(), progress.maximum());
    QCOMPARE(progress.eventRounds(), progress.maximum());
    QVERIFY(!progress.autoClose());
    QVERIFY(progress.shown());

    RecordingProgress cancelling(3);
    bas.makeRelief(8, 8, 100, &cancelling);
    QCOMPARE(cancelling.value(), 3);
}

QTEST_GUILESS_MAIN(TestBasUtil)
#include "tst_basutil.moc"
