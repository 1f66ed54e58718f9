#include "geometry/arc.h"

#include "geometry/curves.h"
#include "geometry/intersection.h"
#include "geometry/polybezier.h"

#include <cmath>

namespace VekMath {

Arc::Arc(const Vector2d& start, const Vector2d& end, const Vector2d& centre, bool orientation)
    : Segment(ArcType, start, end), m_centre(centre), m_orientation(orientation)
{
}

Ray Arc::startTangent() const
{
    const double s = m_orientation ? -1.0 : 1.0;
    const Vector2d r = m_start - m_centre;
    return Ray{m_start, Vector2d(r.y, -r.x) * s};
}

Ray Arc::endTangent() const
{
    const double s = m_orientation ? -1.0 : 1.0;
    const Vector2d r = m_end - m_centre;
    return Ray{m_end, Vector2d(-r.y, r.x) * s};
}

double Arc::radius() const
{
    return Vector2d::distance(m_start, m_centre);
}

double Arc::startAngle() const
{
    return yDownAngle(m_centre, m_start);
}

double Arc::endAngle() const
{
    return yDownAngle(m_centre, m_end);
}

double Arc::sweep() const
{
    double s = m_orientation ? endAngle() - startAngle() : startAngle() - endAngle();
    if (s < 0.0)
        s += 2.0 * M_PI;
    return s;
}

bool Arc::containsAngle(double angle) const
{
    return angleInSweep(startAngle(), endAngle(), angle, m_orientation);
}

PolyBezier Arc::toCubics() const
{
    PolyBezier chain;
    const double total = sweep();
    const int n = int(std::ceil(total / (M_PI / 16.0)));
    if (n <= 0)
        return chain;
    const double dir = m_orientation ? 1.0 : -1.0;
    const double phi = total / n;
    const double r = radius();
    // Control points lie along the tangents at 4/3 tan(phi/4) of the radius.
    const double k = 4.0 / 3.0 * std::tan(phi / 4.0) * r;
    const double theta0 = startAngle();
    auto pointAt = [&](double theta) {
        return m_centre + Vector2d(std::cos(theta), -std::sin(theta)) * r;
    };
    // Unit direction of travel at the y-down angle theta.
    auto along = [&](double theta) { return Vector2d(-std::sin(theta), -std::cos(theta)) * dir; };
    for (int i = 0; i < n; ++i) {
        const double a0 = theta0 + dir * i * phi;
        const double a1 = theta0 + dir * (i + 1) * phi;
        const Vector2d p0 = i == 0 ? m_start : pointAt(a0);
        const Vector2d p3 = pointAt(a1);
        chain.append(Bezier(p0, p0 + along(a0) * k, p3 - along(a1) * k, p3));
    }
    return chain;
}

} // namespace VekMath
