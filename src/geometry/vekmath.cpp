#include "geometry/vekmath.h"

#include <algorithm>
#include <cmath>

namespace VekMath {

double distance(const Vector2d& a, const Vector2d& b)
{
    return Vector2d::distance(a, b);
}

double squaredDistance(const Vector2d& a, const Vector2d& b)
{
    return Vector2d::squaredDistance(a, b);
}

double angleOf(const Vector2d& v)
{
    const double len = v.length();
    if (!(len > 0.0))
        return 0.0;
    const double alpha = std::acos(std::clamp(v.x / len, -1.0, 1.0));
    return v.y <= 0.0 ? alpha : 2.0 * M_PI - alpha;
}

double angleOf(const Vector2d& a, const Vector2d& b)
{
    return angleOf(Vector2d(a, b));
}

Vector2d midpoint(const Vector2d& a, const Vector2d& b)
{
    return (a + b) * 0.5;
}

Vector3d midpoint(const Vector3d& a, const Vector3d& b)
{
    return (a + b) * 0.5;
}

} // namespace VekMath
