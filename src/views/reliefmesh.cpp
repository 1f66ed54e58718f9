#include "views/reliefmesh.h"

#include "relief/relief.h"
#include "views/shader/shader.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

using VekMath::Rect2d;
using VekMath::Rect2di;

namespace {

// Right after a remesh the meshed area is 1.4 times the visible one; the
// quotient then lands on either side of 1.4 through rounding.
const double remeshRatio = 1.4 * (1.0 + 1e-9);

} // namespace

ReliefMesh::ReliefMesh(bool normals) : withNormals(normals)
{
}

Rect2d ReliefMesh::grownArea(const Rect2d& visible, int reliefWidth, int reliefHeight)
{
    const double mx = 0.2 * (visible.x2 - visible.x1);
    const double my = 0.2 * (visible.y2 - visible.y1);
    const Rect2d grown(visible.x1 - mx, visible.y1 - my, visible.x2 - visible.x1 + 2 * mx,
                       visible.y2 - visible.y1 + 2 * my);
    return grown.intersected(Rect2d(0, 0, reliefWidth, reliefHeight));
}

Rect2di ReliefMesh::cellArea(const Rect2d& meshed, int reliefWidth, int reliefHeight)
{
    Rect2di cells;
    cells.x1 = std::max(0, int(meshed.x1));
    cells.y1 = std::max(0, int(meshed.y1));
    cells.x2 = std::min(reliefWidth, std::max(cells.x1 + 2, int(std::ceil(meshed.x2))));
    cells.y2 = std::min(reliefHeight, std::max(cells.y1 + 2, int(std::ceil(meshed.y2))));
    return cells;
}

int ReliefMesh::stepFor(const Rect2di& cells, int widgetWidth, int widgetHeight)
{
    int step = 1;
    if (widgetHeight > 0)
        step = std::max(step, cells.height() / widgetHeight);
    if (widgetWidth > 0)
        step = std::max(step, cells.width() / widgetWidth);
    return step;
}

long long ReliefMesh::mostBytes(int reliefWidth, int reliefHeight, int widgetWidth,
                               int widgetHeight, bool withNormals)
{
    const auto across = [](int cells, int pixels) {
        return (long long)(pixels > 0 ? std::min(cells, 2 * pixels + 1) : cells);
    };
    const long long columns = across(std::max(reliefWidth, 0), widgetWidth);
    const long long rows = across(std::max(reliefHeight, 0), widgetHeight);
    const long long vertexBytes = withNormals ? 28 : 16;
    const long long indexBytes = rows < 2 ? 0 : 4 * (2 * columns + 1) * (rows - 1);
    return columns * rows * vertexBytes + indexBytes;
}

bool ReliefMesh::outgrown(const Rect2d& visible) const
{
    if (!meshedRect.contains(visible))
        return true;
    const double vw = visible.x2 - visible.x1;
    const double vh = visible.y2 - visible.y1;
    return (meshedRect.x2 - meshedRect.x1) > remeshRatio * vw
        || (meshedRect.y2 - meshedRect.y1) > remeshRatio * vh;
}

void ReliefMesh::allocate(int columns, int rows)
{
    if (columns == nx && rows == ny && !positions.empty())
        return;
    nx = columns;
    ny = rows;
    const size_t n = size_t(nx) * size_t(ny);
    // Nothing of the old grid is kept: a larger one must not be copied over.
    positions.clear();
    normals.clear();
    selection.clear();
    indices.clear();
    positions.resize(3 * n);
    if (withNormals)
        normals.resize(3 * n);
    selection.resize(n);
    indices.resize(ny < 2 ? 0 : size_t(2 * nx + 1) * size_t(ny - 1));
    uint32_t* out = indices.data();
    for (int r = 0; r + 1 < ny; ++r) {
        const uint32_t below = uint32_t(r) * uint32_t(nx);
        const uint32_t above = below + uint32_t(nx);
        for (int c = 0; c < nx; ++c) {
            *out++ = above + uint32_t(c);
            *out++ = below + uint32_t(c);
        }
        *out++ = Shader::restartIndex;
    }
}

void ReliefMesh::clear()
{
    nx = ny = 0;
    meshedRect = Rect2d();
    FloatArray().swap(positions);
    FloatArray().swap(normals);
    FloatArray().swap(selection);
    IndexArray().swap(indices);
}

void ReliefMesh::measureHeights(Relief& relief)
{
    const float* heights = relief.heights();
    const size_t cells = relief.cellCount();
    double low = DBL_MAX;
    double high = 0.0;
    if (cells > 0) {
        float lo = heights[0], hi = heights[0];
        for (size_t i = 1; i < cells; ++i) {
            lo = std::min(lo, heights[i]);
            hi = std::max(hi, heights[i]);
        }
        low = lo;
        high = std::max(0.0, double(hi));
    }
    relief.setHeightMin(low);
    relief.setHeightMax(high);
}

void ReliefMesh::remesh(Relief& relief, const Rect2d& visible, int widgetWidth, int widgetHeight)
{
    const int w = relief.width();
    const int h = relief.height();
    measureHeights(relief);

    meshedRect = grownArea(visible, w, h);
    lodRect = cellArea(meshedRect, w, h);
    lodStep = stepFor(lodRect, widgetWidth, widgetHeight);
    const int columns = std::max(0, (lodRect.width() + lodStep - 1) / lodStep);
    const int rows = std::max(0, (lodRect.height() + lodStep - 1) / lodStep);
    allocate(columns, rows);
    refresh(relief, lodRect);
}

ReliefMesh::Range ReliefMesh::refresh(const Relief& relief, const Rect2di& area)
{
    Range range;
    if (nx <= 0 || ny <= 0)
        return range;
    const Rect2di grown = area.grown(1).intersected(lodRect);
    if (grown.isEmpty())
        return range;
    // Down onto the vertex grid.
    const int x1 = lodRect.x1 + lodStep * ((grown.x1 - lodRect.x1) / lodStep);
    const int y1 = lodRect.y1 + lodStep * ((grown.y1 - lodRect.y1) / lodStep);
    if (withNormals)
        fillRows<true>(relief, x1, grown.x2, y1, grown.y2);
    else
        fillRows<false>(relief, x1, grown.x2, y1, grown.y2);
    const int firstRow = (y1 - lodRect.y1) / lodStep;
    const int lastRow = (grown.y2 - 1 - lodRect.y1) / lodStep;
    range.first = uint32_t(firstRow) * uint32_t(nx);
    range.count = uint32_t(lastRow - firstRow + 1) * uint32_t(nx);
    return range;
}

template <bool lit>
void ReliefMesh::fillRows(const Relief& relief, int x1, int x2, int y1, int y2)
{
    const int w = relief.width();
    const int h = relief.height();
    const int step = lodStep;
    const float* heights = relief.heights();
    const float* mask = relief.selection();
    const double zScale = relief.zScale();
    const double halfW = w / 2.0;
    const double halfH = h / 2.0;
    const double low = relief.heightMin();
    const double range = relief.heightMax() - low;
    const double levels = quantization;
    auto H = [&](int x, int y) -> double {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0 : double(heights[size_t(y) * w + x]);
    };
    // The normal of the six triangles round the vertex (their diagonals run
    // from (x-1, y-1) to (x+1, y+1)): exact for a plane.
    auto setNormal = [zScale](float* n, double l, double r, double u, double d, double ul,
                              double dr) {
        n[0] = float((2 * (l - r) + ul - dr + d - u) * zScale / 6.0);
        n[1] = float((2 * (u - d) + ul - dr + r - l) * zScale / 6.0);
        n[2] = 1.0f;
    };

    for (int y = y1; y < y2; y += step) {
        const size_t k0 = size_t((x1 - lodRect.x1) / step) + size_t(nx) * size_t((y - lodRect.y1) / step);
        const float* row = heights + size_t(y) * w;
        const float* maskRow = mask + size_t(y) * w;
        float* p = positions.data() + 3 * k0;
        float* n = lit ? normals.data() + 3 * k0 : nullptr;
        float* sel = selection.data() + k0;
        const float py = float(y - halfH);
        // Any vertex, with zero heights beyond the relief; the loop below
        // does the same for the inner ones of the lit surface, reading their
        // neighbours straight from the rows.
        auto vertex = [&](int x) {
            const double height = row[x];
            p[0] = float(x - halfW);
            p[1] = py;
            if (lit) {
                p[2] = float(height * zScale);
                setNormal(n, H(x - 1, y), H(x + 1, y), H(x, y - 1), H(x, y + 1), H(x - 1, y - 1),
                          H(x + 1, y + 1));
                n += 3;
            } else {
                double level = 0.0;
                if (height != 0.0 && range != 0.0)
                    level = std::ceil((height - low) / range * levels);
                const double shown = range != 0.0 ? level / levels * range + low : low;
                p[2] = float(shown * zScale);
            }
            p += 3;
            *sel++ = maskRow[x];
        };
        int x = x1;
        for (; x < x2 && x < 1; x += step)
            vertex(x);
        if (lit && y > 0 && y + 1 < h) {
            const int innerEnd = std::min(x2, w - 1);
            const float* up = row - w;
            const float* down = row + w;
            for (; x < innerEnd; x += step) {
                const double height = row[x];
                p[0] = float(x - halfW);
                p[1] = py;
                p[2] = float(height * zScale);
                setNormal(n, row[x - 1], row[x + 1], up[x], down[x], up[x - 1], down[x + 1]);
                p += 3;
                n += 3;
                *sel++ = maskRow[x];
            }
        }
        for (; x < x2; x += step)
            vertex(x);
    }
}
