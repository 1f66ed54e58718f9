#pragma once

// Compares an exported relief mesh with the relief at every grid point, in
// plan view: facets facing down or standing on their side, grid points above
// zero that no facet covers, and how far the mesh lies from the heights.

#include "mesh/facetshape.h"
#include "relief/relief.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

struct ReliefCoverage
{
    int folded = 0;           // facets whose normal points down or lies flat
    int uncovered = 0;        // grid points above zero that no facet covers
    int borderMissing = 0;    // corners of the unreduced mesh's outline that are gone
    double maxDeviation = 0;  // inches, over the covered grid points
    double rmsDeviation = 0;
};

namespace reliefcoverage {

inline double heightOf(const Relief& relief, int x, int y)
{
    // The mesh corners went through single floats on their way.
    return double(float(double(relief.heights()[size_t(y) * size_t(relief.width()) + size_t(x)]) * relief.zScale()
                        / 128.0));
}

// Whether the export keeps the triangle (a, b, c) of grid points.
inline bool kept(const Relief& relief, int ax, int ay, int bx, int by, int cx, int cy)
{
    const double a = heightOf(relief, ax, ay), b = heightOf(relief, bx, by), c = heightOf(relief, cx, cy);
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && !(a == 0 && b == 0 && c == 0);
}

// Calls f(i, j, lower) for every triangle of cell (i, j) the export keeps;
// the lower one is (p00, p10, p11), the other (p11, p01, p00).
template <typename F>
void forEachTriangle(const Relief& relief, F f)
{
    for (int j = 0; j + 1 < relief.height(); ++j)
        for (int i = 0; i + 1 < relief.width(); ++i) {
            if (kept(relief, i, j, i + 1, j, i + 1, j + 1))
                f(i, j, true);
            if (kept(relief, i + 1, j + 1, i, j + 1, i, j))
                f(i, j, false);
        }
}

} // namespace reliefcoverage

// The export's triangles of the relief, unreduced and centred as the export
// centres its result.
inline FacetShape unreducedRelief(const Relief& relief)
{
    using VekMath::Vector3d;
    FacetShape shape;
    auto point = [&](int x, int y) { return Vector3d(x / 128.0, y / 128.0, reliefcoverage::heightOf(relief, x, y)); };
    reliefcoverage::forEachTriangle(relief, [&](int i, int j, bool lower) {
        if (lower)
            shape.addFacet(Facet(point(i, j), point(i + 1, j), point(i + 1, j + 1), Vector3d(0, 0, 1)));
        else
            shape.addFacet(Facet(point(i + 1, j + 1), point(i, j + 1), point(i, j), Vector3d(0, 0, 1)));
    });
    shape.center();
    return shape;
}

inline ReliefCoverage coverageOf(const Relief& relief, const FacetShape& shape)
{
    using VekMath::Vector3d;
    using namespace reliefcoverage;
    ReliefCoverage r;
    const int w = relief.width(), h = relief.height();
    if (w < 2 || h < 2)
        return r;

    // Where the unreduced triangles reach, in cells: the outline is kept,
    // so the result was centred on the middle of these bounds in x and y.
    std::vector<char> inMesh(size_t(w) * size_t(h), 0);
    int minX = w, maxX = -1, minY = h, maxY = -1;
    forEachTriangle(relief, [&](int i, int j, bool lower) {
        const int xs[3] = {i, i + 1, lower ? i + 1 : i};
        const int ys[3] = {j, lower ? j : j + 1, j + 1};
        for (int k = 0; k < 3; ++k) {
            inMesh[size_t(ys[k]) * size_t(w) + size_t(xs[k])] = 1;
            minX = std::min(minX, xs[k]);
            maxX = std::max(maxX, xs[k]);
            minY = std::min(minY, ys[k]);
            maxY = std::max(maxY, ys[k]);
        }
    });
    if (maxX < 0)
        return r;
    const double shiftX = (minX + maxX) / 2.0, shiftY = (minY + maxY) / 2.0;

    // Corners in cells, in the relief's place in x and y.
    std::vector<Vector3d> corners;
    corners.reserve(size_t(shape.facetCount()) * 3);
    for (const Facet& f : shape.facets())
        for (const Vector3d& c : f.corners)
            corners.push_back(Vector3d(c.x * 128 + shiftX, c.y * 128 + shiftY, c.z));

    // The shift in z: most corners still stand on their grid points.
    std::vector<double> offsets;
    for (const Vector3d& c : corners) {
        const double gx = std::round(c.x), gy = std::round(c.y);
        if (gx == c.x && gy == c.y && gx >= 0 && gy >= 0 && gx < w && gy < h
            && inMesh[size_t(gy) * size_t(w) + size_t(gx)])
            offsets.push_back(heightOf(relief, int(gx), int(gy)) - c.z);
    }
    double shiftZ = 0;
    if (!offsets.empty()) {
        std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
        shiftZ = offsets[offsets.size() / 2];
    }

    // The highest surface above every grid point.
    const double none = -std::numeric_limits<double>::infinity();
    std::vector<double> top(size_t(w) * size_t(h), none);
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        const Vector3d& a = corners[t];
        const Vector3d& b = corners[t + 1];
        const Vector3d& c = corners[t + 2];
        const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (!(area > 0)) {
            ++r.folded;
            continue;
        }
        const int x0 = std::max(0, int(std::ceil(std::min({a.x, b.x, c.x}) - 1e-9)));
        const int x1 = std::min(w - 1, int(std::floor(std::max({a.x, b.x, c.x}) + 1e-9)));
        const int y0 = std::max(0, int(std::ceil(std::min({a.y, b.y, c.y}) - 1e-9)));
        const int y1 = std::min(h - 1, int(std::floor(std::max({a.y, b.y, c.y}) + 1e-9)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                // Barycentric weights; points on an edge count as inside.
                const double wa = ((b.x - x) * (c.y - y) - (b.y - y) * (c.x - x)) / area;
                const double wb = ((c.x - x) * (a.y - y) - (c.y - y) * (a.x - x)) / area;
                const double wc = 1 - wa - wb;
                const double eps = -1e-9;
                if (wa < eps || wb < eps || wc < eps)
                    continue;
                double& z = top[size_t(y) * size_t(w) + size_t(x)];
                z = std::max(z, wa * a.z + wb * b.z + wc * c.z + shiftZ);
            }
    }

    double sum = 0;
    long long counted = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t at = size_t(y) * size_t(w) + size_t(x);
            const double z = heightOf(relief, x, y);
            if (top[at] == none) {
                if (z > 0)
                    ++r.uncovered;
                continue;
            }
            if (!inMesh[at])
                continue;
            const double d = std::fabs(top[at] - z);
            r.maxDeviation = std::max(r.maxDeviation, d);
            sum += d * d;
            ++counted;
        }
    r.rmsDeviation = counted ? std::sqrt(sum / double(counted)) : 0;

    // The outline: edges of the unreduced triangles that only one of them uses.
    // Each of its corners must still be a corner of the result.
    std::vector<char> isCorner(size_t(w) * size_t(h), 0);
    for (const Vector3d& c : corners) {
        const double gx = std::round(c.x), gy = std::round(c.y);
        if (gx == c.x && gy == c.y && gx >= 0 && gy >= 0 && gx < w && gy < h)
            isCorner[size_t(gy) * size_t(w) + size_t(gx)] = 1;
    }
    std::vector<char> lowerKept(size_t(w) * size_t(h), 0), upperKept(size_t(w) * size_t(h), 0);
    forEachTriangle(relief, [&](int i, int j, bool lower) {
        (lower ? lowerKept : upperKept)[size_t(j) * size_t(w) + size_t(i)] = 1;
    });
    auto cellHas = [&](const std::vector<char>& kind, int i, int j) {
        return i >= 0 && j >= 0 && i + 1 < w && j + 1 < h && kind[size_t(j) * size_t(w) + size_t(i)];
    };
    std::vector<char> onOutline(size_t(w) * size_t(h), 0);
    auto outline = [&](int ax, int ay, int bx, int by) {
        onOutline[size_t(ay) * size_t(w) + size_t(ax)] = 1;
        onOutline[size_t(by) * size_t(w) + size_t(bx)] = 1;
    };
    for (int j = 0; j + 1 < h; ++j)
        for (int i = 0; i + 1 < w; ++i) {
            // The lower triangle's edges: bottom (shared with the cell
            // below's upper one), right (the right cell's upper one) and the
            // diagonal (this cell's upper one); the upper one's likewise.
            if (cellHas(lowerKept, i, j)) {
                if (!cellHas(upperKept, i, j - 1))
                    outline(i, j, i + 1, j);
                if (!cellHas(upperKept, i + 1, j))
                    outline(i + 1, j, i + 1, j + 1);
                if (!cellHas(upperKept, i, j))
                    outline(i, j, i + 1, j + 1);
            }
            if (cellHas(upperKept, i, j)) {
                if (!cellHas(lowerKept, i, j + 1))
                    outline(i, j + 1, i + 1, j + 1);
                if (!cellHas(lowerKept, i - 1, j))
                    outline(i, j, i, j + 1);
                if (!cellHas(lowerKept, i, j))
                    outline(i, j, i + 1, j + 1);
            }
        }
    for (size_t at = 0; at < onOutline.size(); ++at)
        if (onOutline[at] && !isCorner[at])
            ++r.borderMissing;
    return r;
}
