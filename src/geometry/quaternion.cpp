#include "geometry/quaternion.h"

#include <cmath>

namespace VekMath {

Quaternion::Quaternion(const Vector3d& axis, double angle)
{
    const double s = std::sin(angle / 2.0);
    w = std::cos(angle / 2.0);
    x = axis.x * s;
    y = axis.y * s;
    z = axis.z * s;
}

Quaternion Quaternion::fromAngleAxis(double angle, double x, double y, double z)
{
    return Quaternion(Vector3d(x, y, z), angle);
}

Quaternion Quaternion::fromAngleAxisDegrees(double angleDegrees, double x, double y, double z)
{
    return fromAngleAxis(angleDegrees * M_PI / 180.0, x, y, z);
}

Quaternion& Quaternion::operator*=(const Quaternion& o)
{
    const double nw = w * o.w - x * o.x - y * o.y - z * o.z;
    const double nx = w * o.x + x * o.w + y * o.z - z * o.y;
    const double ny = w * o.y - x * o.z + y * o.w + z * o.x;
    const double nz = w * o.z + x * o.y - y * o.x + z * o.w;
    w = nw;
    x = nx;
    y = ny;
    z = nz;
    return *this;
}

Quaternion& Quaternion::operator+=(const Quaternion& o)
{
    w += o.w;
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
}

Quaternion& Quaternion::operator-=(const Quaternion& o)
{
    w -= o.w;
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
}

double Quaternion::squaredNorm() const
{
    return w * w + x * x + y * y + z * z;
}

Quaternion& Quaternion::normalize()
{
    *this = *this / std::sqrt(squaredNorm());
    return *this;
}

Quaternion Quaternion::inverted() const
{
    return Quaternion(w, -x, -y, -z) / squaredNorm();
}

Vector3d Quaternion::rotate(const Vector3d& v) const
{
    const Quaternion r = *this * Quaternion(0.0, v.x, v.y, v.z) * Quaternion(w, -x, -y, -z);
    return r.vector();
}

Vector3d Quaternion::toEuler() const
{
    return Vector3d(std::atan2(2.0 * (w * x + y * z), 1.0 - 2.0 * (x * x + y * y)),
                    std::asin(2.0 * (w * y - z * x)),
                    std::atan2(2.0 * (w * z + x * y), 1.0 - 2.0 * (y * y + z * z)));
}

double* Quaternion::toMatrix(double m[16]) const
{
    m[0] = 1.0 - 2.0 * (y * y + z * z);
    m[1] = 2.0 * (x * y - z * w);
    m[2] = 2.0 * (x * z + y * w);
    m[3] = 0.0;
    m[4] = 2.0 * (x * y + z * w);
    m[5] = 1.0 - 2.0 * (x * x + z * z);
    m[6] = 2.0 * (y * z - x * w);
    m[7] = 0.0;
    m[8] = 2.0 * (x * z - y * w);
    m[9] = 2.0 * (y * z + x * w);
    m[10] = 1.0 - 2.0 * (x * x + y * y);
    m[11] = 0.0;
    m[12] = 0.0;
    m[13] = 0.0;
    m[14] = 0.0;
    m[15] = 1.0;
    return m;
}

Quaternion Quaternion::difference(const Quaternion& a, const Quaternion& b)
{
    const Quaternion d1 = a - b;
    const Quaternion d2 = -a - b;
    return d2.squaredNorm() < d1.squaredNorm() ? d2 : d1;
}

Quaternion operator*(const Quaternion& a, const Quaternion& b)
{
    Quaternion p(a);
    p *= b;
    return p;
}

Quaternion operator+(const Quaternion& a, const Quaternion& b)
{
    Quaternion s(a);
    s += b;
    return s;
}

Quaternion operator-(const Quaternion& a, const Quaternion& b)
{
    Quaternion s(a);
    s -= b;
    return s;
}

Quaternion operator-(const Quaternion& q)
{
    return Quaternion(-q.w, -q.x, -q.y, -q.z);
}

Quaternion operator/(const Quaternion& q, double s)
{
    if (s == 0.0)
        return Quaternion();
    return Quaternion(q.w / s, q.x / s, q.y / s, q.z / s);
}

bool operator==(const Quaternion& a, const Quaternion& b)
{
    return a.w == b.w && a.x == b.x && a.y == b.y && a.z == b.z;
}

bool operator!=(const Quaternion& a, const Quaternion& b)
{
    return !(a == b);
}

} // namespace VekMath
