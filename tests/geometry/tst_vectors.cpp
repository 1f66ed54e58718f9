#include "geomcompare.h"

#include "geometry/line3d.h"
#include "geometry/plane.h"
#include "geometry/vekmath.h"

#include <QtTest>

using namespace VekMath;

Q_DECLARE_METATYPE(VekMath::Vector2d)
Q_DECLARE_METATYPE(VekMath::Vector3d)
Q_DECLARE_METATYPE(VekMath::Plane)
Q_DECLARE_METATYPE(VekMath::Line3d)

class TestVectors : public QObject
{
    Q_OBJECT

private slots:
    void zeroVectorNormalizesToZero()
    {
        Vector2d v2;
        QCOMPARE(v2.normalize(), Vector2d(0, 0));
        Vector3d v3;
        QCOMPARE(v3.normalize(), Vector3d(0, 0, 0));
        QCOMPARE(Vector3d().normalized(), Vector3d(0, 0, 0));
        QVERIFY_NEAR(Vector3d(3, 0, 4).normalized(), Vector3d(0.6, 0, 0.8));
    }

    void angleOfQuadrants_data()
    {
        QTest::addColumn<Vector2d>("v");
        QTest::addColumn<double>("angle");
        QTest::newRow("+x") << Vector2d(1, 0) << 0.0;
        QTest::newRow("-y is a quarter turn") << Vector2d(0, -2) << M_PI / 2;
        QTest::newRow("-x") << Vector2d(-3, 0) << M_PI;
        QTest::newRow("+y is three quarters") << Vector2d(0, 1) << 3 * M_PI / 2;
        QTest::newRow("+x+y") << Vector2d(1, 1) << 7 * M_PI / 4;
        QTest::newRow("zero") << Vector2d(0, 0) << 0.0;
    }

    void angleOfQuadrants()
    {
        QFETCH(Vector2d, v);
        QFETCH(double, angle);
        QVERIFY(near(angleOf(v), angle));
        QVERIFY(near(angleOf(Vector2d(5, -7), Vector2d(5, -7) + v), angle));
    }

    void rotationToTurnsAIntoB_data()
    {
        QTest::addColumn<Vector3d>("a");
        QTest::addColumn<Vector3d>("b");
        QTest::newRow("equal") << Vector3d(1, 2, 3) << Vector3d(1, 2, 3);
        QTest::newRow("oblique") << Vector3d(1, 2, 3) << Vector3d(-2, 0.5, 1);
        // The unit dot products of these round to just above 1 and just below -1.
        QTest::newRow("parallel, rounding above 1") << Vector3d(1.4, 0.7, 0.3) << Vector3d(4.2, 2.1, 0.9);
        QTest::newRow("antiparallel, rounding below -1") << Vector3d(1.4, 0.7, 0.3) << Vector3d(-4.2, -2.1, -0.9);
        QTest::newRow("opposite x") << Vector3d(1, 0, 0) << Vector3d(-1, 0, 0);
        QTest::newRow("opposite z") << Vector3d(0, 0, 2) << Vector3d(0, 0, -3);
    }

    void rotationToTurnsAIntoB()
    {
        QFETCH(Vector3d, a);
        QFETCH(Vector3d, b);
        const Quaternion q = Vector3d::rotationTo(a, b);
        QVERIFY2(near(q.squaredNorm(), 1.0), qPrintable(str(q)));
        QVERIFY_NEAR(q.rotate(a.normalized()), b.normalized());
    }

    void planeFromPoints_data()
    {
        QTest::addColumn<Vector3d>("p1");
        QTest::addColumn<Vector3d>("p2");
        QTest::addColumn<Vector3d>("p3");
        QTest::addColumn<Vector3d>("normal");
        QTest::addColumn<double>("d");
        QTest::newRow("z = 2, counter-clockwise")
            << Vector3d(0, 0, 2) << Vector3d(1, 0, 2) << Vector3d(0, 1, 2) << Vector3d(0, 0, 1) << -2.0;
        QTest::newRow("collinear")
            << Vector3d(0, 0, 0) << Vector3d(1, 1, 1) << Vector3d(2, 2, 2) << Vector3d(0, 0, 0) << 0.0;
    }

    void planeFromPoints()
    {
        QFETCH(Vector3d, p1);
        QFETCH(Vector3d, p2);
        QFETCH(Vector3d, p3);
        QFETCH(Vector3d, normal);
        QFETCH(double, d);
        const Plane plane(p1, p2, p3);
        QVERIFY_NEAR(plane.normal(), normal);
        QVERIFY(near(plane.d, d));
        if (normal.length() > 0)
            QVERIFY(plane.contains(p3) && !plane.contains(p1 + normal * 1e-6));
    }

    void planeIntersectSegment_data()
    {
        QTest::addColumn<Plane>("plane");
        QTest::addColumn<Vector3d>("start");
        QTest::addColumn<Vector3d>("direction");
        QTest::addColumn<bool>("meets");
        QTest::addColumn<Vector3d>("point");
        const Plane z1(Vector3d(0, 0, 4), -1.0);
        QTest::newRow("crossing") << z1 << Vector3d(1, 2, 0) << Vector3d(2, 0, 4) << true << Vector3d(1.5, 2, 1);
        QTest::newRow("end touches") << z1 << Vector3d(5, 5, 0) << Vector3d(0, 0, 1) << true << Vector3d(5, 5, 1);
        QTest::newRow("wholly above") << z1 << Vector3d(0, 0, 2) << Vector3d(1, 1, 5) << false << Vector3d();
        QTest::newRow("short of the plane") << z1 << Vector3d(0, 0, 0) << Vector3d(0, 0, 0.99) << false << Vector3d();
        QTest::newRow("in the plane") << z1 << Vector3d(2, 3, 1) << Vector3d(4, 4, 0) << true << Vector3d(2, 3, 1);
        QTest::newRow("degenerate plane") << Plane(Vector3d(0, 0, 0), Vector3d(1, 1, 1), Vector3d(2, 2, 2))
                                          << Vector3d(7, 8, 9) << Vector3d(1, 0, 0) << true << Vector3d(7, 8, 9);
    }

    void planeIntersectSegment()
    {
        QFETCH(Plane, plane);
        QFETCH(Vector3d, start);
        QFETCH(Vector3d, direction);
        QFETCH(bool, meets);
        QFETCH(Vector3d, point);
        const Line3d line(start, direction);
        QCOMPARE(plane.intersect(line, nullptr), meets);
        Vector3d out(-99, -99, -99);
        QCOMPARE(plane.intersect(line, &out), meets);
        QVERIFY_NEAR(out, meets ? point : Vector3d(-99, -99, -99));
    }

    void closestPointStaysOnSegment()
    {
        const Line3d segment(Vector3d(1, 0, 0), Vector3d(4, 0, 0));
        QVERIFY_NEAR(segment.closestPoint(Vector3d(-5, 3, 0)), Vector3d(1, 0, 0));
        QVERIFY_NEAR(segment.closestPoint(Vector3d(2, 3, -1)), Vector3d(2, 0, 0));
        QVERIFY_NEAR(segment.closestPoint(Vector3d(9, 1, 1)), Vector3d(5, 0, 0));
    }

    void shortestConnection_data()
    {
        QTest::addColumn<Line3d>("a");
        QTest::addColumn<Line3d>("b");
        QTest::addColumn<Vector3d>("from");
        QTest::addColumn<Vector3d>("to");
        const Line3d unitX(Vector3d(0, 0, 0), Vector3d(1, 0, 0));
        QTest::newRow("skew, both feet inside") << Line3d(Vector3d(0, 0, 0), Vector3d(2, 0, 0))
                                                << Line3d(Vector3d(1, -1, 1), Vector3d(0, 2, 0))
                                                << Vector3d(1, 0, 0) << Vector3d(1, 0, 1);
        QTest::newRow("skew, foot beyond a") << unitX << Line3d(Vector3d(5, -1, 1), Vector3d(0, 2, 0))
                                             << Vector3d(1, 0, 0) << Vector3d(5, 0, 1);
        QTest::newRow("skew, both feet outside") << unitX << Line3d(Vector3d(5, 3, 1), Vector3d(0, 2, 0))
                                                 << Vector3d(1, 0, 0) << Vector3d(5, 3, 1);
        QTest::newRow("parallel, overlapping") << Line3d(Vector3d(0, 0, 0), Vector3d(2, 0, 0))
                                               << Line3d(Vector3d(1, 1, 0), Vector3d(2, 0, 0))
                                               << Vector3d(1, 1, 0) << Vector3d(1, 0, 0);
    }

    void shortestConnection()
    {
        QFETCH(Line3d, a);
        QFETCH(Line3d, b);
        QFETCH(Vector3d, from);
        QFETCH(Vector3d, to);
        const Line3d c = Line3d::shortestConnection(a, b);
        QVERIFY_NEAR(c.start, from);
        QVERIFY_NEAR(c.end(), to);
    }
};

QTEST_GUILESS_MAIN(TestVectors)
#include "tst_vectors.moc"
