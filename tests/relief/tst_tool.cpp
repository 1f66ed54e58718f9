#include "relief/tool.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <vector>

namespace {

// Mask of side n for a tool of the given outline, as rows of digits.
QString maskText(int form, double aspect, double angle, int n, double radius)
{
    Tool tool(Tool::Deposit);
    tool.form = static_cast<Tool::Form>(form);
    tool.aspectRatio = aspect;
    tool.axisAngle = angle;
    std::vector<unsigned char> mask(n * n, 9);
    tool.genMask(mask.data(), n, radius);
    QString s;
    for (int i = 0; i < n * n; ++i)
        s += QChar('0' + mask[i]) + QString(i % n == n - 1 ? "\n" : "");
    return s;
}

} // namespace

class TestTool : public QObject
{
    Q_OBJECT

private slots:
    void masks_data();
    void masks();
    void maskStaysInsideItsSquare();
    void distancesAreShortestPathsFromTheOutline();
    void falloffCurves_data();
    void falloffCurves();
};

void TestTool::masks_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<double>("radius");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<double>("angle");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    // The twelve points of the radius-1 circle at k * 2 pi / 13 land in the
    // cells (3, 2), (2, 2), (1, 2), (1, 1) and (2, 1): no inside is left.
    QTest::newRow("round radius 1") << int(Tool::Round) << 1.0 << 1.0 << 0.0 << 4
                                    << QString("0000\n0220\n0222\n0000\n");
    QTest::newRow("square radius 2") << int(Tool::Square) << 2.0 << 1.0 << 0.0 << 8
                                     << QString("00000000\n00000000\n00222220\n00211120\n"
                                                "00211120\n00211120\n00222220\n00000000\n");
    // Long axis turned upright: half-length 2 along y, half-width 1 along x.
    QTest::newRow("square turned 90 degrees") << int(Tool::Square) << 2.0 << 2.0 << 90.0 << 8
                                              << QString("00000000\n00000000\n00022200\n00021200\n"
                                                         "00021200\n00021200\n00022200\n00000000\n");
}

void TestTool::masks()
{
    QFETCH(int, form);
    QFETCH(double, radius);
    QFETCH(double, aspect);
    QFETCH(double, angle);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(maskText(form, aspect, angle, n, radius), expected);
}

void TestTool::maskStaysInsideItsSquare()
{
    // The panel's preview may hand a radius larger than its square.
    for (int form : {int(Tool::Round), int(Tool::Square)}) {
        Tool tool(Tool::Smooth);
        tool.form = static_cast<Tool::Form>(form);
        tool.axisAngle = 30;
        const int n = 4;
        std::vector<unsigned char> buffer(3 * n * n, 7);
        tool.genMask(buffer.data() + n * n, n, 5.0);
        for (int i = 0; i < n * n; ++i) {
            QCOMPARE(int(buffer[i]), 7);
            QCOMPARE(int(buffer[2 * n * n + i]), 7);
        }
    }
}

void TestTool::distancesAreShortestPathsFromTheOutline()
{
    // Outline cell (0, 0); cells marked 0 are walls, so the way snakes down,
    // up and down again and takes sweeps both ways more than once. Diagonal
    // steps cost sqrt 2 and may pass between two walls.
    const unsigned char mask[25] = {2, 0, 1, 1, 1,
                                    1, 0, 1, 0, 1,
                                    1, 0, 1, 0, 1,
                                    1, 0, 1, 0, 1,
                                    1, 1, 1, 0, 1};
    const double r = std::sqrt(2.0);
    const double expected[25] = {1, 0,     7 + 2 * r, 6 + 3 * r, 7 + 3 * r,
                                 2, 0,     6 + 2 * r, 0,         6 + 4 * r,
                                 3, 0,     5 + 2 * r, 0,         7 + 4 * r,
                                 4, 0,     4 + 2 * r, 0,         8 + 4 * r,
                                 5, 4 + r, 5 + r,     0,         9 + 4 * r};
    double dist[25];
    Tool::genDistMap(dist, mask, 5);
    for (int i = 0; i < 25; ++i)
        QVERIFY2(std::abs(dist[i] - expected[i]) < 1e-12, qPrintable(QString("cell %1: %2").arg(i).arg(dist[i])));
}

void TestTool::falloffCurves_data()
{
    QTest::addColumn<double>("hardness");
    QTest::addColumn<QVector<double>>("expected");   // at d = 0.75 (outline), 0.5, 0.25 (centre) and 1 (outside)
    const auto at = [](double (*f)(double)) { return QVector<double>{f(0.75), f(0.5), f(0.25), f(1.0)}; };
    QTest::newRow("soft") << 0.0 << at([](double d) { return 1 - std::pow(d, 4); });
    QTest::newRow("between soft and cubic")
        << 0.125 << at([](double d) { return 0.5 * (1 - std::pow(d, 4)) + 0.5 * (1 - std::pow(d, 3)); });
    QTest::newRow("square law") << 0.5 << at([](double d) { return 1 - d * d; });
    QTest::newRow("linear") << 0.75 << at([](double d) { return 1 - d; });
    QTest::newRow("hard") << 1.0 << at([](double) { return 1.0; });
}

void TestTool::falloffCurves()
{
    QFETCH(double, hardness);
    QFETCH(QVector<double>, expected);

    // The 8 x 8 square footprint: the ring (2..6, 2..6) at distance 1, the
    // cells inside it at 2 and the centre at 3; n / 2 = 4.
    Tool tool(Tool::Deposit);
    tool.form = Tool::Square;
    tool.hardness = hardness;
    const int n = 8;
    std::vector<unsigned char> mask(n * n);
    tool.genMask(mask.data(), n, 2.0);
    std::vector<double> dist(n * n);
    Tool::genDistMap(dist.data(), mask.data(), n);
    QCOMPARE(tool.falloff(dist.data(), 2, 2, n), expected[0]);
    QCOMPARE(tool.falloff(dist.data(), 3, 4, n), expected[1]);
    QCOMPARE(tool.falloff(dist.data(), 4, 4, n), expected[2]);
    QCOMPARE(tool.falloff(dist.data(), 0, 0, n), expected[3]);
    // Off the footprint, at a cell never reached (the largest double) and
    // one farther than half the side, the distance term is 0.
    QCOMPARE(tool.falloff(dist.data(), -1, 4, n), 1.0);
    QCOMPARE(tool.falloff(dist.data(), 4, n, n), 1.0);
    const double odd[4] = {1.0, DBL_MAX, 9.0, 1.0};
    QCOMPARE(tool.falloff(odd, 1, 0, 2), 1.0);
    QCOMPARE(tool.falloff(odd, 0, 1, 2), 1.0);
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
