#pragma once

#include "geometry/vector2d.h"

namespace VekMath {

class Bezier;
class Segment;

// Centre of the circle through three points; false for collinear points,
// when a given centre is set to NaN.
bool circleCenter(const Vector2d& p1, const Vector2d& p2, const Vector2d& p3, Vector2d* centre);

// True when a ends within tol of where b starts.
bool isConnected(const Segment& a, const Segment& b, double tol);

// In-place point operations; each returns p.
Vector2d& translatePoint(Vector2d& p, double dx, double dy);
Vector2d& scalePoint(Vector2d& p, double sx, double sy);
// horizontal: y = 2c - y; otherwise x = 2c - x.
Vector2d& mirrorPoint(Vector2d& p, double c, bool horizontal);
// Turns p about centre by angle (radians), keeping its distance.
Vector2d& rotatePoint(Vector2d& p, const Vector2d& centre, double angle);

// Parameters strictly inside (1e-6, 0.999999) where the coordinate of the
// curve chosen by axis (0 = x, 1 = y) equals value, stored in the order
// found; true when any was stored. Unfilled slots are left as they were.
bool solveCubic(int axis, double value, const Bezier& curve, double roots[3]);

// The y-down angle atan2(-(p.y - centre.y), p.x - centre.x), in [0, 2*pi).
double yDownAngle(const Vector2d& centre, const Vector2d& p);

} // namespace VekMath
