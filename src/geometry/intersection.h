#pragma once

#include "geometry/ray.h"
#include "geometry/segment.h"

#include <memory>
#include <vector>

namespace VekMath {

class Arc;
class Bezier;
class Line;
class PolyBezier;

// Where two rays meet at non-negative parameters; x and y may be null.
bool rayIntersection(const Ray& a, const Ray& b, double* x, double* y);

// Whether angle lies on the arc from start to end (y-down angles, any
// range): towards decreasing angles, or increasing ones when reversed.
bool angleInSweep(double start, double end, double angle, bool reversed);

// One meeting point of two pieces, at most. out may be null; it is written
// only when the answer is true. Chains record which piece met in their hit
// index.
bool intersect(const Segment& a, const Segment& b, Vector2d* out);

bool intersect(const Line& a, const Line& b, Vector2d* out);
bool intersect(const Line& a, const Arc& b, Vector2d* out);
bool intersect(const Arc& a, const Line& b, Vector2d* out);
bool intersect(const Line& a, const Bezier& b, Vector2d* out);
bool intersect(const Bezier& a, const Line& b, Vector2d* out);
bool intersect(const Line& a, const PolyBezier& b, Vector2d* out);
bool intersect(const PolyBezier& a, const Line& b, Vector2d* out);
bool intersect(const Arc& a, const Arc& b, Vector2d* out);
bool intersect(const Arc& a, const Bezier& b, Vector2d* out);
bool intersect(const Bezier& a, const Arc& b, Vector2d* out);
bool intersect(const Arc& a, const PolyBezier& b, Vector2d* out);
bool intersect(const PolyBezier& a, const Arc& b, Vector2d* out);
bool intersect(const Bezier& a, const Bezier& b, Vector2d* out);
bool intersect(const Bezier& a, const PolyBezier& b, Vector2d* out);
bool intersect(const PolyBezier& a, const Bezier& b, Vector2d* out);
bool intersect(const PolyBezier& a, const PolyBezier& b, Vector2d* out);

// New pieces leading from a.end() to b.start(): kind 0 miter, 1 straight,
// 2 arc; other kinds, or a corner that cannot be built, give an empty list.
std::vector<std::unique_ptr<Segment>> joinCorner(const Segment& a, const Segment& b, int kind);

} // namespace VekMath
