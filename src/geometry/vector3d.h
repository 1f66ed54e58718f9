#pragma once

#include "geometry/vector2d.h"

namespace VekMath {

class Quaternion;

// 3-D point or vector of doubles.
class Vector3d
{
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vector3d() = default;
    Vector3d(double x, double y, double z) : x(x), y(y), z(z) {}
    Vector3d(const Vector3d& o) = default;
    Vector3d& operator=(const Vector3d& o) = default;
    // The vector from a to b.
    Vector3d(const Vector3d& a, const Vector3d& b) : x(b.x - a.x), y(b.y - a.y), z(b.z - a.z) {}
    Vector3d(const Vector2d& p, double z) : x(p.x), y(p.y), z(z) {}
    explicit Vector3d(const Vector2d& p) : x(p.x), y(p.y), z(0.0) {}

    Vector3d& operator+=(const Vector3d& o);
    Vector3d& operator-=(const Vector3d& o);
    Vector3d& operator*=(double s);

    double length() const;
    double squaredLength() const;
    double dot(const Vector3d& o) const;
    // Divides by the length in place; a zero vector stays zero.
    Vector3d& normalize();
    Vector3d normalized() const;
    Vector2d xy() const { return Vector2d(x, y); }

    static double dot(const Vector3d& a, const Vector3d& b);
    static Vector3d cross(const Vector3d& a, const Vector3d& b);
    static double distance(const Vector3d& a, const Vector3d& b);
    static double squaredDistance(const Vector3d& a, const Vector3d& b);
    // Distance over x and y only.
    static double distanceXY(const Vector3d& a, const Vector3d& b);
    // Rotation that turns direction a into direction b.
    static Quaternion rotationTo(const Vector3d& a, const Vector3d& b);
};

Vector3d operator+(const Vector3d& a, const Vector3d& b);
Vector3d operator-(const Vector3d& a, const Vector3d& b);
Vector3d operator-(const Vector3d& v);
Vector3d operator*(const Vector3d& v, double s);
Vector3d operator*(double s, const Vector3d& v);
bool operator==(const Vector3d& a, const Vector3d& b);
bool operator!=(const Vector3d& a, const Vector3d& b);

} // namespace VekMath
