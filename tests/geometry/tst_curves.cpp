#include "geomcompare.h"

#include "geometry/arc.h"
#include "geometry/bezier.h"
#include "geometry/curves.h"
#include "geometry/line.h"
#include "geometry/polybezier.h"
#include "geometry/rect2d.h"

#include <QtTest>

#include <algorithm>
#include <vector>

using namespace VekMath;

Q_DECLARE_METATYPE(VekMath::Vector2d)
Q_DECLARE_METATYPE(VekMath::Bezier)
Q_DECLARE_METATYPE(VekMath::Rect2d)
Q_DECLARE_METATYPE(std::vector<double>)

namespace {

// The cubic whose x runs a t^3 + b t^2 + c t + e (and y = t).
Bezier fromPowers(double a, double b, double c, double e)
{
    return Bezier(Vector2d(e, 0), Vector2d(e + c / 3, 1.0 / 3), Vector2d(e + 2 * c / 3 + b / 3, 2.0 / 3),
                  Vector2d(e + c + b + a, 1));
}

bool sameDirection(const Vector2d& a, const Vector2d& b)
{
    return near(a.normalized(), b.normalized(), 1e-6);
}

} // namespace

class TestCurves : public QObject
{
    Q_OBJECT

private slots:
    void circleCenter_data()
    {
        QTest::addColumn<Vector2d>("p1");
        QTest::addColumn<Vector2d>("p2");
        QTest::addColumn<Vector2d>("p3");
        QTest::addColumn<bool>("found");
        QTest::addColumn<Vector2d>("centre");
        QTest::newRow("right angle") << Vector2d(0, 0) << Vector2d(2, 0) << Vector2d(0, 2) << true << Vector2d(1, 1);
        const Vector2d c(3, -2);
        auto on = [&](double a) { return c + Vector2d(std::cos(a), std::sin(a)) * 5.0; };
        QTest::newRow("on a circle") << on(0.1) << on(2.0) << on(4.0) << true << c;
        QTest::newRow("collinear") << Vector2d(0, 0) << Vector2d(1, 1) << Vector2d(3, 3) << false << Vector2d();
        QTest::newRow("coincident") << Vector2d(1, 2) << Vector2d(1, 2) << Vector2d(1, 2) << false << Vector2d();
    }

    void circleCenter()
    {
        QFETCH(Vector2d, p1);
        QFETCH(Vector2d, p2);
        QFETCH(Vector2d, p3);
        QFETCH(bool, found);
        QFETCH(Vector2d, centre);
        Vector2d c(-7, -7);
        QCOMPARE(VekMath::circleCenter(p1, p2, p3, &c), found);
        if (found)
            QVERIFY_NEAR(c, centre);
        else
            QVERIFY(std::isnan(c.x) && std::isnan(c.y));
        QCOMPARE(VekMath::circleCenter(p1, p2, p3, nullptr), found);
    }

    void splitKeepsTheCurve()
    {
        Bezier first(Vector2d(0, 0), Vector2d(0, 1), Vector2d(1, 1), Vector2d(1, 0));
        Bezier second;
        first.split(second, 0.5);
        const Vector2d got[] = {first.start(),  first.control1(),  first.control2(),  first.end(),
                                second.start(), second.control1(), second.control2(), second.end()};
        const Vector2d expected[] = {{0, 0},     {0, 0.5},     {0.25, 0.75}, {0.5, 0.75},
                                     {0.5, 0.75}, {0.75, 0.75}, {1, 0.5},     {1, 0}};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(got[i], expected[i]);

        const Bezier whole(Vector2d(-3, 2), Vector2d(5, 9), Vector2d(8, -4), Vector2d(1, 1));
        first = whole;
        first.split(second, 0.3);
        for (double s : {0.0, 0.25, 0.9, 1.0}) {
            QVERIFY_NEAR(first.pointAt(s), whole.pointAt(0.3 * s));
            QVERIFY_NEAR(second.pointAt(s), whole.pointAt(0.3 + 0.7 * s));
        }
    }

    void solveCubic_data()
    {
        QTest::addColumn<Bezier>("curve");
        QTest::addColumn<double>("value");
        QTest::addColumn<std::vector<double>>("roots");
        QTest::newRow("three roots") << fromPowers(100, -150, 66, -8) << 0.0 << std::vector<double>{0.2, 0.5, 0.8};
        QTest::newRow("one real root") << fromPowers(10, 0, 10, 0) << 6.25 << std::vector<double>{0.5};
        QTest::newRow("quadratic") << fromPowers(0, 10, -10, 1.875) << 0.0 << std::vector<double>{0.25, 0.75};
        QTest::newRow("quadratic, no real root") << fromPowers(0, 10, -10, 5) << 0.0 << std::vector<double>{};
        QTest::newRow("linear") << fromPowers(0, 0, 4, 1) << 2.0 << std::vector<double>{0.25};
        QTest::newRow("constant") << fromPowers(0, 0, 0, 3) << 3.0 << std::vector<double>{};
        // x = 100 t (t - 0.5)(t - 1): the end parameters themselves never count.
        QTest::newRow("roots at both ends") << fromPowers(100, -150, 50, 0) << 0.0 << std::vector<double>{0.5};
        QTest::newRow("linear, at the start") << fromPowers(0, 0, 4, 1) << 1.0 << std::vector<double>{};
        QTest::newRow("linear, at the end") << fromPowers(0, 0, 4, 1) << 5.0 << std::vector<double>{};
    }

    void solveCubic()
    {
        QFETCH(Bezier, curve);
        QFETCH(double, value);
        QFETCH(std::vector<double>, roots);
        double found[3] = {42, 42, 42};
        QCOMPARE(VekMath::solveCubic(0, value, curve, found), !roots.empty());
        const size_t n = roots.size();
        for (size_t i = n; i < 3; ++i)
            QCOMPARE(found[i], 42.0);
        std::vector<double> got(found, found + n);
        std::sort(got.begin(), got.end());
        for (size_t i = 0; i < n; ++i)
            QVERIFY2(near(got[i], roots[i], 1e-7), qPrintable(QString("root %1 is %2").arg(i).arg(got[i])));
        // The y axis of these curves runs with t.
        QVERIFY(VekMath::solveCubic(1, 0.375, curve, found));
        QVERIFY(near(found[0], 0.375));
    }

    void splitNear()
    {
        const Bezier whole(Vector2d(0, 0), Vector2d(10, 30), Vector2d(20, -30), Vector2d(30, 0));
        const Vector2d onCurve = whole.pointAt(0.7);
        Bezier first = whole;
        Bezier second;
        QVERIFY(first.splitNear(onCurve + Vector2d(0, 0.01), second, 0.1));
        QVERIFY(near(first.end(), onCurve, 1e-6) && near(second.start(), onCurve, 1e-6));
        QCOMPARE(second.end(), whole.end());

        Bezier untouched = whole;
        QVERIFY(!untouched.splitNear(Vector2d(15, 40), second, 0.1));
        QCOMPARE(untouched.end(), whole.end());
    }

    void boundingRectHoldsTheCurve_data()
    {
        QTest::addColumn<Bezier>("curve");
        QTest::addColumn<Rect2d>("box");
        QTest::newRow("straight") << Bezier(Vector2d(0, 0), Vector2d(1, 1), Vector2d(2, 2), Vector2d(3, 3))
                                  << Rect2d(0, 0, 3, 3);
        QTest::newRow("arch") << Bezier(Vector2d(0, 0), Vector2d(0, 1), Vector2d(1, 1), Vector2d(1, 0))
                              << Rect2d(0, 0, 1, 0.75);
        QTest::newRow("overshoot") << Bezier(Vector2d(0, 0), Vector2d(-3, 0), Vector2d(4, 0), Vector2d(1, 0))
                                   << Rect2d(-0.76491106406735176, 0, 2.5298221281347033, 0);
    }

    void boundingRectHoldsTheCurve()
    {
        QFETCH(Bezier, curve);
        QFETCH(Rect2d, box);
        const Rect2d r = curve.boundingRect();
        QVERIFY2(near(r.topLeft(), box.topLeft(), 1e-6) && near(r.bottomRight(), box.bottomRight(), 1e-6),
                 qPrintable(str(r.topLeft()) + str(r.bottomRight())));
        for (int i = 0; i <= 100; ++i)
            QVERIFY(r.contains(curve.pointAt(i / 100.0), 1e-9));
    }

    void tangentsPointAway()
    {
        const Bezier cubic(Vector2d(0, 0), Vector2d(1, 2), Vector2d(3, 2), Vector2d(4, 0));
        PolyBezier chain;
        chain.append(cubic);
        chain.append(Bezier(Vector2d(4, 0), Vector2d(5, -1), Vector2d(6, 1), Vector2d(7, 0)));
        QCOMPARE(chain.startTangent().direction, Vector2d(-1, -2));
        QCOMPARE(chain.endTangent().direction, Vector2d(1, -1));

        // Radius 2 about (1, 1), from the right-hand point to the lowest on screen.
        const Arc arc(Vector2d(3, 1), Vector2d(1, 3), Vector2d(1, 1), false);
        QCOMPARE(arc.startTangent().direction, Vector2d(0, -2));
        QCOMPARE(arc.endTangent().direction, Vector2d(-2, 0));
        const Arc flipped(Vector2d(3, 1), Vector2d(1, 3), Vector2d(1, 1), true);
        QCOMPARE(flipped.startTangent().direction, Vector2d(0, 2));
        QCOMPARE(flipped.endTangent().direction, Vector2d(2, 0));
    }

    void emptyChainAndConnectionAtTolerance()
    {
        PolyBezier chain;
        chain.setStart(Vector2d(3, 4));
        chain.setEnd(Vector2d(5, 6));
        QCOMPARE(chain.start(), Vector2d(0, 0));
        QCOMPARE(chain.end(), Vector2d(0, 0));
        QCOMPARE(chain.startTangent().direction, Vector2d(0, 0));

        const Line a(Vector2d(0, 0), Vector2d(1, 0));
        const Line b(Vector2d(1, 0.5), Vector2d(9, 9));
        QVERIFY(isConnected(a, b, 0.5));
        QVERIFY(!isConnected(a, b, 0.49));
        QVERIFY(!isConnected(b, a, 0.5));
    }

    void arcChainFollowsTheArc_data()
    {
        QTest::addColumn<double>("startAngle");
        QTest::addColumn<double>("endAngle");
        QTest::addColumn<bool>("orientation");
        QTest::addColumn<int>("pieces");
        QTest::newRow("quarter, decreasing") << 1.6 << 0.1 << false << 8;
        QTest::newRow("quarter, increasing") << 0.1 << 1.6 << true << 8;
        QTest::newRow("three quarters, decreasing") << 0.1 << 1.6 << false << 25;
        QTest::newRow("three quarters, increasing") << 1.6 << 0.1 << true << 25;
        QTest::newRow("across zero") << 0.3 << 5.9 << false << 4;
        QTest::newRow("zero sweep") << 1.0 << 1.0 << false << 0;
    }

    void arcChainFollowsTheArc()
    {
        QFETCH(double, startAngle);
        QFETCH(double, endAngle);
        QFETCH(bool, orientation);
        QFETCH(int, pieces);
        const Vector2d c(10, -4);
        const double r = 7;
        auto at = [&](double a) { return c + Vector2d(std::cos(a), -std::sin(a)) * r; };
        const Arc arc(at(startAngle), at(endAngle), c, orientation);
        const PolyBezier chain = arc.toCubics();
        QCOMPARE(chain.count(), pieces);
        if (pieces == 0)
            return;
        QVERIFY_NEAR(chain.start(), arc.start());
        QVERIFY_NEAR(chain.end(), arc.end());
        // Each piece starts an equal step further along the arc's own way round.
        const double step = (orientation ? 1.0 : -1.0) * arc.sweep() / pieces;
        for (int i = 0; i < pieces; ++i) {
            QVERIFY_NEAR(chain.piece(i).start(), at(startAngle + i * step));
            for (double t : {0.3, 0.5})
                QVERIFY(near(Vector2d::distance(chain.piece(i).pointAt(t), c), r, 1e-5));
        }
        QVERIFY(sameDirection(arc.startTangent().direction, chain.startTangent().direction));
        QVERIFY(sameDirection(arc.endTangent().direction, chain.endTangent().direction));
    }
};

QTEST_GUILESS_MAIN(TestCurves)
#include "tst_curves.moc"
