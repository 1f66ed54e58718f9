#include "geomcompare.h"

#include "geometry/matrix3d.h"

#include <QBuffer>
#include <QDataStream>
#include <QtTest>

using namespace VekMath;

Q_DECLARE_METATYPE(VekMath::Vector3d)
Q_DECLARE_METATYPE(VekMath::Matrix3d)

namespace {

bool near(const Matrix3d& a, const Matrix3d& b)
{
    for (int i = 0; i < 9; ++i)
        if (!::near(a.m[i], b.m[i]))
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
    void inverse_data()
    {
        QTest::addColumn<Matrix3d>("m");
        QTest::addColumn<Matrix3d>("inverse");
        QTest::newRow("diagonal") << Matrix3d(2, 4, 8) << Matrix3d(0.5, 0.25, 0.125);
        QTest::newRow("zero gives identity") << Matrix3d(0, 0, 0) << Matrix3d();
        QTest::newRow("singular gives identity") << Matrix3d(1, 2, 3, 2, 4, 6, 0, 1, 1) << Matrix3d();
        QTest::newRow("general") << Matrix3d(2, 0, 1, 1, 3, 2, 1, 1, 2)
                                 << Matrix3d(4 / 6.0, 1 / 6.0, -3 / 6.0, 0, 3 / 6.0, -3 / 6.0, -2 / 6.0, -2 / 6.0, 1);
    }

    void inverse()
    {
        QFETCH(Matrix3d, m);
        QFETCH(Matrix3d, inverse);
        const Matrix3d inv = m.inverted();
        QVERIFY(near(inv, inverse));
        if (m.determinant() != 0.0)
            QVERIFY(near(m * inv, Matrix3d()) && near(inv * m, Matrix3d()));
    }

    void productAppliesTheRightFactorFirst()
    {
        Matrix3d m;
        m.setStandardRotation(6);
        Matrix3d mirror;
        mirror.setStandardRotation(11);
        m *= mirror;
        QVERIFY_NEAR(m * Vector3d(1, 2, 3), Vector3d(-2, -1, 3));
    }

    void standardRotation_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<Vector3d>("image");
        // Image of (1, 2, 3): identity, -90 about X, Y, Z, +90 about X, Y, Z,
        // half-turns about X, Y, Z, identity, mirrors in X, Y, Z, identity.
        const Vector3d images[] = {{1, 2, 3},  {1, 3, -2},  {-3, 2, 1},  {2, -1, 3}, {1, -3, 2},
                                   {3, 2, -1}, {-2, 1, 3},  {1, -2, -3}, {-1, 2, -3}, {-1, -2, 3},
                                   {1, 2, 3},  {-1, 2, 3},  {1, -2, 3},  {1, 2, -3}, {1, 2, 3}};
        for (int code = -1; code <= 14; ++code)
            QTest::newRow(qPrintable(QString::number(code))) << code << images[code < 0 ? 14 : code];
    }

    void standardRotation()
    {
        QFETCH(int, code);
        QFETCH(Vector3d, image);
        Matrix3d m(5, 6, 7, 8, 9, 10, 11, 12, 13);
        m.setStandardRotation(code);
        QVERIFY_NEAR(m * Vector3d(1, 2, 3), image);
    }

    void axisRotationMatchesQuaternion_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<Vector3d>("axis");
        QTest::addColumn<int>("standardCode");
        QTest::newRow("+90 X") << M_PI / 2 << Vector3d(3, 0, 0) << 4;
        QTest::newRow("-90 Y") << -M_PI / 2 << Vector3d(0, 1, 0) << 2;
        QTest::newRow("180 Y") << M_PI << Vector3d(0, 2, 0) << 8;
        QTest::newRow("oblique") << 0.7 << Vector3d(1, -2, 2) << -1;
    }

    void axisRotationMatchesQuaternion()
    {
        QFETCH(double, angle);
        QFETCH(Vector3d, axis);
        QFETCH(int, standardCode);
        Matrix3d m;
        m.setAxisRotation(angle, axis);
        const Quaternion q(axis.normalized(), angle);
        double a[16];
        QVERIFY(near(m, rotationPart(q.toMatrix(a))));
        QVERIFY_NEAR(m * Vector3d(0.3, -1.1, 2.5), q.rotate(Vector3d(0.3, -1.1, 2.5)));
        Matrix3d s;
        if (standardCode >= 0)
            s.setStandardRotation(standardCode);
        QCOMPARE(near(m, s), standardCode >= 0);
    }

    void eulerRotationTurnsXFirstAndYLast()
    {
        Matrix3d m;
        m.setEulerRotation(M_PI / 2, M_PI / 2, M_PI / 2);
        Matrix3d rx, ry, rz;
        rx.setAxisRotation(M_PI / 2, Vector3d(1, 0, 0));
        ry.setAxisRotation(M_PI / 2, Vector3d(0, 1, 0));
        rz.setAxisRotation(M_PI / 2, Vector3d(0, 0, 1));
        QVERIFY(near(m, ry * rz * rx));
        QVERIFY(!near(m, rx * rz * ry));
    }

    void quaternionProductComposesRotations()
    {
        const double h = std::sqrt(0.5);
        QVERIFY_NEAR(Quaternion::fromAngleAxisDegrees(90, 1, 0, 0), Quaternion(h, h, 0, 0));
        double m[16];
        QVERIFY(near(rotationPart(Quaternion(h, h, 0, 0).toMatrix(m)), Matrix3d(1, 0, 0, 0, 0, -1, 0, 1, 0)));
        // Nothing brings a quaternion of a non-unit axis back to unit length.
        QVERIFY(!near(Quaternion::fromAngleAxis(M_PI / 2, 2, 0, 0).squaredNorm(), 1.0));

        const Quaternion a = Quaternion::fromAngleAxis(0.4, 1, 2, 3).normalize();
        const Quaternion b = Quaternion::fromAngleAxis(-1.3, 0, 1, -1).normalize();
        Quaternion ab(a);
        ab *= b;
        QVERIFY_NEAR(ab.rotate(Vector3d(1, -2, 0.5)), a.rotate(b.rotate(Vector3d(1, -2, 0.5))));
        const Quaternion z90 = Quaternion::fromAngleAxisDegrees(90, 0, 0, 1);
        QVERIFY_NEAR(z90 * z90, Quaternion::fromAngleAxisDegrees(180, 0, 0, 1));
        QVERIFY_NEAR(a * a.inverted(), Quaternion());
    }

    void quaternionGuardsZero()
    {
        QCOMPARE(Quaternion(2, 4, 6, 8) / 0.0, Quaternion(1, 0, 0, 0));
        Quaternion zero(0, 0, 0, 0);
        QCOMPARE(zero.normalize(), Quaternion(1, 0, 0, 0));
        QCOMPARE(Quaternion(0, 0, 0, 0).inverted(), Quaternion(1, 0, 0, 0));
    }

    void differencePicksShorter()
    {
        const Quaternion a(0.9, 0.1, 0, 0);
        QVERIFY_NEAR(Quaternion::difference(a, Quaternion(-0.9, -0.1, 0.1, 0)), Quaternion(0, 0, -0.1, 0));
        QVERIFY_NEAR(Quaternion::difference(a, Quaternion(0.8, 0, 0.2, 0)), Quaternion(0.1, 0.1, -0.2, 0));
    }

    void toEulerRecoversAngles()
    {
        QVERIFY_NEAR(Quaternion(Vector3d(1, 0, 0), 0.3).toEuler(), Vector3d(0.3, 0, 0));
        QVERIFY_NEAR(Quaternion(Vector3d(0, 1, 0), 0.3).toEuler(), Vector3d(0, 0.3, 0));
        QVERIFY_NEAR(Quaternion(Vector3d(0, 0, 1), 0.3).toEuler(), Vector3d(0, 0, 0.3));
    }

    void saveLoadRoundTrip()
    {
        Matrix3d m;
        m.setAxisRotation(0.3, Vector3d(1, 2, 3));
        m *= Matrix3d(1.5, -2, 1e-300);
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        QVERIFY(m.save(out));
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

    void loadRejects_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("version 1") << saved(0x5472616E, 1, 9) << true;
        QTest::newRow("version 0") << saved(0x5472616E, 0, 9) << true;
        QTest::newRow("bad magic") << saved(0x6E617254, 1, 9) << false;
        QTest::newRow("version 2") << saved(0x5472616E, 2, 9) << false;
        QTest::newRow("negative version") << saved(0x5472616E, -1, 9) << false;
        QTest::newRow("truncated") << saved(0x5472616E, 1, 8) << false;
    }

    void loadRejects()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QDataStream in(bytes);
        Matrix3d m;
        QCOMPARE(m.load(in), ok);
        // Nine doubles in storage order: column by column.
        if (ok)
            QCOMPARE(m, Matrix3d(1, 4, 7, 2, 5, 8, 3, 6, 9));
    }
};

QTEST_GUILESS_MAIN(TestRotations)
#include "tst_rotations.moc"
