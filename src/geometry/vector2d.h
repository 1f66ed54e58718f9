#pragma once

namespace VekMath {

// 2-D point or vector of doubles.
class Vector2d
{
public:
    double x = 0.0;
    double y = 0.0;

    Vector2d() = default;
    Vector2d(double x, double y) : x(x), y(y) {}
    // The vector from a to b.
    Vector2d(const Vector2d& a, const Vector2d& b) : x(b.x - a.x), y(b.y - a.y) {}
    // p moved by (dx, dy).
    Vector2d(const Vector2d& p, double dx, double dy) : x(p.x + dx), y(p.y + dy) {}

    Vector2d& operator+=(const Vector2d& o);
    Vector2d& operator-=(const Vector2d& o);
    Vector2d& operator*=(double s);

    double length() const;
    double squaredLength() const;
    double dot(const Vector2d& o) const;
    // Divides by the length in place; a zero vector stays zero.
    Vector2d& normalize();
    Vector2d normalized() const;

    static double distance(const Vector2d& a, const Vector2d& b);
    static double squaredDistance(const Vector2d& a, const Vector2d& b);
};

Vector2d operator+(const Vector2d& a, const Vector2d& b);
Vector2d operator-(const Vector2d& a, const Vector2d& b);
Vector2d operator-(const Vector2d& v);
Vector2d operator*(const Vector2d& v, double s);
Vector2d operator*(double s, const Vector2d& v);
bool operator==(const Vector2d& a, const Vector2d& b);
bool operator!=(const Vector2d& a, const Vector2d& b);

} // namespace VekMath
