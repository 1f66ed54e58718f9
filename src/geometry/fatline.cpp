#include "geometry/fatline.h"

#include "geometry/bezier.h"
#include "geometry/line.h"

#include <algorithm>
#include <cmath>

namespace VekMath {

FatLine::FatLine(const Bezier& curve)
{
    setChord(curve.start(), curve.end(), curve.control1(), curve.control2());
    const double d1 = distance(curve.control1());
    const double d2 = distance(curve.control2());
    const double factor = d1 * d2 > 0.0 ? 3.0 / 4.0 : 4.0 / 9.0;
    m_dmin = factor * std::min({d1, d2, -0.25});
    m_dmax = factor * std::max({d1, d2, 0.25});
}

FatLine::FatLine(const Line& line)
{
    setChord(line.start(), line.end(), line.end(), line.end());
}

void FatLine::setChord(const Vector2d& p0, const Vector2d& p3, const Vector2d& fallback1,
                       const Vector2d& fallback2)
{
    // A closed piece has no chord; any line through its shared end point
    // still bounds it, so lean on a control point instead.
    Vector2d dir = p3 - p0;
    if (dir.length() == 0.0)
        dir = fallback1 - p0;
    if (dir.length() == 0.0)
        dir = fallback2 - p0;
    if (dir.length() == 0.0)
        dir = Vector2d(1.0, 0.0);
    const double len = dir.length();
    const double alpha = std::atan2(dir.y, dir.x);
    m_nx = std::fabs(dir.y) / len;
    m_ny = std::fabs(dir.x) / len;
    if (alpha < -M_PI / 2 || alpha > M_PI / 2)
        m_nx = -m_nx;
    if (alpha > 0.0)
        m_ny = -m_ny;
    m_c = -(m_nx * p0.x + m_ny * p0.y);
}

bool FatLine::clipInterval(const Bezier& q, double* tmin, double* tmax) const
{
    const double d[4] = {distance(q.start()), distance(q.control1()), distance(q.control2()), distance(q.end())};
    const double x[4] = {0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0};
    // The graph (t, distance) lies in the convex hull of the four points
    // (i/3, d[i]); its part inside the band spans from the leftmost to the
    // rightmost of the points inside the band and the crossings of the band's
    // edges with the segments joining any two points.
    double lo = 2.0;
    double hi = -1.0;
    auto take = [&](double t) {
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    };
    for (int i = 0; i < 4; ++i) {
        if (d[i] >= m_dmin && d[i] <= m_dmax)
            take(x[i]);
        for (int j = i + 1; j < 4; ++j) {
            for (double level : {m_dmin, m_dmax}) {
                if ((d[i] - level) * (d[j] - level) < 0.0)
                    take(x[i] + (level - d[i]) / (d[j] - d[i]) * (x[j] - x[i]));
            }
        }
    }
    if (lo > hi)
        return false;
    *tmin = lo;
    *tmax = hi;
    return true;
}

} // namespace VekMath
