#pragma once

#include "geometry/vector3d.h"

namespace VekMath {

class Line3d;

// The points with a*x + b*y + c*z + d = 0.
class Plane
{
public:
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    double d = 0.0;

    Plane() = default;
    // Through three points; degenerate points give the normal (0, 0, 0), d = 0.
    Plane(const Vector3d& p1, const Vector3d& p2, const Vector3d& p3);
    // The normal is normalised, d is kept.
    Plane(const Vector3d& normal, double d);

    Vector3d normal() const { return Vector3d(a, b, c); }
    // a*x + b*y + c*z + d at p.
    double value(const Vector3d& p) const;

    // Coordinates on the plane; unguarded against a zero divisor.
    double zAt(double x, double y) const;
    double xAt(double y, double z) const;
    double yAt(double x, double z) const;

    bool contains(const Vector3d& p) const;
    // Where the segment meets the plane; false when it lies wholly on one
    // side. out may be null.
    bool intersect(const Line3d& line, Vector3d* out) const;
};

} // namespace VekMath
