// Strokes: dab points along the path, point groups, the Bezier fit, and one
// undo record per stroke.

#include "relief/relief.h"
#include "relief/sculptmodifyevent.h"
#include "relief/sculptstroke.h"
#include "relief/sculptundo.h"
#include "relief/tool.h"

#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

using VekMath::Rect2di;
using VekMath::Vector2d;

Q_DECLARE_METATYPE(QVector<QPointF>)

namespace {

std::unique_ptr<Relief> grid(int w, int h, float fill)
{
    auto r = std::make_unique<Relief>(w, h);
    std::fill(r->heights(), r->heights() + r->cellCount(), fill);
    return r;
}

std::vector<float> heightsOf(const Relief& r)
{
    return std::vector<float>(r.heights(), r.heights() + r.cellCount());
}

bool near(const Vector2d& a, const Vector2d& b, double tolerance)
{
    return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance;
}

} // namespace

class TestStroke : public QObject
{
    Q_OBJECT

private slots:
    void pathPoints_data();
    void pathPoints();
    void smoothedStrokeDabsWholeGroups();
    void smoothLengthBelowTwoStillAdvances();
    void fitFallsBackToThirds_data();
    void fitFallsBackToThirds();
    void fitFollowsACurvedPath();
    void strokeIsOneUndoEvent();
    void releaseAndPressEndTheStroke();
    void noStrokeChangesNothing();
};

void TestStroke::pathPoints_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("size");   // on a diagonal of 1000: radius 100 x size
    QTest::addColumn<QVector<QPointF>>("moves");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QVector<QPointF>>("laid");   // the last one is where the stroke stands

    const int deposit = Tool::Deposit;
    QTest::newRow("exactly one cell lays nothing") << deposit << 0.0 << QVector<QPointF>{{1, 0}} << false
                                                   << QVector<QPointF>{};
    QTest::newRow("one and a half cells lay two") << deposit << 0.0 << QVector<QPointF>{{1.5, 0}} << false
                                                  << QVector<QPointF>{{0, 0}, {1, 0}};
    QTest::newRow("diagonal move in whole cells") << deposit << 0.0 << QVector<QPointF>{{3, 4}} << false
        << QVector<QPointF>{{0, 0}, {0.6, 0.8}, {1.2, 1.6}, {1.8, 2.4}, {2.4, 3.2}, {3, 4}};
    QTest::newRow("the rest of a move carries over") << deposit << 0.0 << QVector<QPointF>{{1.5, 0}, {3, 0}} << false
        << QVector<QPointF>{{0, 0}, {1, 0}, {1, 0}, {2, 0}, {3, 0}};
    QTest::newRow("wide brush holds back a short move") << deposit << 1.0 << QVector<QPointF>{{3, 0}} << false
                                                        << QVector<QPointF>{};
    QTest::newRow("wide brush forced") << deposit << 1.0 << QVector<QPointF>{{3, 0}} << true
                                       << QVector<QPointF>{{0, 0}, {2, 0}};
    QTest::newRow("wide brush beyond the spacing squared") << deposit << 1.0 << QVector<QPointF>{{5, 0}} << false
        << QVector<QPointF>{{0, 0}, {2, 0}, {4, 0}};
    QTest::newRow("smudge dabs every cell however wide") << int(Tool::Smudge) << 1.0 << QVector<QPointF>{{3, 0}}
        << false << QVector<QPointF>{{0, 0}, {1, 0}, {2, 0}, {3, 0}};
}

void TestStroke::pathPoints()
{
    QFETCH(int, type);
    QFETCH(double, size);
    QFETCH(QVector<QPointF>, moves);
    QFETCH(bool, force);
    QFETCH(QVector<QPointF>, laid);
    Tool tool{Tool::Type(type)};
    tool.size = size;
    SculptStroke stroke(&tool, Vector2d(0, 0), nullptr, 1000);
    for (const QPointF& m : moves)
        stroke.addPathPoints(Vector2d(m.x(), m.y()), force);
    const std::vector<QPointF> points = stroke.takePoints(0);
    QCOMPARE(QVector<QPointF>(points.begin(), points.end()), laid);
    QCOMPARE(QPointF(stroke.current().x, stroke.current().y), laid.isEmpty() ? QPointF(0, 0) : laid.last());
}

void TestStroke::smoothedStrokeDabsWholeGroups()
{
    // A move of 24 cells lays 25 points. Groups of 10 share their end
    // points: points 0-9 and 9-18 are dabbed, 18-24 wait for more. Along a
    // straight, even path each group dabs at 0.9-cell steps, so the last dab
    // lies at 17.1.
    auto relief = grid(64, 64, 1);
    Tool tool(Tool::NoTool);
    tool.useSmoothing = true;
    tool.smoothLength = 10;
    relief->beginStroke(&tool, Vector2d(-12, 0), nullptr, SelectionMode::Normal);
    relief->strokeTo(Vector2d(12, 0), false);
    QVERIFY(relief->stroke());
    QCOMPARE(relief->stroke()->pointCount(), 7);
    QVERIFY(near(relief->stroke()->lastDab(), Vector2d(5.1, 0), 1e-9));
    QVERIFY(std::abs(relief->stroke()->travelled() - 17.1) < 1e-9);
}

void TestStroke::smoothLengthBelowTwoStillAdvances()
{
    // Groups shorter than two would never shrink the list of points.
    for (int smoothLength : {0, 1}) {
        auto relief = grid(32, 32, 1);
        Tool tool(Tool::Deposit);
        tool.useSmoothing = true;
        tool.smoothLength = smoothLength;
        tool.strength = 1;
        tool.hardness = 1;
        relief->beginStroke(&tool, Vector2d(-5, 0), nullptr, SelectionMode::Normal);
        relief->strokeTo(Vector2d(5, 0), false);
        QCOMPARE(relief->stroke()->pointCount(), 1);
        QVERIFY(relief->heights()[16 * 32 + 20] > 1.0f);
        relief->endStroke(Vector2d(5, 0), false);
        QVERIFY(!relief->stroke());
    }
}

void TestStroke::fitFallsBackToThirds_data()
{
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<QPointF>("p1");
    QTest::addColumn<QPointF>("p2");
    using P = QVector<QPointF>;
    QTest::newRow("two points") << P{{0, 0}, {3, 3}} << QPointF(1, 1) << QPointF(2, 2);
    QTest::newRow("three points: singular fit") << P{{0, 0}, {5, 5}, {3, 0}} << QPointF(1, 0) << QPointF(2, 0);
    QTest::newRow("three points: det rounds just above zero") << P{{0, 0}, {1.1, 0}, {2, 0}} << QPointF(2.0 / 3, 0)
                                                              << QPointF(4.0 / 3, 0);
    QTest::newRow("three points: det rounds just below zero") << P{{0, 0}, {0.7, 0.1}, {2.9, 0.2}}
                                                              << QPointF(2.9 / 3, 0.2 / 3) << QPointF(5.8 / 3, 0.4 / 3);
    QTest::newRow("inner points on the ends: singular fit") << P{{0, 0}, {0, 0}, {3, 0}, {3, 0}} << QPointF(1, 0)
                                                            << QPointF(2, 0);
    QTest::newRow("all on one spot: no length") << P{{2, 2}, {2, 2}, {2, 2}, {2, 2}} << QPointF(2, 2) << QPointF(2, 2);
    QTest::newRow("an even straight path fits its thirds") << P{{0, 0}, {1, 0}, {2, 0}, {3, 0}} << QPointF(1, 0)
                                                           << QPointF(2, 0);
}

void TestStroke::fitFallsBackToThirds()
{
    QFETCH(QVector<QPointF>, points);
    QFETCH(QPointF, p1);
    QFETCH(QPointF, p2);
    const std::vector<QPointF> q(points.begin(), points.end());
    const BezierControls c = fitBezier(q);
    QVERIFY(near(c[0], Vector2d(q.front().x(), q.front().y()), 0));
    QVERIFY(near(c[3], Vector2d(q.back().x(), q.back().y()), 0));
    QVERIFY2(near(c[1], Vector2d(p1.x(), p1.y()), 1e-9), qPrintable(QString("%1 %2").arg(c[1].x).arg(c[1].y)));
    QVERIFY2(near(c[2], Vector2d(p2.x(), p2.y()), 1e-9), qPrintable(QString("%1 %2").arg(c[2].x).arg(c[2].y)));
}

void TestStroke::fitFollowsACurvedPath()
{
    // Points along a symmetric arch give a symmetric fit well above the
    // thirds of the chord, passing near the top.
    const BezierControls arch{Vector2d(0, 0), Vector2d(0, 3), Vector2d(3, 3), Vector2d(3, 0)};
    std::vector<QPointF> q;
    for (int i = 0; i <= 10; ++i)
        q.emplace_back(bezierPoint(arch, i / 10.0).x, bezierPoint(arch, i / 10.0).y);
    const BezierControls fit = fitBezier(q);
    QVERIFY(near(bezierPoint(fit, 0.5), Vector2d(1.5, 2.25), 0.2));
    QVERIFY(std::abs(fit[1].x + fit[2].x - 3) < 1e-9 && std::abs(fit[1].y - fit[2].y) < 1e-9);
    QVERIFY(fit[1].y > 2.5);
}

void TestStroke::strokeIsOneUndoEvent()
{
    auto relief = grid(32, 32, 1);
    const std::vector<float> before = heightsOf(*relief);
    SculptUndo undo;
    Tool tool(Tool::Deposit);
    tool.size = 0.05;   // radius 2.26
    tool.strength = 1;
    tool.hardness = 1;
    relief->beginStroke(&tool, Vector2d(-6, 0), &undo, SelectionMode::Normal);
    relief->strokeTo(Vector2d(0, 0), false);
    relief->strokeTo(Vector2d(0, 6), false);
    const Rect2di area = relief->strokeRect();
    const std::vector<float> after = heightsOf(*relief);
    relief->endStroke(Vector2d(0, 6), false);

    QCOMPARE(undo.count(), 1);
    const auto* event = dynamic_cast<const SculptModifyEvent*>(undo.event(0));
    QVERIFY(event && event->before().rect() == area);
    QVERIFY(area.x1 < 16 - 6 && area.x2 > 16 && area.y2 > 16 + 6);
    undo.undo();
    QVERIFY(heightsOf(*relief) == before);
    undo.redo();
    QVERIFY(heightsOf(*relief) == after);
}

void TestStroke::releaseAndPressEndTheStroke()
{
    for (bool strokeToRelease : {false, true}) {
        auto relief = grid(16, 16, 1);
        Tool tool(Tool::Erase);
        relief->beginStroke(&tool, Vector2d(-4, 0), nullptr, SelectionMode::Normal);
        relief->endStroke(Vector2d(4, 0), strokeToRelease);
        QCOMPARE(relief->heights()[8 * 16 + 12], strokeToRelease ? 0.0f : 1.0f);
        QVERIFY(!relief->stroke());
    }
    // A press while a stroke runs records the running one first.
    auto relief = grid(16, 16, 1);
    SculptUndo undo;
    Tool tool(Tool::Erase);
    relief->beginStroke(&tool, Vector2d(-4, 0), &undo, SelectionMode::Normal);
    relief->beginStroke(&tool, Vector2d(4, 0), &undo, SelectionMode::Normal);
    QCOMPARE(undo.count(), 1);
    relief->endStroke(Vector2d(4, 0), false);
    QCOMPARE(undo.count(), 2);
    undo.undo();
    QCOMPARE(relief->heights()[8 * 16 + 12], 1.0f);
    QCOMPARE(relief->heights()[8 * 16 + 4], 0.0f);
}

void TestStroke::noStrokeChangesNothing()
{
    // Moves and a release without a stroke, and presses of tools that lay no
    // dabs, leave the heights and the undo stack alone.
    auto relief = grid(16, 16, 1);
    SculptUndo undo;
    relief->resetChangedRect();
    relief->endStroke(Vector2d(0, 0), true);
    relief->strokeTo(Vector2d(3, 0), true);
    for (Tool::Type type : {Tool::Magic, Tool::Sample, Tool::Rectangle, Tool::Elliptical, Tool::Polygon, Tool::Crop}) {
        Tool tool(type);
        relief->beginStroke(&tool, Vector2d(0, 0), &undo, SelectionMode::Additive);
        QVERIFY2(!relief->stroke(), qPrintable(QString::number(type)));
    }
    QVERIFY(!relief->changed());
    QCOMPARE(undo.count(), 0);
    QVERIFY(heightsOf(*relief) == std::vector<float>(16 * 16, 1.0f));
}

QTEST_GUILESS_MAIN(TestStroke)
#include "tst_stroke.moc"
