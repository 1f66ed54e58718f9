#include "geomcompare.h"

#include "geometry/matrix3d.h"
#include "geometry/quaternion.h"

#include <QBuffer>
#include <QDataStream>
#include <QtTest>

#include <cmath>

using namespace VekMath;

Q_DECLARE_METATYPE(VekMath::Vector3d)
Q_DECLARE_METATYPE(VekMath::Matrix3d)

namespace {

bool near(const Matrix3d& a, const Matrix3d& b, double eps = 1e-9)
{
    for (int i = 0; i < 9; ++i)
        if (std::fabs(a.m[i] - b.m[i]) > eps)
            return false;
    return true;
}

// The 3x3 rotation part of a toMatrix array, row by row.
Matrix3d rotationPart(const double m[16])
{
    return Matrix3d(m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]);
}

QByteArray saved(qint32 magic, qint32 version, int doubles)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << magic << version;
    for (int i = 0; i < doubles; ++i)
        out << double(i + 1);
    return bytes;
}

} // namespace

class TestRotations : public QObject
{
    Q_OBJECT

private slots:
    void rowByRowConstructionStoresColumns();
    void inverse_data();
    void inverse();
    void productOrder();
    void standardRotation_data();
    void standardRotation();
    void axisRotationMatchesQuaternion_data();
    void axisRotationMatchesQuaternion();
    void eulerRotationOrder();
    void quaternionFromDegrees();
    void hamiltonProductComposesRotations();
    void quaternionGuardsZero();
    void differencePicksShorter();
    void toEulerRecoversAngles_data();
    void toEulerRecoversAngles();
    void saveLoadRoundTrip();
    void loadRejects_data();
    void loadRejects();
};

void TestRotations::rowByRowConstructionStoresColumns()
{
    const Matrix3d m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const double columns[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
    for (int i = 0; i < 9; ++i)
        QCOMPARE(m.m[i], columns[i]);
    QVERIFY_NEAR(m * Vector3d(1, 0, -1), Vector3d(-2, -2, -2));
    QVERIFY(near(m.determinant(), 0.0));
}

void TestRotations::inverse_data()
{
    QTest::addColumn<Matrix3d>("m");
    QTest::addColumn<Matrix3d>("inverse");
    QTest::newRow("diagonal") << Matrix3d(2, 4, 8) << Matrix3d(0.5, 0.25, 0.125);
    QTest::newRow("zero") << Matrix3d(0, 0, 0) << Matrix3d();
    QTest::newRow("singular rows") << Matrix3d(1, 2, 3, 2, 4, 6, 0, 1, 1) << Matrix3d();
    QTest::newRow("general") << Matrix3d(2, 0, 1, 1, 3, 2, 1, 1, 2)
                             << Matrix3d(4 / 6.0, 1 / 6.0, -3 / 6.0, 0, 3 / 6.0, -3 / 6.0, -2 / 6.0, -2 / 6.0, 1);
    QTest::newRow("rotation") << Matrix3d(0, -1, 0, 1, 0, 0, 0, 0, 1) << Matrix3d(0, 1, 0, -1, 0, 0, 0, 0, 1);
}

void TestRotations::inverse()
{
    QFETCH(Matrix3d, m);
    QFETCH(Matrix3d, inverse);
    const Matrix3d inv = m.inverted();
    if (m.determinant() == 0.0) {
        QCOMPARE(inv, inverse);
        return;
    }
    QVERIFY(near(m * inv, Matrix3d()));
    QVERIFY(near(inv * m, Matrix3d()));
    QVERIFY(near(inv, inverse));
}

void TestRotations::productOrder()
{
    // this *= o must apply o first to a column vector.
    Matrix3d m;
    m.setStandardRotation(6);
    Matrix3d mirror;
    mirror.setStandardRotation(11);
    m *= mirror;
    QVERIFY_NEAR(m * Vector3d(1, 2, 3), Vector3d(-2, -1, 3));
}

void TestRotations::standardRotation_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<Vector3d>("image");
    const double x = 1, y = 2, z = 3;
    QTest::newRow("0") << 0 << Vector3d(x, y, z);
    QTest::newRow("1 -90 X") << 1 << Vector3d(x, z, -y);
    QTest::newRow("2 -90 Y") << 2 << Vector3d(-z, y, x);
    QTest::newRow("3 -90 Z") << 3 << Vector3d(y, -x, z);
    QTest::newRow("4 +90 X") << 4 << Vector3d(x, -z, y);
    QTest::newRow("5 +90 Y") << 5 << Vector3d(z, y, -x);
    QTest::newRow("6 +90 Z") << 6 << Vector3d(-y, x, z);
    QTest::newRow("7 180 X") << 7 << Vector3d(x, -y, -z);
    QTest::newRow("8 180 Y") << 8 << Vector3d(-x, y, -z);
    QTest::newRow("9 180 Z") << 9 << Vector3d(-x, -y, z);
    QTest::newRow("10") << 10 << Vector3d(x, y, z);
    QTest::newRow("11 mirror X") << 11 << Vector3d(-x, y, z);
    QTest::newRow("12 mirror Y") << 12 << Vector3d(x, -y, z);
    QTest::newRow("13 mirror Z") << 13 << Vector3d(x, y, -z);
    QTest::newRow("14") << 14 << Vector3d(x, y, z);
    QTest::newRow("-1") << -1 << Vector3d(x, y, z);
}

void TestRotations::standardRotation()
{
    QFETCH(int, code);
    QFETCH(Vector3d, image);
    Matrix3d m(5, 6, 7, 8, 9, 10, 11, 12, 13);
    m.setStandardRotation(code);
    QVERIFY_NEAR(m * Vector3d(1, 2, 3), image);
}

void TestRotations::axisRotationMatchesQuaternion_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<Vector3d>("axis");
    QTest::addColumn<int>("standardCode");
    QTest::newRow("+90 X") << M_PI / 2 << Vector3d(3, 0, 0) << 4;
    QTest::newRow("-90 Y") << -M_PI / 2 << Vector3d(0, 1, 0) << 2;
    QTest::newRow("+90 Z") << M_PI / 2 << Vector3d(0, 0, 0.5) << 6;
    QTest::newRow("180 Y") << M_PI << Vector3d(0, 2, 0) << 8;
    QTest::newRow("oblique") << 0.7 << Vector3d(1, -2, 2) << -1;
}

void TestRotations::axisRotationMatchesQuaternion()
{
    QFETCH(double, angle);
    QFETCH(Vector3d, axis);
    QFETCH(int, standardCode);
    Matrix3d m;
    m.setAxisRotation(angle, axis);
    const Quaternion q(axis.normalized(), angle);
    double a[16];
    QVERIFY(near(m, rotationPart(q.toMatrix(a))));
    const Vector3d v(0.3, -1.1, 2.5);
    QVERIFY_NEAR(m * v, q.rotate(v));
    if (standardCode >= 0) {
        Matrix3d s;
        s.setStandardRotation(standardCode);
        QVERIFY(near(m, s));
    }
}

void TestRotations::eulerRotationOrder()
{
    // Ry(90) * Rz(90) * Rx(90): X turns first, Y last.
    Matrix3d m;
    m.setEulerRotation(M_PI / 2, M_PI / 2, M_PI / 2);
    Matrix3d rx, ry, rz;
    rx.setAxisRotation(M_PI / 2, Vector3d(1, 0, 0));
    ry.setAxisRotation(M_PI / 2, Vector3d(0, 1, 0));
    rz.setAxisRotation(M_PI / 2, Vector3d(0, 0, 1));
    QVERIFY(near(m, ry * rz * rx));
    QVERIFY(!near(m, rx * rz * ry));
}

void TestRotations::quaternionFromDegrees()
{
    const Quaternion q = Quaternion::fromAngleAxisDegrees(90, 1, 0, 0);
    const double h = std::sqrt(0.5);
    QVERIFY_NEAR(q, Quaternion(h, h, 0, 0));
    double m[16];
    for (double& e : m)
        e = 42;
    QCOMPARE(q.toMatrix(m), m);
    const double expected[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        QVERIFY2(near(m[i], expected[i]), qPrintable(QString("element %1 is %2").arg(i).arg(m[i])));

    // A non-unit axis gives a non-unit quaternion and nothing corrects it.
    const Quaternion long2 = Quaternion::fromAngleAxis(M_PI / 2, 2, 0, 0);
    QVERIFY(!near(long2.squaredNorm(), 1.0));
    Matrix3d r = rotationPart(long2.toMatrix(m));
    QVERIFY(!near(r.determinant(), 1.0));
}

void TestRotations::hamiltonProductComposesRotations()
{
    const Quaternion a = Quaternion::fromAngleAxis(0.4, 1, 2, 3).normalize();
    const Quaternion b = Quaternion::fromAngleAxis(-1.3, 0, 1, -1).normalize();
    Quaternion ab(a);
    ab *= b;
    const Vector3d v(1, -2, 0.5);
    // q1 q2 rotates by q2 first, then q1.
    QVERIFY_NEAR(ab.rotate(v), a.rotate(b.rotate(v)));
    double ma[16], mb[16], mab[16];
    QVERIFY(near(rotationPart(ab.toMatrix(mab)), rotationPart(a.toMatrix(ma)) * rotationPart(b.toMatrix(mb))));

    const Quaternion z90 = Quaternion::fromAngleAxisDegrees(90, 0, 0, 1);
    QVERIFY_NEAR(z90 * z90, Quaternion::fromAngleAxisDegrees(180, 0, 0, 1));
    QVERIFY_NEAR(a * a.inverted(), Quaternion());
}

void TestRotations::quaternionGuardsZero()
{
    QCOMPARE(Quaternion(2, 4, 6, 8) / 0.0, Quaternion(1, 0, 0, 0));
    QCOMPARE(Quaternion(2, 4, 6, 8) / 2.0, Quaternion(1, 2, 3, 4));
    Quaternion zero(0, 0, 0, 0);
    QCOMPARE(zero.normalize(), Quaternion(1, 0, 0, 0));
    QCOMPARE(Quaternion(0, 0, 0, 0).inverted(), Quaternion(1, 0, 0, 0));
    QVERIFY_NEAR(Quaternion(0, 3, 0, 4).normalize(), Quaternion(0, 0.6, 0, 0.8));
}

void TestRotations::differencePicksShorter()
{
    const Quaternion a(0.9, 0.1, 0, 0);
    const Quaternion b(-0.9, -0.1, 0.1, 0);
    QVERIFY_NEAR(Quaternion::difference(a, b), Quaternion(0, 0, -0.1, 0));
    const Quaternion c(0.8, 0, 0.2, 0);
    QVERIFY_NEAR(Quaternion::difference(a, c), Quaternion(0.1, 0.1, -0.2, 0));
}

void TestRotations::toEulerRecoversAngles_data()
{
    QTest::addColumn<Vector3d>("axis");
    QTest::addColumn<Vector3d>("euler");
    QTest::newRow("roll") << Vector3d(1, 0, 0) << Vector3d(0.3, 0, 0);
    QTest::newRow("pitch") << Vector3d(0, 1, 0) << Vector3d(0, 0.3, 0);
    QTest::newRow("yaw") << Vector3d(0, 0, 1) << Vector3d(0, 0, 0.3);
}

void TestRotations::toEulerRecoversAngles()
{
    QFETCH(Vector3d, axis);
    QFETCH(Vector3d, euler);
    QVERIFY_NEAR(Quaternion(axis, 0.3).toEuler(), euler);
}

void TestRotations::saveLoadRoundTrip()
{
    Matrix3d m;
    m.setAxisRotation(0.3, Vector3d(1, 2, 3));
    m *= Matrix3d(1.5, -2, 1e-300);
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        QVERIFY(m.save(out));
    }
    QCOMPARE(bytes.size(), 4 + 4 + 9 * 8);
    QCOMPARE(bytes.left(8), QByteArray("Tran\0\0\0\1", 8));
    QDataStream in(bytes);
    Matrix3d back(0, 0, 0);
    QVERIFY(back.load(in));
    QCOMPARE(back, m);

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QDataStream failing(&readOnly);
    QVERIFY(!m.save(failing));
}

void TestRotations::loadRejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::newRow("version 1") << saved(0x5472616E, 1, 9) << true;
    QTest::newRow("version 0") << saved(0x5472616E, 0, 9) << true;
    QTest::newRow("bad magic") << saved(0x6E617254, 1, 9) << false;
    QTest::newRow("version 2") << saved(0x5472616E, 2, 9) << false;
    QTest::newRow("negative version") << saved(0x5472616E, -1, 9) << false;
    QTest::newRow("truncated") << saved(0x5472616E, 1, 8) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestRotations::loadRejects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QDataStream in(bytes);
    Matrix3d m;
    QCOMPARE(m.load(in), ok);
    if (ok)
        QCOMPARE(m, Matrix3d(1, 4, 7, 2, 5, 8, 3, 6, 9));
}

QTEST_GUILESS_MAIN(TestRotations)
#include "tst_rotations.moc"
