#include "geometry/bezier.h"

#include "geometry/curves.h"

#include <algorithm>
#include <cmath>

namespace VekMath {

Bezier::Bezier(const Vector2d& start, const Vector2d& control1, const Vector2d& control2, const Vector2d& end)
    : Segment(BezierType, start, end), m_control1(control1), m_control2(control2)
{
}

Ray Bezier::startTangent() const
{
    return Ray{m_start, m_start - m_control1};
}

Ray Bezier::endTangent() const
{
    return Ray{m_end, m_end - m_control2};
}

Vector2d Bezier::pointAt(double t) const
{
    const double u = 1.0 - t;
    return m_start * (u * u * u) + m_control1 * (3.0 * u * u * t) + m_control2 * (3.0 * u * t * t)
         + m_end * (t * t * t);
}

void Bezier::split(Bezier& second, double t)
{
    const double u = 1.0 - t;
    const Vector2d p01 = m_start * u + m_control1 * t;
    const Vector2d p12 = m_control1 * u + m_control2 * t;
    const Vector2d p23 = m_control2 * u + m_end * t;
    const Vector2d p012 = p01 * u + p12 * t;
    const Vector2d p123 = p12 * u + p23 * t;
    const Vector2d mid = p012 * u + p123 * t;
    second = Bezier(mid, p123, p23, m_end);
    m_control1 = p01;
    m_control2 = p012;
    m_end = mid;
}

bool Bezier::splitNear(const Vector2d& p, Bezier& second, double tol)
{
    // Slots no root fills stay 0, so the start point is tried as well.
    double t[6] = {0, 0, 0, 0, 0, 0};
    if (!solveCubic(0, p.x, *this, t) && !solveCubic(1, p.y, *this, t + 3))
        return false;
    for (double candidate : t) {
        if (Vector2d::distance(pointAt(candidate), p) < tol) {
            split(second, candidate);
            return true;
        }
    }
    return false;
}

Rect2d Bezier::boundingRect() const
{
    const double px[4] = {m_start.x, m_control1.x, m_control2.x, m_end.x};
    const double py[4] = {m_start.y, m_control1.y, m_control2.y, m_end.y};
    Rect2d box(m_start, m_start);
    box |= m_end;
    for (const double* v : {px, py}) {
        // Turning points: roots of the derivative 3a t^2 + 2b t + c.
        const double a = -v[0] + 3 * v[1] - 3 * v[2] + v[3];
        const double b = 3 * v[0] - 6 * v[1] + 3 * v[2];
        const double c = -3 * v[0] + 3 * v[1];
        double roots[2];
        int n = 0;
        if (std::fabs(3 * a) > 1e-12) {
            const double disc = 4 * b * b - 12 * a * c;
            if (disc >= 0) {
                roots[n++] = (-2 * b + std::sqrt(disc)) / (6 * a);
                roots[n++] = (-2 * b - std::sqrt(disc)) / (6 * a);
            }
        } else if (std::fabs(2 * b) > 1e-12) {
            roots[n++] = -c / (2 * b);
        }
        for (int i = 0; i < n; ++i)
            if (roots[i] > 0.0 && roots[i] < 1.0)
                box |= pointAt(roots[i]);
    }
    return box;
}

} // namespace VekMath
