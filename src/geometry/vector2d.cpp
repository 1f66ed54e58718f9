#include "geometry/vector2d.h"

#include <cmath>

namespace VekMath {

Vector2d& Vector2d::operator+=(const Vector2d& o)
{
    x += o.x;
    y += o.y;
    return *this;
}

Vector2d& Vector2d::operator-=(const Vector2d& o)
{
    x -= o.x;
    y -= o.y;
    return *this;
}

Vector2d& Vector2d::operator*=(double s)
{
    x *= s;
    y *= s;
    return *this;
}

double Vector2d::length() const
{
    return std::sqrt(x * x + y * y);
}

double Vector2d::squaredLength() const
{
    return x * x + y * y;
}

double Vector2d::dot(const Vector2d& o) const
{
    return x * o.x + y * o.y;
}

Vector2d& Vector2d::normalize()
{
    const double len = length();
    if (len != 0.0) {
        x /= len;
        y /= len;
    }
    return *this;
}

Vector2d Vector2d::normalized() const
{
    Vector2d v(*this);
    return v.normalize();
}

double Vector2d::distance(const Vector2d& a, const Vector2d& b)
{
    return Vector2d(a, b).length();
}

double Vector2d::squaredDistance(const Vector2d& a, const Vector2d& b)
{
    return Vector2d(a, b).squaredLength();
}

Vector2d operator+(const Vector2d& a, const Vector2d& b)
{
    return Vector2d(a.x + b.x, a.y + b.y);
}

Vector2d operator-(const Vector2d& a, const Vector2d& b)
{
    return Vector2d(a.x - b.x, a.y - b.y);
}

Vector2d operator-(const Vector2d& v)
{
    return Vector2d(-v.x, -v.y);
}

Vector2d operator*(const Vector2d& v, double s)
{
    return Vector2d(v.x * s, v.y * s);
}

Vector2d operator*(double s, const Vector2d& v)
{
    return v * s;
}

bool operator==(const Vector2d& a, const Vector2d& b)
{
    return a.x == b.x && a.y == b.y;
}

bool operator!=(const Vector2d& a, const Vector2d& b)
{
    return !(a == b);
}

} // namespace VekMath
