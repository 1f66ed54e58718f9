#include "relief/basutil.h"
#include "tst_basutil_progress.h"

#include <QtTest>

#include <cmath>
#include <cstring>
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
            double z = 3.0 + 0.5 * x + 40.0 * std::exp(-(dx * dx + dy * dy) / (w * 2.0));
            if (x > w / 2 && y < h / 3)
                z += 25.0;
            v[size_t(y) * w + x] = float(z);
        }
    return v;
}

// The clipped cumulative histogram summed cell by cell with the full weight.
std::vector<float> directHistogram(const BasUtil& bas, int cx, int cy, int rx, int ry, int contrast, int bins)
{
    std::vector<float> hist(size_t(bins), 0.0f);
    const double d = std::sqrt(double(rx * rx + ry * ry));
    double total = 0.0;
    for (int dy = -ry; dy <= ry; ++dy)
        for (int dx = -rx; dx <= rx; ++dx) {
            const double z = bas.Z(cx + dx, cy + dy);
            const double tw = bas.T(cx + dx, cy + dy) * std::exp(-(dx * dx + dy * dy) / (2.0 * d));
            hist[size_t(std::trunc(z / bas.range() * (bins - 1)))] += float(tw);
            total += tw;
        }
    const float limit = float(total / bins * contrast);
    for (bool pushed = true; pushed;) {
        pushed = false;
        int n = 0;
        double excess = 0.0;
        for (float v : hist)
            if (v > limit) {
                ++n;
                excess += v - limit;
            }
        if (n == 0)
            break;
        for (float& v : hist) {
            if (v > limit) {
                v = limit;
            } else {
                v += float(excess / (bins - n));
                pushed |= v > limit;
            }
        }
    }
    double sum = 0.0;
    for (float& v : hist)
        v = float(sum += v);
    return hist;
}

// Every block with four freshly computed corner histograms and the blend
// rules spelled out one by one.
std::vector<float> directRelief(BasUtil& bas, int grid, int contrast, int bins)
{
    const int w = bas.width(), h = bas.height();
    std::vector<float> out(size_t(w) * h, 0.0f);
    auto tiles = [](int n, int g) { return int(std::ceil(double(n - g) / (g + 1))); };
    while (tiles(h, grid) < 4 || tiles(w, grid) < 4)
        grid /= 2;
    int levels = 0;
    const size_t n = static_cast<size_t>(bins);
    std::vector<float> tl(n), tr(n), bl(n), br(n);
    for (int g = grid; g != 1; g /= 2) {
        ++levels;
        const int tileH = tiles(h, g), tileW = tiles(w, g), halfH = tileH / 2, halfW = tileW / 2;
        for (int y0 = 0; y0 < h; y0 += halfH)
            for (int x0 = 0; x0 < w; x0 += halfW) {
                const int x1 = x0 + halfW, y1 = y0 + halfH;
                const bool bottom = y1 < h - halfH, top = y1 > halfH, right = x1 < w - halfW, left = x1 > halfW;
                bas.histogram(x0, y0, tileW, tileH, contrast, tl.data(), bins);
                bas.histogram(x1, y0, tileW, tileH, contrast, tr.data(), bins);
                bas.histogram(x0, y1, tileW, tileH, contrast, bl.data(), bins);
                bas.histogram(x1, y1, tileW, tileH, contrast, br.data(), bins);
                const bool uTL = top && left, uTR = top && right, uBL = bottom && left, uBR = bottom && right;
                for (int y = y0; y < std::min(y1, h); ++y)
                    for (int x = x0; x < std::min(x1, w); ++x) {
                        const int b = int(std::trunc((bins - 1) * bas.Z(x, y) / bas.range()));
                        auto m = [&](const std::vector<float>& c) {
                            return c[bins - 1] == c[0] ? 0.0 : (c[b] - c[0]) / double(c[bins - 1] - c[0]);
                        };
                        const double u = double(x - x0) / (halfW - 1), v = double(y - y0) / (halfH - 1);
                        double r;
                        if (uTL && uTR && uBL && uBR)
                            r = (1 - v) * (1 - u) * m(tl) + (1 - v) * u * m(tr) + v * (1 - u) * m(bl) + u * v * m(br);
                        else if (uTL && uTR)
                            r = (1 - u) * m(tl) + u * m(tr);
                        else if (uBL && uBR)
                            r = (1 - u) * m(bl) + u * m(br);
                        else if (uTL && uBL)
                            r = (1 - v) * m(tl) + v * m(bl);
                        else if (uTR && uBR)
                            r = (1 - v) * m(tr) + v * m(br);
                        else
                            r = uTL ? m(tl) : uTR ? m(tr) : uBL ? m(bl) : m(br);
                        out[size_t(y) * w + x] += float(r * bas.range());
                    }
            }
    }
    for (float& v : out)
        v /= float(levels);
    return out;
}

} // namespace

class TestBasUtil : public QObject
{
    Q_OBJECT

private slots:
    void levelsAndGradients_data();
    void levelsAndGradients();
    void mirroredReadsAndTheirLimits();
    void unusableHeightsGiveZerosWithoutReadingBins_data();
    void unusableHeightsGiveZerosWithoutReadingBins();
    void histogramMatchesDirectSum_data();
    void histogramMatchesDirectSum();
    void contrastOneFlattensTheHistogram();
    void reliefMatchesBlockByBlockBlend_data();
    void reliefMatchesBlockByBlockBlend();
    void progressCountsEveryBlockOfEveryLevel();
    void cancelStopsAtOnce();
};

void TestBasUtil::levelsAndGradients_data()
{
    QTest::addColumn<QVector<float>>("heights");
    QTest::addColumn<double>("minZ");
    QTest::addColumn<double>("base");
    QTest::addColumn<double>("range");
    QTest::addColumn<QVector<float>>("z");
    QTest::addColumn<double>("centreT");
    QTest::newRow("one level") << QVector<float>(9, 5.0f) << 5.0 << 5.0 << 0.0 << QVector<float>(9, 0.0f) << 0.0;
    QTest::newRow("two levels") << QVector<float>{0, 0, 0, 0, 4, 0, 0, 0, 0} << 0.0 << 4.0 << 0.0
                                << QVector<float>{0, 0, 0, 0, 0, 0, 0, 0, 0} << 0.0;
    // gx = -9, gy = -3 at the centre.
    QTest::newRow("step on the right") << QVector<float>{1, 2, 2, 1, 2, 5, 1, 2, 5} << 1.0 << 2.0 << 3.0
                                       << QVector<float>{0, 0, 0, 0, 0, 3, 0, 0, 3} << std::log(1.0 + std::sqrt(90.0));
}

void TestBasUtil::levelsAndGradients()
{
    QFETCH(QVector<float>, heights);
    QFETCH(double, minZ);
    QFETCH(double, base);
    QFETCH(double, range);
    QFETCH(QVector<float>, z);
    QFETCH(double, centreT);
    BasUtil bas(3, 3, heights.constData());
    QCOMPARE(bas.minZ(), minZ);
    QCOMPARE(bas.base(), base);
    QCOMPARE(bas.range(), range);
    QCOMPARE(bas.usable(), range > 0.0);
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(bas.Z(i % 3, i / 3), double(z[i]));
        if (i != 4)
            QCOMPARE(bas.T(i % 3, i / 3), 0.0);
    }
    QVERIFY(std::abs(bas.T(1, 1) - centreT) < 1e-6);
}

void TestBasUtil::mirroredReadsAndTheirLimits()
{
    const QVector<float> heights{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    BasUtil bas(4, 3, heights.constData());
    QCOMPARE(bas.Z(-1, 0), bas.Z(1, 0));
    QCOMPARE(bas.Z(4, 2), bas.Z(2, 2));
    QCOMPARE(bas.Z(0, -2), bas.Z(0, 2));
    QCOMPARE(bas.Z(3, 3), bas.Z(3, 1));
    bool threw = false;
    try {
        bas.Z(-4, 0);
    } catch (const char* what) {
        threw = std::strcmp(what, "BasUtil::Z() out of bounds") == 0;
    }
    QVERIFY(threw);
    threw = false;
    try {
        bas.T(0, 5);
    } catch (const char* what) {
        threw = std::strcmp(what, "BasUtil::T() out of bounds") == 0;
    }
    QVERIFY(threw);
}

void TestBasUtil::unusableHeightsGiveZerosWithoutReadingBins_data()
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

void TestBasUtil::unusableHeightsGiveZerosWithoutReadingBins()
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

void TestBasUtil::histogramMatchesDirectSum_data()
{
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    QTest::addColumn<int>("contrast");
    QTest::addColumn<int>("bins");
    QTest::newRow("corner, mirrored both ways") << 0 << 0 << 8 << 64;
    QTest::newRow("far edge") << 23 << 17 << 4 << 200;
    QTest::newRow("inside, strong clipping") << 12 << 9 << 2 << 1000;
    QTest::newRow("no clipping") << 12 << 9 << 100000 << 50;
}

void TestBasUtil::histogramMatchesDirectSum()
{
    QFETCH(int, cx);
    QFETCH(int, cy);
    QFETCH(int, contrast);
    QFETCH(int, bins);
    const std::vector<float> heights = terrain(24, 18);
    BasUtil bas(24, 18, heights.data());
    std::vector<float> hist(static_cast<size_t>(bins));
    bas.histogram(cx, cy, 9, 7, contrast, hist.data(), bins);
    const std::vector<float> expected = directHistogram(bas, cx, cy, 9, 7, contrast, bins);
    QVERIFY(hist.back() > 0.0f);
    for (int i = 0; i < bins; ++i)
        QVERIFY2(std::abs(hist[i] - expected[i]) <= 1e-4f * expected.back(), qPrintable(QString::number(i)));
}

void TestBasUtil::contrastOneFlattensTheHistogram()
{
    const std::vector<float> heights = terrain(30, 30);
    BasUtil bas(30, 30, heights.data());
    const int bins = 40;
    std::vector<float> hist(static_cast<size_t>(bins));
    bas.histogram(15, 15, 10, 10, 1, hist.data(), bins);
    for (int i = 0; i < bins; ++i)
        QVERIFY(std::abs(hist[i] - hist.back() * (i + 1) / bins) <= 1e-3f * hist.back());
}

void TestBasUtil::reliefMatchesBlockByBlockBlend_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("grid");
    QTest::newRow("two levels") << 40 << 30 << 4;
    QTest::newRow("one level, grid halved") << 23 << 41 << 5;
    QTest::newRow("three levels") << 90 << 90 << 8;
}

void TestBasUtil::reliefMatchesBlockByBlockBlend()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, grid);
    const std::vector<float> heights = terrain(w, h);
    BasUtil bas(w, h, heights.data());
    const int bins = 500;
    const std::vector<float> out(bas.makeRelief(grid, 8, bins, nullptr), bas.out() + size_t(w) * h);
    const std::vector<float> expected = directRelief(bas, grid, 8, bins);
    float top = 0.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        QVERIFY(out[i] >= 0.0f && out[i] <= float(bas.range()) * 1.0001f);
        QVERIFY2(std::abs(out[i] - expected[i]) <= 1e-4 * bas.range(), qPrintable(QString::number(i)));
        top = std::max(top, out[i]);
    }
    QVERIFY(top > 0.5f * float(bas.range()));
}

void TestBasUtil::progressCountsEveryBlockOfEveryLevel()
{
    // Levels 8, 4 and 2 cut 200 cells into blocks of 11, 20 and 33.
    const std::vector<float> heights = terrain(200, 200);
    BasUtil bas(200, 200, heights.data());
    RecordingProgress progress;
    bas.makeRelief(8, 8, 100, &progress);
    QCOMPARE(progress.maximum(), 19 * 19 + 10 * 10 + 7 * 7);
    QCOMPARE(progress.value(), progress.maximum());
    QCOMPARE(progress.eventRounds(), progress.maximum());
    QVERIFY(!progress.autoClose());
    QVERIFY(progress.shown());
}

void TestBasUtil::cancelStopsAtOnce()
{
    const std::vector<float> heights = terrain(200, 200);
    BasUtil bas(200, 200, heights.data());
    RecordingProgress progress(3);
    bas.makeRelief(8, 8, 100, &progress);
    QCOMPARE(progress.value(), 3);
}

QTEST_GUILESS_MAIN(TestBasUtil)
#include "tst_basutil.moc"
