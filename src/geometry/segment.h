#pragma once

#include "geometry/ray.h"
#include "geometry/vector2d.h"

namespace VekMath {

// A 2-D path piece. The type code lets the intersection routines pick the
// pairwise routine without trying casts.
class Segment
{
public:
    enum Type { LineType = 1, ArcType = 2, BezierType = 3, PolyBezierType = 4 };

    virtual ~Segment();

    virtual Vector2d start() const { return m_start; }
    virtual Vector2d end() const { return m_end; }
    virtual void setStart(const Vector2d& p) { m_start = p; }
    virtual void setEnd(const Vector2d& p) { m_end = p; }
    // Both rays point away from the piece: backwards out of the start,
    // forwards out of the end.
    virtual Ray startTangent() const = 0;
    virtual Ray endTangent() const = 0;

    int type() const { return m_type; }

protected:
    Segment(int type, const Vector2d& start, const Vector2d& end);
    Segment(const Segment&) = default;
    Segment& operator=(const Segment&) = default;

    Vector2d m_start;
    Vector2d m_end;
    int m_type;
};

} // namespace VekMath
