#include "geometry/plane.h"

#include "geometry/line3d.h"

#include <cmath>

namespace VekMath {

Plane::Plane(const Vector3d& p1, const Vector3d& p2, const Vector3d& p3)
{
    const Vector3d n = Vector3d::cross(Vector3d(p1, p2), Vector3d(p1, p3)).normalized();
    a = n.x;
    b = n.y;
    c = n.z;
    d = -n.dot(p1);
}

Plane::Plane(const Vector3d& normal, double d) : d(d)
{
    const Vector3d n = normal.normalized();
    a = n.x;
    b = n.y;
    c = n.z;
}

double Plane::value(const Vector3d& p) const
{
    return a * p.x + b * p.y + c * p.z + d;
}

double Plane::zAt(double x, double y) const
{
    return -(a * x + b * y + d) / c;
}

double Plane::xAt(double y, double z) const
{
    return -(b * y + c * z + d) / a;
}

double Plane::yAt(double x, double z) const
{
    return -(a * x + c * z + d) / b;
}

bool Plane::contains(const Vector3d& p) const
{
    return std::fabs(value(p)) < 1e-11;
}

bool Plane::intersect(const Line3d& line, Vector3d* out) const
{
    const double s0 = value(line.start);
    const double s1 = value(line.end());
    if ((s0 < 0.0 && s1 < 0.0) || (s0 > 0.0 && s1 > 0.0))
        return false;
    if (!out)
        return true;
    const Vector3d u = line.direction.normalized();
    const double k = normal().dot(u);
    *out = k != 0.0 ? line.start + u * (-s0 / k) : line.start;
    return true;
}

} // namespace VekMath
