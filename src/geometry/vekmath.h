#pragma once

#include "geometry/vector2d.h"
#include "geometry/vector3d.h"

namespace VekMath {

double distance(const Vector2d& a, const Vector2d& b);
double squaredDistance(const Vector2d& a, const Vector2d& b);

// Angle of v in [0, 2*pi), measured so that (0, 1) gives 3*pi/2; 0 for a zero vector.
double angleOf(const Vector2d& v);
// angleOf of the vector from a to b.
double angleOf(const Vector2d& a, const Vector2d& b);

Vector2d midpoint(const Vector2d& a, const Vector2d& b);
Vector3d midpoint(const Vector3d& a, const Vector3d& b);

} // namespace VekMath
