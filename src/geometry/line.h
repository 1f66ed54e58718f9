#pragma once

#include "geometry/segment.h"

namespace VekMath {

// Straight piece from start to end.
class Line : public Segment
{
public:
    Line() : Line(Vector2d(), Vector2d()) {}
    Line(const Vector2d& start, const Vector2d& end);

    Ray startTangent() const override;
    Ray endTangent() const override;
};

} // namespace VekMath
