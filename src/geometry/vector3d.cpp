#include "geometry/vector3d.h"

#include "geometry/quaternion.h"

#include <algorithm>
#include <cmath>

namespace VekMath {

Vector3d& Vector3d::operator+=(const Vector3d& o)
{
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
}

Vector3d& Vector3d::operator-=(const Vector3d& o)
{
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
}

Vector3d& Vector3d::operator*=(double s)
{
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

double Vector3d::length() const
{
    return std::sqrt(squaredLength());
}

double Vector3d::squaredLength() const
{
    return x * x + y * y + z * z;
}

double Vector3d::dot(const Vector3d& o) const
{
    return x * o.x + y * o.y + z * o.z;
}

double Vector3d::dot(const Vector3d& a, const Vector3d& b)
{
    return a.dot(b);
}

Vector3d& Vector3d::normalize()
{
    const double len = length();
    if (len != 0.0) {
        x /= len;
        y /= len;
        z /= len;
    }
    return *this;
}

Vector3d Vector3d::normalized() const
{
    Vector3d v(*this);
    return v.normalize();
}

Vector3d Vector3d::cross(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

double Vector3d::distance(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a, b).length();
}

double Vector3d::squaredDistance(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a, b).squaredLength();
}

double Vector3d::distanceXY(const Vector3d& a, const Vector3d& b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

Quaternion Vector3d::rotationTo(const Vector3d& a, const Vector3d& b)
{
    if (a == b)
        return Quaternion();
    const Vector3d na = a.normalized();
    const Vector3d nb = b.normalized();
    // Rounding can push the dot product of unit vectors just outside [-1, 1],
    // where acos gives NaN.
    const double cosAngle = std::clamp(na.dot(nb), -1.0, 1.0);
    Vector3d axis = cross(a, b);
    if (cosAngle < 0.0 && axis.length() <= 1e-12 * a.length() * b.length()) {
        // Opposite directions give no usable cross product: any axis
        // perpendicular to a serves for the half-turn; cross a with the unit
        // axis it is least aligned with.
        const double ax = std::fabs(na.x), ay = std::fabs(na.y), az = std::fabs(na.z);
        Vector3d helper(1.0, 0.0, 0.0);
        if (ay <= ax && ay <= az)
            helper = Vector3d(0.0, 1.0, 0.0);
        else if (az <= ax && az <= ay)
            helper = Vector3d(0.0, 0.0, 1.0);
        axis = cross(na, helper);
    }
    axis.normalize();
    return Quaternion(axis, std::acos(cosAngle));
}

Vector3d operator+(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a.x + b.x, a.y + b.y, a.z + b.z);
}

Vector3d operator-(const Vector3d& a, const Vector3d& b)
{
    return Vector3d(a.x - b.x, a.y - b.y, a.z - b.z);
}

Vector3d operator-(const Vector3d& v)
{
    return Vector3d(-v.x, -v.y, -v.z);
}

Vector3d operator*(const Vector3d& v, double s)
{
    return Vector3d(v.x * s, v.y * s, v.z * s);
}

Vector3d operator*(double s, const Vector3d& v)
{
    return v * s;
}

bool operator==(const Vector3d& a, const Vector3d& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool operator!=(const Vector3d& a, const Vector3d& b)
{
    return !(a == b);
}

} // namespace VekMath
