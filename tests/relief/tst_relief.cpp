#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QtTest>

#include <cmath>
#include <vector>

class TestRelief : public QObject
{
    Q_OBJECT

private slots:
    void paddingAddsMissingMargins_data();
    void paddingAddsMissingMargins();
    void samplingSettings_data();
    void samplingSettings();
    void appendPastGridIsIgnored();
    void tiltRangeComesFromStoredValues();
    void outsideCellsReadZero();
};

void TestRelief::paddingAddsMissingMargins_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("content");   // cells of height 3
    QTest::addColumn<QSize>("padded");
    QTest::addColumn<QPoint>("contentAt");   // where the content's first cell lands

    // Content touching every side grows by trunc(5 %) each side; only a
    // side short of it grows (wanted 2, existing 1 -> 1).
    QTest::newRow("full 40x20") << QSize(40, 20) << QRect(0, 0, 40, 20) << QSize(44, 22) << QPoint(2, 1);
    QTest::newRow("already padded") << QSize(44, 44) << QRect(2, 2, 40, 40) << QSize(44, 44) << QPoint(2, 2);
    QTest::newRow("left short") << QSize(43, 44) << QRect(1, 2, 40, 40) << QSize(44, 44) << QPoint(2, 2);
    QTest::newRow("one column is no content") << QSize(10, 10) << QRect(4, 0, 1, 10) << QSize(10, 10) << QPoint(4, 0);
    QTest::newRow("all zero") << QSize(8, 6) << QRect() << QSize(8, 6) << QPoint();
}

void TestRelief::paddingAddsMissingMargins()
{
    QFETCH(QSize, size);
    QFETCH(QRect, content);
    QFETCH(QSize, padded);
    QFETCH(QPoint, contentAt);

    std::vector<float> image(size_t(size.width()) * size.height(), 0.0f);
    for (int y = content.top(); y <= content.bottom(); ++y)
        for (int x = content.left(); x <= content.right(); ++x)
            image[size_t(y) * size.width() + x] = 3.0f;
    ReliefSource source(size.width(), size.height(), image.data());
    QCOMPARE(QSize(int(source.width), int(source.height)), padded);
    QCOMPARE(source.count, source.width * source.height);
    QCOMPARE(source.min, 0.0);
    QCOMPARE(source.max, content.isEmpty() ? 0.0 : 3.0);
    for (uint32_t i = 0; i < source.count; ++i) {
        const uint32_t x = i % source.width, y = i / source.width;
        QCOMPARE(source.sample(x, y, true), source.rawSample(x, y));
    }
    QCOMPARE(source.rawSample(contentAt.x(), contentAt.y()), content.isEmpty() ? 0.0 : 3.0);
    if (contentAt.x() > 0)
        QCOMPARE(source.rawSample(contentAt.x() - 1, contentAt.y()), 0.0);
}

void TestRelief::samplingSettings_data()
{
    QTest::addColumn<bool>("invert");
    QTest::addColumn<int>("raiseLower");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<bool>("flip");
    QTest::addColumn<double>("heightScale");
    QTest::addColumn<QVector<double>>("expected");   // the 2 x 2 source {0, 2 / 4, 10} in reading order

    QTest::newRow("plain") << false << 0 << true << false << 0.0 << QVector<double>{0, 2, 4, 10};
    QTest::newRow("invert: highest is 0, zero stays 0") << true << 0 << true << false << 0.0
                                                       << QVector<double>{0, 8, 6, 0};
    QTest::newRow("lowered 100%") << false << 100 << true << false << 0.0 << QVector<double>{0, 0, 0, 0};
    QTest::newRow("lowered without preview") << false << 100 << false << false << 0.0
                                             << QVector<double>{0, 2, 4, 10};
    QTest::newRow("raised 10%") << false << -10 << true << false << 0.0 << QVector<double>{0, 3, 5, 11};
    QTest::newRow("flipped rows") << false << 0 << true << true << 0.0 << QVector<double>{4, 10, 0, 2};
    QTest::newRow("range scaled to 20") << false << 0 << true << false << 20.0 << QVector<double>{0, 4, 8, 20};
}

void TestRelief::samplingSettings()
{
    QFETCH(bool, invert);
    QFETCH(int, raiseLower);
    QFETCH(bool, preview);
    QFETCH(bool, flip);
    QFETCH(double, heightScale);
    QFETCH(QVector<double>, expected);

    ReliefSource source(2, 2);
    for (double v : {0.0, 2.0, 4.0, 10.0})
        source.append(v);
    source.invertZ = invert;
    source.raiseLowerSteps = raiseLower;
    source.flipY = flip;
    source.heightScale = heightScale;
    for (uint32_t i = 0; i < 4; ++i)
        QVERIFY2(std::abs(source.sample(i % 2, i / 2, preview) - expected[int(i)]) < 1e-12,
                 qPrintable(QString::number(i)));

    // A relief made from the source samples it with the preview settings.
    if (preview) {
        Relief relief(source);
        QCOMPARE(relief.heightAt(1, 1), expected[3]);
        QCOMPARE(relief.referenceHeights()[3], relief.heights()[3]);
    }
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
    // Source {0, 0.25, 0.5}, centre 1.5, tan 45 = 1. Cell 0 stays 0; its
    // tilted value (+-1.5) would be the wrong seed of the range.
    struct Case
    {
        int tilt;
        float tilted[3];
        double hi;
    };
    for (const Case& c : {Case{450, {0, 0.75f, 0}, 0.75}, Case{-450, {0, 0, 1}, 1.0}}) {
        ReliefSource source(3, 1);
        for (double v : {0.0, 0.25, 0.5})
            source.append(v);
        source.tiltHorizontal = c.tilt;
        source.normalise();
        QCOMPARE(int(source.tilted.size()), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(std::abs(source.tilted[i] - c.tilted[i]) < 1e-6f);
        QVERIFY(std::abs(source.tiltedMin) < 1e-6);
        QVERIFY(std::abs(source.tiltedMax - c.hi) < 1e-6);
        source.tiltHorizontal = 0;
        source.normalise();
        QVERIFY(!source.hasTilted());
    }
}

void TestRelief::outsideCellsReadZero()
{
    Relief relief(3, 2);
    std::fill(relief.heights(), relief.heights() + relief.cellCount(), 9.0f);
    std::fill(relief.selection(), relief.selection() + relief.cellCount(), 1.0f);
    // Left, right, above, below, and far left (which would wrap into the row before).
    for (const QPoint& p : {QPoint(-1, 0), QPoint(3, 0), QPoint(0, -1), QPoint(0, 2), QPoint(-4, 1)}) {
        QCOMPARE(relief.heightAt(p.x(), p.y()), 0.0);
        QCOMPARE(relief.heightAtCell(p.x(), p.y()), 0.0);
        QCOMPARE(relief.selectionAt(p.x(), p.y()), 0.0);
    }
    QCOMPARE(relief.heightAt(1, 1), 9.0);
}

QTEST_GUILESS_MAIN(TestRelief)
#include "tst_relief.moc"
