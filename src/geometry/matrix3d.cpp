#include "geometry/matrix3d.h"

#include <QDataStream>

#include <cmath>

namespace VekMath {

Matrix3d::Matrix3d() : Matrix3d(1.0, 1.0, 1.0) {}

Matrix3d::Matrix3d(double sx, double sy, double sz)
    : Matrix3d(sx, 0.0, 0.0, 0.0, sy, 0.0, 0.0, 0.0, sz)
{
}

Matrix3d::Matrix3d(double m00, double m01, double m02,
                   double m10, double m11, double m12,
                   double m20, double m21, double m22)
    : m{m00, m10, m20, m01, m11, m21, m02, m12, m22}
{
}

void Matrix3d::setStandardRotation(int code)
{
    switch (code) {
    case 1: *this = Matrix3d(1, 0, 0, 0, 0, 1, 0, -1, 0); break;
    case 2: *this = Matrix3d(0, 0, -1, 0, 1, 0, 1, 0, 0); break;
    case 3: *this = Matrix3d(0, 1, 0, -1, 0, 0, 0, 0, 1); break;
    case 4: *this = Matrix3d(1, 0, 0, 0, 0, -1, 0, 1, 0); break;
    case 5: *this = Matrix3d(0, 0, 1, 0, 1, 0, -1, 0, 0); break;
    case 6: *this = Matrix3d(0, -1, 0, 1, 0, 0, 0, 0, 1); break;
    case 7: *this = Matrix3d(1, -1, -1); break;
    case 8: *this = Matrix3d(-1, 1, -1); break;
    case 9: *this = Matrix3d(-1, -1, 1); break;
    case 11: *this = Matrix3d(-1, 1, 1); break;
    case 12: *this = Matrix3d(1, -1, 1); break;
    case 13: *this = Matrix3d(1, 1, -1); break;
    default: *this = Matrix3d(); break;
    }
}

void Matrix3d::setEulerRotation(double ax, double ay, double az)
{
    const double cx = std::cos(ax), sx = std::sin(ax);
    const double cy = std::cos(ay), sy = std::sin(ay);
    const double cz = std::cos(az), sz = std::sin(az);
    const Matrix3d rx(1, 0, 0, 0, cx, -sx, 0, sx, cx);
    const Matrix3d ry(cy, 0, sy, 0, 1, 0, -sy, 0, cy);
    const Matrix3d rz(cz, -sz, 0, sz, cz, 0, 0, 0, 1);
    *this = ry * rz * rx;
}

void Matrix3d::setAxisRotation(double angle, const Vector3d& axis)
{
    const Vector3d n = axis.normalized();
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    setOuterProduct(n);
    *this *= 1.0 - c;
    *this += Matrix3d(c, c, c);
    *this += Matrix3d(0, -n.z * s, n.y * s,
                      n.z * s, 0, -n.x * s,
                      -n.y * s, n.x * s, 0);
}

void Matrix3d::setOuterProduct(const Vector3d& v)
{
    const double e[3] = {v.x, v.y, v.z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            (*this)(r, c) = e[r] * e[c];
}

Matrix3d& Matrix3d::operator*=(const Matrix3d& o)
{
    Matrix3d p;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p(r, c) = (*this)(r, 0) * o(0, c) + (*this)(r, 1) * o(1, c) + (*this)(r, 2) * o(2, c);
    *this = p;
    return *this;
}

Matrix3d& Matrix3d::operator*=(double s)
{
    for (double& e : m)
        e *= s;
    return *this;
}

Matrix3d& Matrix3d::operator+=(const Matrix3d& o)
{
    for (int i = 0; i < 9; ++i)
        m[i] += o.m[i];
    return *this;
}

Matrix3d& Matrix3d::operator-=(const Matrix3d& o)
{
    for (int i = 0; i < 9; ++i)
        m[i] -= o.m[i];
    return *this;
}

bool Matrix3d::operator==(const Matrix3d& o) const
{
    for (int i = 0; i < 9; ++i)
        if (m[i] != o.m[i])
            return false;
    return true;
}

double Matrix3d::determinant() const
{
    const Matrix3d& a = *this;
    return a(0, 0) * (a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1))
         - a(0, 1) * (a(1, 0) * a(2, 2) - a(1, 2) * a(2, 0))
         + a(0, 2) * (a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0));
}

Matrix3d Matrix3d::inverted() const
{
    const double det = determinant();
    if (det == 0.0)
        return Matrix3d();
    const Matrix3d& a = *this;
    Matrix3d inv;
    // inv(r, c) is the cofactor of a(c, r) over det; the cyclic index order
    // carries the cofactor's sign.
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3;
            const int c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inv(r, c) = (a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1)) / det;
        }
    }
    return inv;
}

bool Matrix3d::save(QDataStream& out) const
{
    out << qint32(Magic) << qint32(Version);
    for (double e : m)
        out << e;
    return out.status() == QDataStream::Ok;
}

bool Matrix3d::load(QDataStream& in)
{
    qint32 magic = 0;
    qint32 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != Magic || quint32(version) > quint32(Version))
        return false;
    double e[9];
    for (double& v : e)
        in >> v;
    if (in.status() != QDataStream::Ok)
        return false;
    for (int i = 0; i < 9; ++i)
        m[i] = e[i];
    return true;
}

Vector3d operator*(const Matrix3d& m, const Vector3d& v)
{
    return Vector3d(m(0, 0) * v.x + m(0, 1) * v.y + m(0, 2) * v.z,
                    m(1, 0) * v.x + m(1, 1) * v.y + m(1, 2) * v.z,
                    m(2, 0) * v.x + m(2, 1) * v.y + m(2, 2) * v.z);
}

Matrix3d operator*(const Matrix3d& a, const Matrix3d& b)
{
    Matrix3d p(a);
    p *= b;
    return p;
}

} // namespace VekMath
