#include "views/trackball.h"

#include "geometry/line3d.h"

#include <QTest>

#include <cmath>

using VekMath::Quaternion;
using VekMath::Vector3d;

Q_DECLARE_METATYPE(Vector3d)

namespace {

bool close(double a, double b, double eps = 1e-9)
{
    return std::fabs(a - b) <= eps;
}

bool sameRotation(const Quaternion& a, const Quaternion& b, double eps = 1e-9)
{
    const bool same = close(a.w, b.w, eps) && close(a.x, b.x, eps) && close(a.y, b.y, eps)
                   && close(a.z, b.z, eps);
    const bool negated = close(a.w, -b.w, eps) && close(a.x, -b.x, eps)
                      && close(a.y, -b.y, eps) && close(a.z, -b.z, eps);
    return same || negated;
}

// Column-major 4x4 times (v, 1).
Vector3d apply(const double* m, const Vector3d& v)
{
    return Vector3d(m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12],
                    m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13],
                    m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14]);
}

bool sameVector(const Vector3d& a, const Vector3d& b, double eps = 1e-9)
{
    return close(a.x, b.x, eps) && close(a.y, b.y, eps) && close(a.z, b.z, eps);
}

QString text(const Quaternion& q)
{
    return QString("(%1, %2, %3, %4)").arg(q.w).arg(q.x).arg(q.y).arg(q.z);
}

} // namespace

class TestTrackball : public QObject
{
    Q_OBJECT

private slots:
    void dragRotation_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<Quaternion>("expected");

        const double half30 = std::cos(M_PI / 6), sin30 = 0.5;
        // In a 200 x 100 view the centre is (100, 50); 50 pixels right is
        // unit x 0.5, which lies 30 degrees round the ball: a 60 degree turn.
        QTest::newRow("centre to the right turns about +y")
            << QPoint(100, 50) << QPoint(150, 50) << Quaternion(half30, 0, sin30, 0);
        QTest::newRow("centre to the left turns about -y")
            << QPoint(100, 50) << QPoint(50, 50) << Quaternion(half30, 0, -sin30, 0);
        QTest::newRow("centre downwards turns the top towards the viewer (+x)")
            << QPoint(100, 50) << QPoint(100, 75) << Quaternion(half30, sin30, 0, 0);
        QTest::newRow("start and end coincide: no turn")
            << QPoint(37, 81) << QPoint(37, 81) << Quaternion(1, 0, 0, 0);
        // Both points outside the ball land on its rim at right angles: a
        // 180 degree turn about the view axis.
        QTest::newRow("rim to rim turns about the view axis")
            << QPoint(200, 50) << QPoint(100, 0) << Quaternion(0, 0, 0, 1);
    }

    void dragRotation()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(Quaternion, expected);

        Trackball ball;
        ball.beginDrag(from.x(), from.y(), 200, 100);
        ball.drag(to.x(), to.y(), 200, 100);
        const Quaternion q = ball.rotation();
        QVERIFY2(sameRotation(q, expected), qPrintable(text(q)));
        QVERIFY(close(q.squaredNorm(), 1.0));
    }

    void dragsCompose()
    {
        // Two drags of 60 degrees to the right add up to 120 degrees.
        Trackball ball;
        for (int i = 0; i < 2; ++i) {
            ball.beginDrag(100, 50, 200, 100);
            ball.drag(150, 50, 200, 100);
            ball.endDrag();
        }
        QVERIFY(sameRotation(ball.rotation(), Quaternion(0.5, 0, std::sin(M_PI / 3), 0)));
        // A new drag starts from there and does nothing until the mouse moves.
        ball.beginDrag(10, 10, 200, 100);
        QVERIFY(sameRotation(ball.rotation(), Quaternion(0.5, 0, std::sin(M_PI / 3), 0)));
    }

    void setRotationDuringDragReplacesBase()
    {
        Trackball ball;
        ball.beginDrag(100, 50, 200, 100);
        ball.drag(150, 50, 200, 100);
        const Quaternion turn = viewOrientation(1);
        ball.setRotation(turn);
        QVERIFY(sameRotation(ball.rotation(), Quaternion(std::cos(M_PI / 6), 0, 0.5, 0) * turn));
    }

    void matrixTurnsLikeTheRotation()
    {
        Trackball ball;
        const Quaternion q = Quaternion::fromAngleAxisDegrees(40, 1, 2, 3).normalize();
        ball.setRotation(q);
        const double* m = ball.matrix();
        const Vector3d v(0.3, -1.2, 2.5);
        QVERIFY(sameVector(apply(m, v), q.rotate(v)));
        // Asked again without a change it is the same cached array.
        QCOMPARE(ball.matrix(), m);
        const double* inverse = ball.inverseMatrix();
        QVERIFY(sameVector(apply(inverse, apply(m, v)), v));
    }

    void orientations_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<Vector3d>("towardsViewer");
        QTest::newRow("0 top") << 0 << Vector3d(0, 0, 1);
        QTest::newRow("1 +y") << 1 << Vector3d(0, 1, 0);
        QTest::newRow("2 -x") << 2 << Vector3d(-1, 0, 0);
        QTest::newRow("3 bottom") << 3 << Vector3d(0, 0, -1);
        QTest::newRow("4 -y") << 4 << Vector3d(0, -1, 0);
        QTest::newRow("5 +x") << 5 << Vector3d(1, 0, 0);
        QTest::newRow("6 none") << 6 << Vector3d(0, 0, 1);
        QTest::newRow("-1 none") << -1 << Vector3d(0, 0, 1);
    }

    void orientations()
    {
        QFETCH(int, index);
        QFETCH(Vector3d, towardsViewer);

        // The view shows the model turned by the trackball matrix: the face
        // normal must end up pointing at the viewer (+z).
        Trackball ball;
        ball.setRotation(viewOrientation(index));
        QVERIFY(sameVector(apply(ball.matrix(), towardsViewer), Vector3d(0, 0, 1), 1e-12));

        // The face frame of the cube lies on that face, 37.5 out.
        double frame[16];
        const double t[3] = {0.0, 0.0, 37.5};
        orientationViewMatrix(frame, index, Quaternion(), t);
        const Vector3d origin(frame[12], frame[13], frame[14]);
        QVERIFY(sameVector(origin, towardsViewer * 37.5, 1e-12));
        const VekMath::Plane plane = viewCubeFacePlane(frame);
        QVERIFY(close(std::fabs(Vector3d::dot(plane.normal(), towardsViewer)), 1.0));
        QVERIFY(close(plane.value(towardsViewer * 37.5), 0.0));
        QVERIFY(close(std::fabs(plane.value(Vector3d())), 37.5));
        // A ray from the viewer's side meets the plane at the face centre.
        VekMath::Vector3d hit;
        QVERIFY(plane.intersect(VekMath::Line3d(towardsViewer * 100, towardsViewer * -200), &hit));
        QVERIFY(sameVector(hit, towardsViewer * 37.5, 1e-9));
    }
};

QTEST_GUILESS_MAIN(TestTrackball)
#include "tst_trackball.moc"
