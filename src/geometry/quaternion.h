#pragma once

#include "geometry/vector3d.h"

#include <QMetaType>

namespace VekMath {

// Rotation quaternion (w, x, y, z); nothing keeps it at unit length.
class Quaternion
{
public:
    double w = 1.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    // Identity.
    Quaternion() = default;
    Quaternion(double w, double x, double y, double z) : w(w), x(x), y(y), z(z) {}
    // Rotation by angle (radians) about axis; the axis is not normalised.
    Quaternion(const Vector3d& axis, double angle);

    static Quaternion fromAngleAxis(double angle, double x, double y, double z);
    static Quaternion fromAngleAxisDegrees(double angleDegrees, double x, double y, double z);

    // Hamilton product, this on the left.
    Quaternion& operator*=(const Quaternion& o);
    Quaternion& operator+=(const Quaternion& o);
    Quaternion& operator-=(const Quaternion& o);

    double squaredNorm() const;
    // Unit length in place; a zero quaternion becomes the identity.
    Quaternion& normalize();
    Quaternion inverted() const;
    Vector3d vector() const { return Vector3d(x, y, z); }
    Vector3d rotate(const Vector3d& v) const;
    // (roll about X, pitch about Y, yaw about Z) in radians.
    Vector3d toEuler() const;
    // Rotation matrix written row by row into elements 0-2, 4-6, 8-10 of a
    // 4x4 array; returns m.
    double* toMatrix(double m[16]) const;

    // a - b or (-a) - b, whichever is shorter.
    static Quaternion difference(const Quaternion& a, const Quaternion& b);
};

Quaternion operator*(const Quaternion& a, const Quaternion& b);
Quaternion operator+(const Quaternion& a, const Quaternion& b);
Quaternion operator-(const Quaternion& a, const Quaternion& b);
Quaternion operator-(const Quaternion& q);
// Division by exactly 0 gives the identity.
Quaternion operator/(const Quaternion& q, double s);
bool operator==(const Quaternion& a, const Quaternion& b);
bool operator!=(const Quaternion& a, const Quaternion& b);

} // namespace VekMath

Q_DECLARE_METATYPE(VekMath::Quaternion)
