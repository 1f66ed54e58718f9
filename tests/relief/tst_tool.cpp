#include "relief/tool.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The plain relaxation the fast distance map must reproduce: in-place passes
// over all eight neighbours until a pass changes nothing or (n + 1) / 2
// changing passes have run.
std::vector<double> relaxedDistances(const std::vector<unsigned char>& mask, int n)
{
    std::vector<double> d(mask.size());
    for (size_t i = 0; i < mask.size(); ++i)
        d[i] = mask[i] == 0 ? 0.0 : (mask[i] == 2 ? 1.0 : DBL_MAX);
    const int dx[8] = {-1, 1, 0, 0, -1, 1, -1, 1};
    const int dy[8] = {0, 0, -1, 1, -1, -1, 1, 1};
    int changing = 0;
    while (changing < (n + 1) / 2) {
        bool changed = false;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                double& v = d[y * n + x];
                if (v == 0)
                    continue;
                for (int k = 0; k < 8; ++k) {
                    const int nx = x + dx[k], ny = y + dy[k];
                    if (nx < 0 || ny < 0 || nx >= n || ny >= n)
                        continue;
                    const double nb = d[ny * n + nx];
                    if (nb == 0)
                        continue;
                    const double o = nb + (k < 4 ? 1.0 : std::sqrt(2.0));
                    if (o < v) {
                        v = o;
                        changed = true;
                    }
                }
            }
        }
        if (!changed)
            break;
        ++changing;
    }
    return d;
}

QString maskText(const std::vector<unsigned char>& mask, int n)
{
    QString s;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x)
            s += QChar('0' + mask[y * n + x]);
        s += '\n';
    }
    return s;
}

// Mask of side n for a tool of the given outline.
std::vector<unsigned char> maskFor(int form, double aspect, double angle, int n, double radius)
{
    Tool tool(Tool::Deposit);
    tool.form = static_cast<Tool::Form>(form);
    tool.aspectRatio = aspect;
    tool.axisAngle = angle;
    std::vector<unsigned char> mask(n * n, 9);
    tool.genMask(mask.data(), n, radius);
    return mask;
}

// Side of the footprint a stroke makes for a radius.
int sideFor(double radius)
{
    return static_cast<int>(2 * static_cast<int>(std::ceil(radius)) * std::sqrt(2.0) + 2.0);
}

} // namespace

class TestTool : public QObject
{
    Q_OBJECT

private slots:
    void masks_data();
    void masks();
    void maskStaysInsideItsSquare();
    void distancesMatchRelaxation_data();
    void distancesMatchRelaxation();
    void falloffCurves_data();
    void falloffCurves();
    void falloffOfUnreachedCellIsFinite_data();
    void falloffOfUnreachedCellIsFinite();
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
    QTest::newRow("unknown form marks nothing") << 7 << 2.0 << 1.0 << 0.0 << 4
                                                << QString("0000\n0000\n0000\n0000\n");
}

void TestTool::masks()
{
    QFETCH(int, form);
    QFETCH(double, radius);
    QFETCH(double, aspect);
    QFETCH(double, angle);
    QFETCH(int, n);
    QFETCH(QString, expected);

    QCOMPARE(maskText(maskFor(form, aspect, angle, n, radius), n), expected);
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

void TestTool::distancesMatchRelaxation_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<double>("radius");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<double>("angle");

    QTest::newRow("round 1") << int(Tool::Round) << 1.0 << 1.0 << 0.0;
    QTest::newRow("round 7.3") << int(Tool::Round) << 7.3 << 1.0 << 0.0;
    QTest::newRow("round 23") << int(Tool::Round) << 23.0 << 1.0 << 0.0;
    QTest::newRow("ellipse 18 aspect 3 at 37") << int(Tool::Round) << 18.0 << 3.0 << 37.0;
    QTest::newRow("ellipse 30 aspect 15 at 120") << int(Tool::Round) << 30.0 << 15.0 << 120.0;
    QTest::newRow("square 12") << int(Tool::Square) << 12.0 << 1.0 << 0.0;
    QTest::newRow("square 19 aspect 2 at 45") << int(Tool::Square) << 19.0 << 2.0 << 45.0;
    QTest::newRow("square 26 aspect 7 at 200") << int(Tool::Square) << 26.0 << 7.0 << 200.0;
}

void TestTool::distancesMatchRelaxation()
{
    QFETCH(int, form);
    QFETCH(double, radius);
    QFETCH(double, aspect);
    QFETCH(double, angle);

    const int n = sideFor(radius);
    const std::vector<unsigned char> mask = maskFor(form, aspect, angle, n, radius);
    std::vector<double> dist(n * n);
    Tool::genDistMap(dist.data(), mask.data(), n);
    const std::vector<double> expected = relaxedDistances(mask, n);
    QVERIFY(std::memcmp(dist.data(), expected.data(), dist.size() * sizeof(double)) == 0);
}

void TestTool::falloffCurves_data()
{
    QTest::addColumn<double>("hardness");
    QTest::addColumn<double>("atOutline");   // d = 0.75
    QTest::addColumn<double>("besideIt");    // d = 0.5
    QTest::addColumn<double>("atCentre");    // d = 0.25
    QTest::addColumn<double>("outside");     // d = 1

    QTest::newRow("soft") << 0.0 << 1 - std::pow(0.75, 4) << 1 - std::pow(0.5, 4) << 1 - std::pow(0.25, 4) << 0.0;
    QTest::newRow("between soft and cubic") << 0.125 << 0.5 * (1 - std::pow(0.75, 4)) + 0.5 * (1 - std::pow(0.75, 3))
                                            << 0.5 * (1 - std::pow(0.5, 4)) + 0.5 * (1 - std::pow(0.5, 3))
                                            << 0.5 * (1 - std::pow(0.25, 4)) + 0.5 * (1 - std::pow(0.25, 3)) << 0.0;
    QTest::newRow("cubic") << 0.25 << 1 - std::pow(0.75, 3) << 1 - std::pow(0.5, 3) << 1 - std::pow(0.25, 3) << 0.0;
    QTest::newRow("square law") << 0.5 << 1 - 0.5625 << 0.75 << 1 - 0.0625 << 0.0;
    QTest::newRow("linear") << 0.75 << 0.25 << 0.5 << 0.75 << 0.0;
    QTest::newRow("hard") << 1.0 << 1.0 << 1.0 << 1.0 << 1.0;
}

void TestTool::falloffCurves()
{
    QFETCH(double, hardness);
    QFETCH(double, atOutline);
    QFETCH(double, besideIt);
    QFETCH(double, atCentre);
    QFETCH(double, outside);

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

    QCOMPARE(tool.falloff(dist.data(), 2, 2, n), atOutline);
    QCOMPARE(tool.falloff(dist.data(), 3, 4, n), besideIt);
    QCOMPARE(tool.falloff(dist.data(), 4, 4, n), atCentre);
    QCOMPARE(tool.falloff(dist.data(), 0, 0, n), outside);
    // Off the footprint the distance term is 0.
    QCOMPARE(tool.falloff(dist.data(), -1, 4, n), 1.0);
    QCOMPARE(tool.falloff(dist.data(), 4, n, n), 1.0);
}

void TestTool::falloffOfUnreachedCellIsFinite_data()
{
    QTest::addColumn<double>("hardness");
    for (double h : {0.0, 0.1, 0.3, 0.6, 0.9, 1.0})
        QTest::newRow(qPrintable(QString::number(h))) << h;
}

void TestTool::falloffOfUnreachedCellIsFinite()
{
    QFETCH(double, hardness);
    Tool tool(Tool::Smooth);
    tool.hardness = hardness;
    // A cell still at the largest double and one farther than half the side
    // both count as the middle of the footprint.
    const double dist[4] = {1.0, DBL_MAX, 9.0, 1.0};
    QCOMPARE(tool.falloff(dist, 1, 0, 2), 1.0);
    QCOMPARE(tool.falloff(dist, 0, 1, 2), 1.0);
}

QTEST_GUILESS_MAIN(TestTool)
#include "tst_tool.moc"
