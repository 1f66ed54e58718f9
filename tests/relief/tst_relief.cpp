#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <vector>

class TestRelief : public QObject
{
    Q_OBJECT

private slots:
    void paddingAddsMissingMargins_data();
    void paddingAddsMissingMargins();
    void paddingRangeCoversAddedZeros();
    void allZeroImageSamplesFlat();
    void samplingSettings_data();
    void samplingSettings();
    void flipReadsRowsBottomUp();
    void heightScaleMapsRangeToCells();
    void appendPastGridIsIgnored();
    void tiltRangeComesFromStoredValues();
    void tiltKeepsZerosAndClampsNegative();
    void outsideCellsReadZero_data();
    void outsideCellsReadZero();
    void contentBounds_data();
    void contentBounds();
    void setZScaleOnlyRemeshesOnChange();
    void reliefFromSourceSamplesWithPreview();
    void mergeChangedRectClipsToGrid();
};

void TestRelief::paddingAddsMissingMargins_data()
{
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<QRect>("content");   // filled cells
    QTest::addColumn<int>("expectW");
    QTest::addColumn<int>("expectH");

    // Content touching every side grows by trunc(5 %) each side.
    QTest::newRow("full 40x20") << 40 << 20 << QRect(0, 0, 40, 20) << 40 + 2 * 2 << 20 + 2 * 1;
    // Content with 5 % of empty border already keeps its size.
    QTest::newRow("already padded") << 44 << 44 << QRect(2, 2, 40, 40) << 44 << 44;
    // One side short: only that side grows (wanted 2, existing 1 -> 1).
    QTest::newRow("left short") << 43 << 44 << QRect(1, 2, 40, 40) << 44 << 44;
    // Content one cell wide counts as no content: no padding.
    QTest::newRow("single column") << 10 << 10 << QRect(4, 0, 1, 10) << 10 << 10;
}

void TestRelief::paddingAddsMissingMargins()
{
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(QRect, content);
    QFETCH(int, expectW);
    QFETCH(int, expectH);

    std::vector<float> image(size_t(w) * h, 0.0f);
    for (int y = content.top(); y <= content.bottom(); ++y)
        for (int x = content.left(); x <= content.right(); ++x)
            image[size_t(y) * w + x] = 3.0f;
    ReliefSource source(w, h, image.data());
    QCOMPARE(int(source.width), expectW);
    QCOMPARE(int(source.height), expectH);
    QCOMPARE(source.count, source.width * source.height);
    QVERIFY(source.preview);
}

void TestRelief::paddingRangeCoversAddedZeros()
{
    std::vector<float> image(20 * 20, 5.0f);
    image[0] = 7.0f;
    ReliefSource source(20, 20, image.data());
    QCOMPARE(source.width, 22u);
    QCOMPARE(source.min, 0.0);
    QCOMPARE(source.max, 7.0);
    // The padding is zero, the first image sample sits one cell in.
    QCOMPARE(source.rawSample(0, 0), 0.0);
    QCOMPARE(source.rawSample(1, 1), 7.0);
}

void TestRelief::allZeroImageSamplesFlat()
{
    std::vector<float> image(8 * 6, 0.0f);
    ReliefSource source(8, 6, image.data());
    QCOMPARE(source.width, 8u);
    QCOMPARE(source.height, 6u);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            QCOMPARE(source.sample(x, y, true), 0.0);
}

void TestRelief::samplingSettings_data()
{
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("raiseLower");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<QVector<double>>("expected");   // samples 0, 2, 4, 10

    QTest::newRow("plain") << false << 0 << true << QVector<double>{0, 2, 4, 10};
    QTest::newRow("invert: highest is 0, zero stays 0") << true << 0 << true << QVector<double>{0, 8, 6, 0};
    QTest::newRow("lowered 100% with preview") << false << 100 << true << QVector<double>{0, 0, 0, 0};
    QTest::newRow("lowered without preview") << false << 100 << false << QVector<double>{0, 2, 4, 10};
    QTest::newRow("raised 10%") << false << -10 << true << QVector<double>{0, 3, 5, 11};
}

void TestRelief::samplingSettings()
{
    QFETCH(bool, invert);
    QFETCH(int, raiseLower);
    QFETCH(bool, preview);
    QFETCH(QVector<double>, expected);

    ReliefSource source(4, 1);
    for (double v : {0.0, 2.0, 4.0, 10.0})
        source.append(v);
    source.invertZ = invert;
    source.raiseLowerSteps = raiseLower;
    for (uint32_t x = 0; x < 4; ++x)
        QVERIFY2(qFuzzyCompare(1.0 + source.sample(x, 0, preview), 1.0 + expected[int(x)]),
                 qPrintable(QString("x=%1 got %2").arg(x).arg(source.sample(x, 0, preview))));
}

void TestRelief::flipReadsRowsBottomUp()
{
    ReliefSource source(1, 3);
    for (double v : {1.0, 2.0, 3.0})
        source.append(v);
    source.flipY = true;
    QCOMPARE(source.rawSample(0, 0), 3.0);
    QCOMPARE(source.sample(0, 0, false), 2.0);
    QCOMPARE(source.sample(0, 2, false), 0.0);
}

void TestRelief::heightScaleMapsRangeToCells()
{
    ReliefSource source(2, 1);
    source.append(1000.0);
    source.append(3000.0);
    source.heightScale = 64.0;
    QCOMPARE(source.sample(1, 0, false), 64.0);
}

void TestRelief::appendPastGridIsIgnored()
{
    ReliefSource source(2, 1);
    for (double v : {1.0, 2.0, 99.0, -5.0})
        source.append(v);
    QCOMPARE(source.count, 2u);
    QCOMPARE(source.max, 2.0);
    QCOMPARE(source.min, 1.0);
}

void TestRelief::tiltRangeComesFromStoredValues()
{
    // Cell (0, 0) is zero and would tilt to a large value if the range were
    // seeded from its hypothetical tilted value.
    ReliefSource source(4, 4);
    for (int i = 0; i < 16; ++i)
        source.append(i == 10 ? 2.0 : 0.0);
    source.tiltHorizontal = -450;   // 45 degrees: steep rise to the left
    source.normalise();
    QVERIFY(source.hasTilted());
    double lo = 1e300, hi = -1e300;
    for (float v : source.tilted) {
        lo = std::min(lo, double(v));
        hi = std::max(hi, double(v));
    }
    QCOMPARE(source.tiltedMin, lo);
    QCOMPARE(source.tiltedMax, hi);
    QVERIFY(!source.tiltDirty);

    source.tiltHorizontal = 0;
    source.normalise();
    QVERIFY(!source.hasTilted());
}

void TestRelief::tiltKeepsZerosAndClampsNegative()
{
    ReliefSource source(2, 1);
    source.append(0.5);
    source.append(0.5);
    source.tiltHorizontal = 450;   // tan 45 = 1: x - cx = -1 and 0
    source.normalise();
    QCOMPARE(double(source.tilted[0]), 1.5);
    QCOMPARE(double(source.tilted[1]), 0.5);

    source.tiltHorizontal = -450;
    source.normalise();
    QCOMPARE(double(source.tilted[0]), 0.0);   // 0.5 - 1 clamps to 0
}

void TestRelief::outsideCellsReadZero_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("left") << -1 << 0;
    QTest::newRow("right") << 3 << 0;
    QTest::newRow("above") << 0 << -1;
    QTest::newRow("below") << 0 << 2;
    QTest::newRow("far left") << -4 << 1;   // would wrap into the previous row
}

void TestRelief::outsideCellsReadZero()
{
    QFETCH(int, x);
    QFETCH(int, y);
    Relief relief(3, 2);
    std::fill(relief.heights(), relief.heights() + relief.cellCount(), 9.0f);
    std::fill(relief.selection(), relief.selection() + relief.cellCount(), 1.0f);
    QCOMPARE(relief.heightAt(x, y), 0.0);
    QCOMPARE(relief.heightAtCell(x, y), 0.0);
    QCOMPARE(relief.selectionAt(x, y), 0.0);
    QCOMPARE(relief.heightAt(1, 1), 9.0);
}

void TestRelief::contentBounds_data()
{
    QTest::addColumn<QVector<QPoint>>("cells");
    QTest::addColumn<QRectF>("expected");   // x1, y1 as origin, x2, y2 as size
    QTest::newRow("empty") << QVector<QPoint>{} << QRectF(0, 0, 0, 0);
    QTest::newRow("one cell") << QVector<QPoint>{{5, 7}} << QRectF(5, 7, 5, 7);
    QTest::newRow("two cells") << QVector<QPoint>{{5, 7}, {2, 9}} << QRectF(2, 7, 5, 9);
}

void TestRelief::contentBounds()
{
    QFETCH(QVector<QPoint>, cells);
    QFETCH(QRectF, expected);
    Relief relief(10, 10);
    for (const QPoint& p : cells)
        relief.heights()[p.y() * 10 + p.x()] = 1.0f;
    const VekMath::Rect2d r = relief.contentBounds();
    QCOMPARE(r.x1, expected.x());
    QCOMPARE(r.y1, expected.y());
    QCOMPARE(r.x2, expected.width());
    QCOMPARE(r.y2, expected.height());

    relief.heights()[99] = std::numeric_limits<float>::quiet_NaN();
    QCOMPARE(relief.contentBounds().x2, 9.0);
}

void TestRelief::setZScaleOnlyRemeshesOnChange()
{
    Relief relief(4, 4);
    relief.resetChangedRect();
    relief.setZScale(1.0);
    QVERIFY(!relief.remesh());
    relief.setZScale(2.0);
    QVERIFY(relief.remesh());
    QCOMPARE(relief.zScale(), 2.0);
}

void TestRelief::reliefFromSourceSamplesWithPreview()
{
    ReliefSource source(2, 2);
    for (double v : {1.0, 3.0, 5.0, 9.0})
        source.append(v);
    source.raiseLowerSteps = 25;   // 2 cells off every height
    Relief relief(source);
    QCOMPARE(relief.width(), 2);
    QCOMPARE(relief.heightMax(), 8.0);
    QCOMPARE(relief.heightAt(1, 1), 6.0);
    QCOMPARE(relief.heightAt(0, 0), 0.0);
    QCOMPARE(relief.referenceHeights()[3], 6.0f);
    QVERIFY(relief.source() != nullptr);
    QVERIFY(relief.changed() && relief.remesh());
    relief.freeSource();
    QVERIFY(relief.source() == nullptr);
    QVERIFY(relief.basReliefCache() == nullptr);
}

void TestRelief::mergeChangedRectClipsToGrid()
{
    Relief relief(10, 10);
    relief.resetChangedRect();
    relief.mergeChangedRect(VekMath::Rect2di(-5, -5, 3, 3));
    QVERIFY(relief.changedRect().isEmpty());
    QVERIFY(!relief.changed());
    relief.mergeChangedRect(VekMath::Rect2di(8, 8, 5, 5));
    QCOMPARE(relief.changedRect(), VekMath::Rect2di(8, 8, 2, 2));
    QVERIFY(relief.changed());
}

QTEST_GUILESS_MAIN(TestRelief)
#include "tst_relief.moc"
