#include "geomcompare.h"

#include "geometry/arc.h"
#include "geometry/bezier.h"
#include "geometry/curves.h"
#include "geometry/intersection.h"
#include "geometry/line.h"
#include "geometry/polybezier.h"

#include <QtTest>

#include <memory>

using namespace VekMath;

Q_DECLARE_METATYPE(VekMath::Vector2d)
Q_DECLARE_METATYPE(VekMath::Line)
Q_DECLARE_METATYPE(VekMath::Arc)
Q_DECLARE_METATYPE(VekMath::Bezier)

namespace {

const Vector2d Untouched(-12345, -12345);

// Nearest distance from p to a cubic, by dense sampling.
double distanceTo(const Bezier& c, const Vector2d& p)
{
    double best = 1e300;
    for (int i = 0; i <= 4000; ++i)
        best = std::min(best, Vector2d::distance(c.pointAt(i / 4000.0), p));
    return best;
}

// Whether any two sampled points of the cubics come within tol.
bool samplesMeet(const Bezier& a, const Bezier& b, double tol)
{
    for (int i = 0; i <= 400; ++i)
        if (distanceTo(b, a.pointAt(i / 400.0)) < tol)
            return true;
    return false;
}

Vector2d onCircle(const Vector2d& c, double r, double yDownAngle)
{
    return c + Vector2d(std::cos(yDownAngle), -std::sin(yDownAngle)) * r;
}

// A piece with a type code outside the known family.
class Stranger : public Segment
{
public:
    Stranger() : Segment(7, Vector2d(0, 0), Vector2d(10, 10)) {}
    Ray startTangent() const override { return Ray{m_start, m_start - m_end}; }
    Ray endTangent() const override { return Ray{m_end, m_end - m_start}; }
};

} // namespace

class TestIntersection : public QObject
{
    Q_OBJECT

private slots:
    void sweepFollowsTheArc_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<double>("end");
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<double>("angle");
        QTest::addColumn<bool>("inside");
        QTest::newRow("decreasing, inside") << 2.0 << 1.0 << false << 1.5 << true;
        QTest::newRow("decreasing, the long way round") << 1.0 << 2.0 << false << 4.0 << true;
        QTest::newRow("decreasing across zero") << 0.5 << 5.5 << false << 6.0 << true;
        QTest::newRow("increasing, before the start") << 1.0 << 2.0 << true << 0.5 << false;
        QTest::newRow("negative angles wrap") << -0.5 << -1.0 << false << 2 * M_PI - 0.7 << true;
        QTest::newRow("zero sweep") << 1.0 << 1.0 << true << 1.2 << false;
    }

    void sweepFollowsTheArc()
    {
        QFETCH(double, start);
        QFETCH(double, end);
        QFETCH(bool, reversed);
        QFETCH(double, angle);
        QFETCH(bool, inside);
        QCOMPARE(angleInSweep(start, end, angle, reversed), inside);
    }

    void lineLine_data()
    {
        QTest::addColumn<Line>("a");
        QTest::addColumn<Line>("b");
        QTest::addColumn<bool>("meets");
        QTest::addColumn<Vector2d>("point");
        QTest::newRow("crossing") << Line({0, 0}, {2, 2}) << Line({0, 2}, {2, 0}) << true << Vector2d(1, 1);
        QTest::newRow("collinear overlapping") << Line({0, 0}, {2, 2}) << Line({1, 1}, {3, 3}) << false << Vector2d();
        QTest::newRow("parallel") << Line({0, 0}, {2, 0}) << Line({0, 1}, {2, 1}) << false << Vector2d();
        QTest::newRow("end touches start") << Line({0, 0}, {2, 0}) << Line({2, 0}, {3, 5}) << true << Vector2d(2, 0);
        QTest::newRow("start touches middle") << Line({0, 0}, {2, 0}) << Line({1, 0}, {1, 5}) << true << Vector2d(1, 0);
        QTest::newRow("would cross if longer") << Line({0, 0}, {2, 2}) << Line({0, 6}, {2, 4}) << false << Vector2d();
    }

    void lineLine()
    {
        QFETCH(Line, a);
        QFETCH(Line, b);
        QFETCH(bool, meets);
        QFETCH(Vector2d, point);
        Vector2d out = Untouched;
        QCOMPARE(intersect(a, b, &out), meets);
        QVERIFY_NEAR(out, meets ? point : Untouched);
        QCOMPARE(intersect(b, a, nullptr), meets);
    }

    void lineArc_data()
    {
        QTest::addColumn<Line>("line");
        QTest::addColumn<Arc>("arc");
        QTest::addColumn<bool>("meets");
        QTest::addColumn<Vector2d>("point");
        // The upper half on screen runs from angle pi to 0 through pi/2:
        // towards decreasing angles, without the flag.
        const Vector2d c(0, 0);
        const Arc upper(onCircle(c, 5, M_PI), onCircle(c, 5, 0), c, false);
        const Arc lower(onCircle(c, 5, M_PI), onCircle(c, 5, 0), c, true);
        QTest::newRow("vertical through the upper half") << Line({3, -10}, {3, 10}) << upper << true << Vector2d(3, -4);
        QTest::newRow("vertical through the lower half") << Line({3, -10}, {3, 10}) << lower << true << Vector2d(3, 4);
        QTest::newRow("stops short of the arc") << Line({3, 0}, {3, 10}) << upper << false << Vector2d();
        QTest::newRow("misses the circle") << Line({6, -10}, {6, 10}) << upper << false << Vector2d();
        QTest::newRow("through an end of the arc") << Line({8, 0}, {2, 0}) << upper << true << Vector2d(5, 0);
        QTest::newRow("degenerate line on the circle") << Line({5, 0}, {5, 0}) << upper << false << Vector2d();
    }

    void lineArc()
    {
        QFETCH(Line, line);
        QFETCH(Arc, arc);
        QFETCH(bool, meets);
        QFETCH(Vector2d, point);
        Vector2d out = Untouched;
        QCOMPARE(intersect(line, arc, &out), meets);
        QVERIFY_NEAR(out, meets ? point : Untouched);
        // Through the generic entry, pieces swapped.
        out = Untouched;
        QCOMPARE(intersect(static_cast<const Segment&>(arc), static_cast<const Segment&>(line), &out), meets);
        QVERIFY_NEAR(out, meets ? point : Untouched);
    }

    void arcArc_data()
    {
        QTest::addColumn<Arc>("a");
        QTest::addColumn<Arc>("b");
        QTest::addColumn<bool>("meets");
        QTest::addColumn<Vector2d>("point");
        // Circles of radius 5 about (0, 0) and (8, 0) cross at (4, -3) and (4, 3).
        const Vector2d ca(0, 0), cb(8, 0);
        const Arc aUpper(onCircle(ca, 5, 1.5), onCircle(ca, 5, 0), ca, false);
        const Arc aLower(onCircle(ca, 5, 0), onCircle(ca, 5, 2 * M_PI - 1.5), ca, false);
        const Arc bWhole(onCircle(cb, 5, 0), onCircle(cb, 5, 0.1), cb, false);
        const Arc bRight(onCircle(cb, 5, 1.0), onCircle(cb, 5, 2 * M_PI - 1.0), cb, false);
        QTest::newRow("upper crossing") << aUpper << bWhole << true << Vector2d(4, -3);
        QTest::newRow("lower crossing") << aLower << bWhole << true << Vector2d(4, 3);
        QTest::newRow("arcs miss the crossings") << aUpper << bRight << false << Vector2d();
        QTest::newRow("concentric, same radius") << aUpper << Arc(onCircle(ca, 5, 1.0), onCircle(ca, 5, 0.2), ca, true)
                                                 << false << Vector2d();
        QTest::newRow("concentric, other radius")
            << aUpper << Arc(onCircle(ca, 3, 1.0), onCircle(ca, 3, 0.2), ca, true) << false << Vector2d();
        QTest::newRow("apart") << aUpper << Arc(onCircle({20, 0}, 5, 3.0), onCircle({20, 0}, 5, 2.0), {20, 0}, false)
                               << false << Vector2d();
    }

    void arcArc()
    {
        QFETCH(Arc, a);
        QFETCH(Arc, b);
        QFETCH(bool, meets);
        QFETCH(Vector2d, point);
        Vector2d out = Untouched;
        QCOMPARE(intersect(a, b, &out), meets);
        QVERIFY_NEAR(out, meets ? point : Untouched);
    }

    void cubicCubic_data()
    {
        QTest::addColumn<Bezier>("a");
        QTest::addColumn<Bezier>("b");
        QTest::addColumn<bool>("meets");
        const Bezier arch({0, 0}, {30, 100}, {70, 100}, {100, 0});
        QTest::newRow("single crossing") << arch << Bezier({0, 80}, {40, 0}, {60, 0}, {100, 30}) << true;
        // Distances 10, 10, -1000, -1000 from the first cubic's chord: the second
        // crosses near t = 0.06, before its first control edge leaves the band.
        QTest::newRow("crossing near the start") << Bezier({0, 0}, {300, 0}, {600, 0}, {900, 0})
                                                 << Bezier({0, 10}, {300, 10}, {600, -1000}, {900, -1000}) << true;
        QTest::newRow("two crossings") << arch << Bezier({-10, 40}, {30, 40}, {70, 40}, {110, 40}) << true;
        QTest::newRow("three crossings") << Bezier({0, 0}, {50, 300}, {50, -300}, {100, 0})
                                         << Bezier({0, 5}, {30, 5}, {70, -5}, {100, -5}) << true;
        QTest::newRow("far apart") << arch << Bezier({0, 200}, {30, 300}, {70, 300}, {100, 200}) << false;
        QTest::newRow("nested arches") << arch << Bezier({20, 0}, {40, 50}, {60, 50}, {80, 0}) << false;
        QTest::newRow("closed loop") << Bezier({50, 0}, {150, 100}, {-50, 100}, {50, 0})
                                     << Bezier({0, 50}, {30, 50}, {70, 50}, {100, 50}) << true;
        QTest::newRow("as a line") << Bezier({0, 100}, {0, 100}, {100, 0}, {100, 0}) << arch << true;
    }

    void cubicCubic()
    {
        QFETCH(Bezier, a);
        QFETCH(Bezier, b);
        QFETCH(bool, meets);
        QCOMPARE(samplesMeet(a, b, 0.5), meets);
        for (bool swapped : {false, true}) {
            Vector2d out = Untouched;
            QCOMPARE(swapped ? intersect(b, a, &out) : intersect(a, b, &out), meets);
            if (meets)
                QVERIFY2(distanceTo(a, out) < 1.0 && distanceTo(b, out) < 1.0, qPrintable(str(out)));
            else
                QCOMPARE(out, Untouched);
        }
    }

    void arcCubicUsesTheArcsOwnSide()
    {
        // A horizontal cubic through the centre crosses the circle at (10, 50)
        // and (90, 50); each arc holds only one of them.
        const Vector2d c(50, 50);
        const Bezier across({0, 50}, {30, 50}, {70, 50}, {100, 50});
        const Arc upperLeft(onCircle(c, 40, M_PI / 2), onCircle(c, 40, M_PI + 0.3), c, true);
        const Arc upperRight(onCircle(c, 40, M_PI / 2), onCircle(c, 40, -0.3), c, false);
        Vector2d out = Untouched;
        QVERIFY(intersect(upperLeft, across, &out));
        QVERIFY2(Vector2d::distance(out, Vector2d(10, 50)) < 1.0, qPrintable(str(out)));
        QVERIFY(intersect(across, upperRight, &out));
        QVERIFY2(Vector2d::distance(out, Vector2d(90, 50)) < 1.0, qPrintable(str(out)));
        const Arc top(onCircle(c, 40, M_PI / 2 + 0.5), onCircle(c, 40, M_PI / 2 - 0.5), c, false);
        QVERIFY(!intersect(top, across, nullptr));
        const Arc nothing(onCircle(c, 40, 1.0), onCircle(c, 40, 1.0), c, false);
        QVERIFY(!intersect(nothing, across, nullptr));
    }

    void chainsRecordTheirHit()
    {
        PolyBezier chain;
        chain.append(Bezier({0, 0}, {10, 0}, {20, 0}, {30, 0}));
        chain.append(Bezier({30, 0}, {40, 10}, {50, 10}, {60, 0}));
        chain.append(Bezier({60, 0}, {70, -10}, {80, -10}, {90, 0}));
        Vector2d out;
        QVERIFY(intersect(Line({75, -20}, {75, 20}), chain, &out));
        QCOMPARE(chain.hitIndex(), 2);
        QVERIFY2(Vector2d::distance(out, chain.piece(2).pointAt(0.5)) < 1.0, qPrintable(str(out)));
        QVERIFY(!intersect(chain, Line({0, 50}, {90, 50}), nullptr));
        QCOMPARE(chain.hitIndex(), 2);

        PolyBezier other;
        other.append(Bezier({0, 30}, {10, 30}, {20, 30}, {30, 30}));
        other.append(Bezier({30, 30}, {40, 10}, {50, -10}, {45, -20}));
        QVERIFY(intersect(chain, other, &out));
        QCOMPARE(chain.hitIndex(), 1);
        QCOMPARE(other.hitIndex(), 1);
        QVERIFY2(distanceTo(chain.piece(1), out) < 1.0 && distanceTo(other.piece(1), out) < 1.0, qPrintable(str(out)));

        // From the bottom of the circle on screen to its top: the left half.
        const Arc left(Vector2d(45, 20), Vector2d(45, -20), Vector2d(45, 0), false);
        QVERIFY(intersect(left, chain, &out));
        QCOMPARE(chain.hitIndex(), 0);
        QVERIFY2(Vector2d::distance(out, Vector2d(25, 0)) < 1.0, qPrintable(str(out)));
    }

    void dispatchByTypeCode()
    {
        const Line line({3, -10}, {3, 10});
        const Segment& generic = line;
        Vector2d out = Untouched;
        QVERIFY(!intersect(Stranger(), generic, &out));
        QVERIFY(!intersect(generic, Stranger(), &out));
        QCOMPARE(out, Untouched);
        QVERIFY(intersect(Bezier({0, 0}, {1, 0}, {5, 0}, {6, 0}), generic, &out));
        QVERIFY2(Vector2d::distance(out, Vector2d(3, 0)) < 1.0, qPrintable(str(out)));
    }

    void joinCorner_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<Line>("b");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<Vector2d>("corner");
        // a runs from (0, 0) to (10, 0) in every row.
        QTest::newRow("miter") << 0 << Line({20, 10}, {20, 30}) << 2 << Vector2d(20, 0);
        QTest::newRow("miter, diverging") << 0 << Line({5, 10}, {5, 30}) << 0 << Vector2d();
        QTest::newRow("miter, parallel") << 0 << Line({20, 5}, {30, 5}) << 0 << Vector2d();
        QTest::newRow("straight") << 1 << Line({20, 10}, {20, 30}) << 1 << Vector2d();
        QTest::newRow("arc turning to +y") << 2 << Line({20, 10}, {20, 30}) << 1 << Vector2d(10, 10);
        QTest::newRow("arc turning to -y") << 2 << Line({20, -10}, {20, -30}) << 1 << Vector2d(10, -10);
        QTest::newRow("arc, no centre") << 2 << Line({20, 0}, {30, 0}) << 0 << Vector2d();
        QTest::newRow("unknown kind") << 5 << Line({20, 10}, {20, 30}) << 0 << Vector2d();
    }

    void joinCorner()
    {
        QFETCH(int, kind);
        QFETCH(Line, b);
        QFETCH(int, pieces);
        QFETCH(Vector2d, corner);
        const Line a({0, 0}, {10, 0});
        const std::vector<std::unique_ptr<Segment>> join = VekMath::joinCorner(a, b, kind);
        QCOMPARE(int(join.size()), pieces);
        if (pieces == 0)
            return;
        QCOMPARE(join.front()->start(), a.end());
        QCOMPARE(join.back()->end(), b.start());
        if (kind == 0) {
            QCOMPARE(join[0]->type(), int(Segment::LineType));
            QVERIFY_NEAR(join[0]->end(), corner);
        } else if (kind == 2) {
            QCOMPARE(join[0]->type(), int(Segment::ArcType));
            const Arc& arc = static_cast<const Arc&>(*join[0]);
            QVERIFY_NEAR(arc.centre(), corner);
            // The arc leaves a's end going a's way and its cubics end at b's start.
            QVERIFY_NEAR(-arc.startTangent().direction.normalized(), Vector2d(1, 0));
            const PolyBezier chain = arc.toCubics();
            QCOMPARE(chain.count(), 8);
            QVERIFY_NEAR(chain.end(), b.start());
        }
    }
};

QTEST_GUILESS_MAIN(TestIntersection)
#include "tst_intersection.moc"
