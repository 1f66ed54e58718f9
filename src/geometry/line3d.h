#pragma once

#include "geometry/vector3d.h"

namespace VekMath {

// Segment from start to start + direction (direction is not a unit vector).
class Line3d
{
public:
    Vector3d start;
    Vector3d direction;

    Line3d() = default;
    Line3d(const Vector3d& start, const Vector3d& direction) : start(start), direction(direction) {}

    Vector3d end() const { return start + direction; }
    double length() const { return direction.length(); }
    // The point of the segment nearest to p.
    Vector3d closestPoint(const Vector3d& p) const;

    // Shortest segment from a point of a to a point of b.
    static Line3d shortestConnection(const Line3d& a, const Line3d& b);
};

} // namespace VekMath
