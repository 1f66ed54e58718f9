#include "mesh/rasterizer.h"

#include "geometry/plane.h"
#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "relief/reliefsource.h"

#include <algorithm>
#include <cmath>

using VekMath::Vector3d;

namespace {

inline double cross2(double ux, double uy, double vx, double vy)
{
    return ux * vy - uy * vx;
}

// Sine of the angle from an edge to the vector d; 0 when either is a point.
inline double sine(double ex, double ey, double el, double dx, double dy)
{
    const double dl = std::sqrt(dx * dx + dy * dy);
    if (dl == 0.0 || el == 0.0)
        return 0.0;
    return cross2(ex, ey, dx, dy) / (dl * el);
}

// The sine from an edge to the point must agree in sign with the corner's own.
inline bool sameSide(double t, double s)
{
    const double eps = 1e-12;
    return (t >= -eps && s >= -eps) || (t <= eps && s <= eps);
}

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void drawFacet(HeightGrid& grid, const Facet& f, const Vector3d& origin)
{
    const Vector3d p1 = f.corners[0] - origin;
    const Vector3d p2 = f.corners[1] - origin;
    const Vector3d p3 = f.corners[2] - origin;

    const double e1x = p2.x - p1.x, e1y = p2.y - p1.y;
    const double e2x = p3.x - p2.x, e2y = p3.y - p2.y;
    const double e3x = p1.x - p3.x, e3y = p1.y - p3.y;
    // Only facets running counter-clockwise seen from above are drawn.
    if (cross2(e1x, e1y, e2x, e2y) <= 0.0)
        return;

    const double l1 = std::sqrt(e1x * e1x + e1y * e1y);
    const double l2 = std::sqrt(e2x * e2x + e2y * e2y);
    const double l3 = std::sqrt(e3x * e3x + e3y * e3y);
    const double sA = (l1 == 0.0 || l3 == 0.0) ? 0.0 : cross2(e1x, e1y, -e3x, -e3y) / (l1 * l3);
    const double sB = (l1 == 0.0 || l2 == 0.0) ? 0.0 : cross2(e2x, e2y, -e1x, -e1y) / (l1 * l2);
    const double sC = (l2 == 0.0 || l3 == 0.0) ? 0.0 : cross2(e3x, e3y, -e2x, -e2y) / (l2 * l3);

    const VekMath::Plane plane(p1, p2, p3);
    if (plane.c < 1e-6)
        return;
    const double zTop = std::max({p1.z, p2.z, p3.z});

    const double yLo = std::floor(std::min({p1.y, p2.y, p3.y}));
    const double yHi = std::ceil(std::max({p1.y, p2.y, p3.y}));
    const double xLo = std::floor(std::min({p1.x, p2.x, p3.x}));
    const double xHi = std::ceil(std::max({p1.x, p2.x, p3.x}));
    const int y0 = int(std::max(yLo, 0.0));
    const int y1 = int(std::min(yHi, double(grid.height - 1)));
    const int x0 = int(std::max(xLo, 0.0));
    const int x1 = int(std::min(xHi, double(grid.width - 1)));

    for (int y = y0; y <= y1; ++y) {
        float* row = grid.heights + size_t(y) * size_t(grid.width);
        const double py = y;
        for (int x = x0; x <= x1; ++x) {
            const double px = x;
            const double t1 = sine(e1x, e1y, l1, px - p1.x, py - p1.y);
            const double t2 = sine(e2x, e2y, l2, px - p2.x, py - p2.y);
            const double t3 = sine(e3x, e3y, l3, px - p3.x, py - p3.y);
            if (!sameSide(t1, sA) || !sameSide(t2, sB) || !sameSide(t3, sC))
                continue;
            const float z = float(std::min(zTop, plane.zAt(px, py)));
            if (z > row[x])
                row[x] = z;
        }
    }
}

} // namespace

void rasterizeFacetShape(HeightGrid& grid, const FacetShape& shape)
{
    grid.release();
    const Vector3d& lo = shape.boundsMin();
    const Vector3d& hi = shape.boundsMax();
    const double w = std::ceil(hi.x - lo.x);
    const double h = std::ceil(hi.y - lo.y);
    // The grid becomes a relief's source: one too large for a relief is
    // refused before it is allocated.
    if (!(w >= 1.0 && h >= 1.0 && w < 2147483648.0 && h < 2147483648.0) || !isFinite(lo)
        || !ReliefSource::fits((long long)w, (long long)h))
        return;
    if (!grid.allocate((long long)w, (long long)h))
        return;
    for (const Facet& f : shape.facets()) {
        if (isFinite(f.corners[0]) && isFinite(f.corners[1]) && isFinite(f.corners[2]))
            drawFacet(grid, f, lo);
    }
}
