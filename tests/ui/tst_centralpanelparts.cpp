#include "relief/tool.h"
#include "ui/brushpreview.h"
#include "ui/slidermapping.h"

#include <QPixmap>
#include <QtTest>

#include <cmath>

namespace {

// Distance from the image centre to the first non-white pixel of the middle
// row, walking in from the left edge.
int leftEdgeDistance(const QImage& image)
{
    const int n = image.width();
    const int row = n / 2;
    for (int x = 0; x < n; ++x)
        if (image.pixel(x, row) != 0xffffffffu)
            return n / 2 - x;
    return -1;
}

} // namespace

class TestCentralPanelParts : public QObject
{
    Q_OBJECT

private slots:
    void basReliefPositionsGiveTheirSettings_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("expected");
        QTest::newRow("grid low end") << 0 << 1 << 2;
        QTest::newRow("grid start") << 0 << 2 << 4;
        QTest::newRow("grid high end") << 0 << 5 << 32;
        QTest::newRow("grid below range") << 0 << 0 << 4;
        QTest::newRow("grid above range") << 0 << 6 << 4;
        QTest::newRow("contrast low end") << 1 << 1 << 2;
        QTest::newRow("contrast start") << 1 << 4 << 16;
        QTest::newRow("contrast high end") << 1 << 16 << 65536;
        QTest::newRow("smoothness low end") << 2 << 1 << 20000;
        QTest::newRow("smoothness start") << 2 << 3 << 100000;
        QTest::newRow("smoothness high end") << 2 << 9 << 10000000;
        QTest::newRow("smoothness below range") << 2 << 0 << 100000;
        QTest::newRow("smoothness above range") << 2 << 10 << 100000;
    }
    void basReliefPositionsGiveTheirSettings()
    {
        QFETCH(int, kind);
        QFETCH(int, position);
        QFETCH(int, expected);
        const int got = kind == 0   ? SliderMapping::gridSize(position)
                        : kind == 1 ? SliderMapping::contrastFactor(position)
                                    : SliderMapping::smoothness(position);
        QCOMPARE(got, expected);
    }

    // Truncating read-back turned 29 into 28.999... and so 28; every
    // position must come back as itself, however often it goes round.
    void readBackKeepsEverySliderPosition()
    {
        for (int maximum : {100, 99}) {
            for (int p = 0; p <= maximum; ++p) {
                int q = p;
                for (int round = 0; round < 5; ++round)
                    q = SliderMapping::fromSquaredFraction(SliderMapping::squaredFraction(q, maximum),
                                                           maximum);
                QCOMPARE(q, p);
                QCOMPARE(SliderMapping::fromFraction(SliderMapping::fraction(p, maximum), maximum), p);
            }
        }
    }

    void roundPreviewIsARedDiscWithAnOpaqueRim()
    {
        Tool tool(Tool::Smooth);
        const QImage image = BrushPreview::render(&tool, 100);
        QCOMPARE(image.size(), QSize(100, 100));
        QCOMPARE(image.pixel(50, 50), BrushPreview::insidePixel);
        QCOMPARE(image.pixel(0, 0), 0xffffffffu);
        QCOMPARE(image.pixel(99, 99), 0xffffffffu);
        const int x = 50 - leftEdgeDistance(image);
        QCOMPARE(image.pixel(x, 50), BrushPreview::rimPixel);
        QCOMPARE(image.pixel(x + 3, 50), BrushPreview::insidePixel);
        // Radius 100 / (2 sqrt 2) - 2, about 33.4 pixels.
        QVERIFY2(std::abs(leftEdgeDistance(image) - 33) <= 1,
                 qPrintable(QString::number(leftEdgeDistance(image))));
    }

    void previewIgnoresToolSize()
    {
        Tool small(Tool::Smooth), large(Tool::Smooth);
        small.size = 0.01;
        large.size = 1.0;
        QCOMPARE(BrushPreview::render(&small, 100), BrushPreview::render(&large, 100));
    }

    void turnedSquarePreviewStaysInsideTheImage()
    {
        Tool tool(Tool::Smooth);
        tool.form = Tool::Square;
        tool.axisAngle = 45.0;
        const QImage image = BrushPreview::render(&tool, 100);
        int coloured = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                const bool white = image.pixel(x, y) == 0xffffffffu;
                if (x == 0 || y == 0 || x == 99 || y == 99)
                    QVERIFY(white);
                coloured += white ? 0 : 1;
            }
        // A square of side 2 x 33.4 covers about 4460 pixels.
        QVERIFY2(coloured > 4000 && coloured < 5000, qPrintable(QString::number(coloured)));
    }

    void previewRowsRunBottomUp()
    {
        // A stretched brush at a small angle leans one way: mask row 0 is
        // the picture's bottom row, as y grows upwards in the model.
        Tool tool(Tool::Smooth);
        tool.form = Tool::Square;
        tool.aspectRatio = 4.0;
        tool.axisAngle = 30.0;
        const QImage image = BrushPreview::render(&tool, 100);
        std::vector<unsigned char> mask(100 * 100);
        tool.genMask(mask.data(), 100, 100 / (2.0 * std::sqrt(2.0)) - 2.0);
        for (int r = 0; r < 100; ++r)
            for (int c = 0; c < 100; ++c)
                QCOMPARE(image.pixel(c, 99 - r) != 0xffffffffu, mask[size_t(r) * 100 + c] != 0);
    }

    void toolsPageIconsAreCompiledIn_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* name : {"round_brush", "square_brush", "tool_size_small", "tool_size_large",
                                 "tool_strength_low", "tool_strength_high", "tool_profile_soft",
                                 "tool_profile_hard"})
            QTest::newRow(name) << QStringLiteral(":/morvane2/") + QLatin1String(name);
    }
    void toolsPageIconsAreCompiledIn()
    {
        QFETCH(QString, path);
        QVERIFY(!QPixmap(path).isNull());
    }
};

QTEST_MAIN(TestCentralPanelParts)
#include "tst_centralpanelparts.moc"
