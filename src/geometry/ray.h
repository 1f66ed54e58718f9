#pragma once

#include "geometry/vector2d.h"

namespace VekMath {

// A half-line from point along direction (not normalised).
struct Ray
{
    Vector2d point;
    Vector2d direction;
};

} // namespace VekMath
