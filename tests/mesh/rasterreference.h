#pragma once

// The mesh raster done the plain way: every grid point of each facet's
// bounding box tested alone, on one thread. The rasteriser must give the
// same heights bit for bit; the benchmark times it beside this.

#include "geometry/plane.h"
#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "relief/reliefsource.h"

#include <algorithm>
#include <cmath>

namespace RasterReference {

// Whether the sine from the edge e to d (0 when either is a point) agrees in
// sign with the corner's sine s, within 1e-12.
inline bool agrees(double ex, double ey, double el, double dx, double dy, double s)
{
    const double dl = std::sqrt(dx * dx + dy * dy);
    const double t = dl == 0.0 || el == 0.0 ? 0.0 : (ex * dy - ey * dx) / (dl * el);
    const double eps = 1e-12;
    return (t >= -eps && s >= -eps) || (t <= eps && s <= eps);
}

inline bool isFinite(const VekMath::Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

inline void drawFacet(HeightGrid& grid, const Facet& f, const VekMath::Vector3d& origin)
{
    const VekMath::Vector3d p1 = f.corners[0] - origin;
    const VekMath::Vector3d p2 = f.corners[1] - origin;
    const VekMath::Vector3d p3 = f.corners[2] - origin;
    const double e1x = p2.x - p1.x, e1y = p2.y - p1.y;
    const double e2x = p3.x - p2.x, e2y = p3.y - p2.y;
    const double e3x = p1.x - p3.x, e3y = p1.y - p3.y;
    if (e1x * e2y - e1y * e2x <= 0.0)
        return;
    const double l1 = std::sqrt(e1x * e1x + e1y * e1y);
    const double l2 = std::sqrt(e2x * e2x + e2y * e2y);
    const double l3 = std::sqrt(e3x * e3x + e3y * e3y);
    const double sA = (l1 == 0.0 || l3 == 0.0) ? 0.0 : (e1x * -e3y - e1y * -e3x) / (l1 * l3);
    const double sB = (l1 == 0.0 || l2 == 0.0) ? 0.0 : (e2x * -e1y - e2y * -e1x) / (l1 * l2);
    const double sC = (l2 == 0.0 || l3 == 0.0) ? 0.0 : (e3x * -e2y - e3y * -e2x) / (l2 * l3);
    const VekMath::Plane plane(p1, p2, p3);
    if (plane.c < 1e-6)
        return;
    const double zTop = std::max({p1.z, p2.z, p3.z});
    const int y0 = int(std::max(std::floor(std::min({p1.y, p2.y, p3.y})), 0.0));
    const int y1 = int(std::min(std::ceil(std::max({p1.y, p2.y, p3.y})), double(grid.height - 1)));
    const int x0 = int(std::max(std::floor(std::min({p1.x, p2.x, p3.x})), 0.0));
    const int x1 = int(std::min(std::ceil(std::max({p1.x, p2.x, p3.x})), double(grid.width - 1)));
    for (int y = y0; y <= y1; ++y) {
        float* row = grid.heights + size_t(y) * size_t(grid.width);
        const double py = y;
        for (int x = x0; x <= x1; ++x) {
            const double px = x;
            if (!agrees(e1x, e1y, l1, px - p1.x, py - p1.y, sA) || !agrees(e2x, e2y, l2, px - p2.x, py - p2.y, sB)
                || !agrees(e3x, e3y, l3, px - p3.x, py - p3.y, sC))
                continue;
            const float z = float(std::min(zTop, plane.zAt(px, py)));
            if (z > row[x])
                row[x] = z;
        }
    }
}

inline void rasterize(HeightGrid& grid, const FacetShape& shape)
{
    grid.release();
    const VekMath::Vector3d& lo = shape.boundsMin();
    const VekMath::Vector3d& hi = shape.boundsMax();
    const double w = std::ceil(hi.x - lo.x);
    const double h = std::ceil(hi.y - lo.y);
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

} // namespace RasterReference
