// One dab of a brush: the footprint kernels of the relief and the Sample tool.

#include "relief/relief.h"

#include "app/logfile.h"
#include "relief/sculptstroke.h"
#include "relief/tool.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Rounds halves away from zero, as the footprint is centred on the dab.
inline int nearInt(double v)
{
    return v >= 0 ? static_cast<int>(v + 0.5) : static_cast<int>(v - 0.5);
}

// The grid cells a dab covers, x0 <= x < x1, y0 <= y < y1, around the
// centre (cx, cy) in grid coordinates, and the stroke's fade at this dab.
// Empty when the dab reaches no cell or the stroke has faded out.
struct DabArea
{
    double cx = 0;
    double cy = 0;
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    double decay = 1.0;

    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
    VekMath::Rect2di rect() const { return VekMath::Rect2di(x0, y0, x1 - x0, y1 - y0); }
};

// The fade of a stroke along its length. False when the stroke has gone past
// its fade length, so the dab changes nothing.
bool strokeDecay(const Tool& tool, const SculptStroke& stroke, double* decay)
{
    *decay = 1.0;
    if (!tool.useDecayLength)
        return true;
    const double fade = tool.decayLength * stroke.radius() * 100;
    const double travelled = stroke.travelled();
    if (!(travelled < fade))
        return false;
    const double q = 1 - travelled / fade;
    *decay = q * q * q;
    return true;
}

// Where a dab of the stroke at p lands. fades: the kernel weakens along the
// stroke's decay length.
DabArea placeDab(const SculptStroke* stroke, int width, int height, const VekMath::Vector2d& p, bool fades)
{
    DabArea d;
    if (!stroke)
        return d;
    const double r = stroke->radius();
    d.cx = width * 0.5 + p.x;
    d.cy = height * 0.5 + p.y;
    // A centre further than r from the grid (or not a number) reaches no
    // cell; testing first keeps the conversions below in range.
    if (!(d.cx + r > 0 && d.cx - r < width && d.cy + r > 0 && d.cy - r < height))
        return d;
    if (fades && !strokeDecay(*stroke->tool(), *stroke, &d.decay))
        return d;
    d.x0 = d.cx - r < 0 ? 0 : static_cast<int>(d.cx - r);
    d.x1 = static_cast<int>(std::min<double>(width, d.cx + r));
    d.y0 = d.cy - r < 0 ? 0 : static_cast<int>(d.cy - r);
    d.y1 = static_cast<int>(std::min<double>(height, d.cy + r));
    return d;
}

// Footprint columns of the dab's grid columns, -1 where none; and the
// stretches of grid columns whose footprint columns follow one another (one
// or two per dab: near() skips a column where x - cx changes sign), as
// (first column, length, first footprint column) triples. Returns the
// number of stretches.
int footprintColumns(const DabArea& d, int n, int* fxs, int* runs)
{
    const int half = n / 2;
    const int columns = d.x1 - d.x0;
    for (int c = 0; c < columns; ++c) {
        const int fx = nearInt(d.x0 + c - d.cx) + half;
        fxs[c] = fx >= 0 && fx < n ? fx : -1;
    }
    int count = 0;
    for (int c = 0; c < columns;) {
        if (fxs[c] < 0) {
            ++c;
            continue;
        }
        int len = 1;
        while (c + len < columns && fxs[c + len] == fxs[c] + len)
            ++len;
        runs[3 * count] = c;
        runs[3 * count + 1] = len;
        runs[3 * count + 2] = fxs[c];
        ++count;
        c += len;
    }
    return count;
}

// Weights of the footprint row of grid row y, or null when it has none.
inline const double* footprintRow(const DabArea& d, int n, const double* weights, int y)
{
    const int fy = nearInt(y - d.cy) + n / 2;
    return fy >= 0 && fy < n ? weights + static_cast<size_t>(fy) * n : nullptr;
}

// Visits every cell of the dab area whose footprint cell lies inside the
// mask, handing cell(index, x, y, falloff) the cell's index in the grid and
// its falloff weight. For kernels whose cells do not read one another, so
// the order is free. The dab's rectangle when some call reported a change,
// else an empty one.
template <class Cell>
VekMath::Rect2di walkFootprint(const DabArea& d, int width, SculptStroke& stroke, Cell cell)
{
    const int n = stroke.footprintSide();
    const double* weights = stroke.weights();
    const int columns = d.x1 - d.x0;
    int* fxs = stroke.columnScratch(4 * columns);
    int* runs = fxs + columns;
    const int runCount = footprintColumns(d, n, fxs, runs);
    bool changed = false;
    for (int y = d.y0; y < d.y1; ++y) {
        const double* wrow = footprintRow(d, n, weights, y);
        if (!wrow)
            continue;
        const size_t row = static_cast<size_t>(y) * width;
        for (int r = 0; r < runCount; ++r) {
            const int x0 = d.x0 + runs[3 * r];
            const int len = runs[3 * r + 1];
            const double* w = wrow + runs[3 * r + 2];
            for (int k = 0; k < len; ++k) {
                const double f = w[k];
                // A plain store, not an or into the flag, keeps the cells
                // free of a chain through it.
                if (f >= 0 && cell(row + x0 + k, x0 + k, y, f))
                    changed = true;
            }
        }
    }
    return changed ? d.rect() : VekMath::Rect2di();
}

// The same walk for a kernel that reads the cells it writes (Smooth), with
// the result of a walk row by row, left to right: every cell sees its left
// and upper neighbours already written and the others not yet. Rows go in
// bands of four, each row two columns behind the one above, so that the
// four cells in hand never read one another and their work overlaps.
template <class Cell>
VekMath::Rect2di walkFootprintInPlace(const DabArea& d, int width, SculptStroke& stroke, Cell cell)
{
    constexpr int band = 4;
    constexpr int lag = 2;
    const int n = stroke.footprintSide();
    const double* weights = stroke.weights();
    const int columns = d.x1 - d.x0;
    int* fxs = stroke.columnScratch(4 * columns);
    footprintColumns(d, n, fxs, fxs + columns);
    bool changed = false;
    for (int y = d.y0; y < d.y1; y += band) {
        const int rows = std::min(band, d.y1 - y);
        const double* wrows[band] = {};
        for (int j = 0; j < rows; ++j)
            wrows[j] = footprintRow(d, n, weights, y + j);
        const size_t start = static_cast<size_t>(y) * width + d.x0;
        const int steps = columns + lag * (rows - 1);
        for (int t = 0; t < steps; ++t) {
            // Rows j with 0 <= t - lag j < columns are at work in this step.
            const int first = t < columns ? 0 : (t - columns) / lag + 1;
            const int last = std::min(rows - 1, t / lag);
            for (int j = first; j <= last; ++j) {
                const int c = t - lag * j;
                const int fx = fxs[c];
                if (fx < 0 || !wrows[j])
                    continue;
                const double f = wrows[j][fx];
                if (f >= 0 && cell(start + static_cast<size_t>(j) * width + c, d.x0 + c, y + j, f))
                    changed = true;
            }
        }
    }
    return changed ? d.rect() : VekMath::Rect2di();
}

inline float storeHeight(float* heights, size_t i, double value)
{
    const float v = static_cast<float>(value);
    heights[i] = v;
    return v;
}

// max(0, v), a NaN giving 0, in a form that compiles without a branch.
inline double notBelowZero(double v)
{
    return v > 0 ? v : 0.0;
}

// Changed when the stored value differs; a NaN always counts as a change.
inline bool differs(float stored, float before)
{
    return !(stored == before);
}

// The tests that spare a cell: a height of exactly 0 while zeros are kept,
// and an unselected cell while the selection is in force.
struct CellFilter
{
    const float* sel;
    bool keepZero;
    bool selective;

    bool spares(size_t i, float old) const { return (keepZero && old == 0) || (selective && sel[i] == 0); }
};

// One cell of the Smooth kernel: blends the cell towards the weighted mean
// of its neighbourhood, 4 x the cell, 2 x each edge neighbour and 1 x each
// corner neighbour that lies inside the grid, over the sum of those weights.
struct SmoothCell
{
    float* h;
    CellFilter filter;
    int width;
    int height;
    double strength;
    double decay;

    // A cell off the grid's border has all eight neighbours.
    double innerMean(size_t i) const
    {
        const float* up = h + i - width;
        const float* down = h + i + width;
        const double sum = 4.0 * h[i] + 2.0 * up[0] + 2.0 * down[0] + 2.0 * h[i - 1] + 2.0 * h[i + 1] + up[-1]
                           + up[1] + down[-1] + down[1];
        return sum * 0.0625;   // the sum over 16, exactly
    }

    double borderMean(size_t i, int x, int y) const
    {
        const bool hasUp = y > 0;
        const bool hasDown = y < height - 1;
        const bool hasLeft = x > 0;
        const bool hasRight = x < width - 1;
        const std::ptrdiff_t w = width;
        double sum = 4.0 * h[i];
        double weight = 4;
        auto take = [&](bool inside, double k, std::ptrdiff_t offset) {
            if (inside) {
                sum += k * h[static_cast<std::ptrdiff_t>(i) + offset];
                weight += k;
            }
        };
        take(hasUp, 2, -w);
        take(hasDown, 2, w);
        take(hasLeft, 2, -1);
        take(hasRight, 2, 1);
        take(hasUp && hasLeft, 1, -w - 1);
        take(hasUp && hasRight, 1, -w + 1);
        take(hasDown && hasLeft, 1, w - 1);
        take(hasDown && hasRight, 1, w + 1);
        return sum / weight;
    }

    // keep(value, old) is the mode's gate: whether the new value is stored.
    template <class Gate>
    bool apply(size_t i, int x, int y, double f, Gate keep) const
    {
        const float old = h[i];
        if (filter.spares(i, old))
            return false;
        const double a = f * strength * decay;
        const bool inner = x > 0 && y > 0 && x < width - 1 && y < height - 1;
        const double value = (inner ? innerMean(i) : borderMean(i, x, y)) * a + (1 - a) * old;
        if (!keep(value, old))
            return false;
        return differs(storeHeight(h, i, value), old);
    }
};

} // namespace

void Relief::applyTool(const VekMath::Vector2d& p)
{
    if (!m_stroke || !m_stroke->tool())
        return;
    const int type = m_stroke->tool()->type;
    VekMath::Rect2di r;
    switch (type) {
    case Tool::Smooth:
        r = smoothDab(p);
        break;
    case Tool::Smudge:
        r = smudgeDab(p);
        break;
    case Tool::Deposit:
        r = depositDab(p);
        break;
    case Tool::Remove:
        r = removeDab(p);
        break;
    case Tool::Undo:
        r = undoDab(p);
        break;
    case Tool::Erase:
        r = eraseDab(p);
        break;
    case Tool::Brush:
        r = brushDab(p);
        break;
    case Tool::Magic:
    case Tool::Rectangle:
    case Tool::Elliptical:
    case Tool::Polygon:
    case Tool::Crop:
    case Tool::NoTool:
        break;
    default:
        LogFile::warning() << "Unhandled tool type: " << type << "\n";
        break;
    }
    if (r.area() > 0) {
        mergeChangedRect(r);
        m_strokeArea |= r;
    }
    m_stroke->advanceTo(p);
}

VekMath::Rect2di Relief::smoothDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();
    const SmoothCell cell{m_heights.data(), {m_selection.data(), tool.keepTransparency, m_selectionActive},
                          m_width, m_height, tool.strength, d.decay};
    // The mode decides which results are stored; any other mode stores none.
    switch (tool.mode) {
    case Tool::Normal:
        return walkFootprintInPlace(d, m_width, stroke, [&](size_t i, int x, int y, double f) {
            return cell.apply(i, x, y, f, [](double, float) { return true; });
        });
    case Tool::Raise:
        return walkFootprintInPlace(d, m_width, stroke, [&](size_t i, int x, int y, double f) {
            return cell.apply(i, x, y, f, [](double value, float old) { return value > old; });
        });
    case Tool::Lower:
        return walkFootprintInPlace(d, m_width, stroke, [&](size_t i, int x, int y, double f) {
            return cell.apply(i, x, y, f, [](double value, float old) { return value < old; });
        });
    default:
        return VekMath::Rect2di();
    }
}

VekMath::Rect2di Relief::smudgeDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, false);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();

    float* h = m_heights.data();
    // The first dab picks the heights up; later dabs lay them down.
    if (!stroke.carriedPatch()) {
        auto patch = std::make_unique<SculptStroke::CarriedPatch>();
        patch->width = d.x1 - d.x0;
        patch->height = d.y1 - d.y0;
        patch->heights.resize(static_cast<size_t>(patch->width) * patch->height);
        for (int y = d.y0; y < d.y1; ++y) {
            const float* src = h + static_cast<size_t>(y) * m_width + d.x0;
            std::copy(src, src + patch->width, patch->heights.begin() + static_cast<std::ptrdiff_t>(y - d.y0) * patch->width);
        }
        stroke.setCarriedPatch(std::move(patch));
        return VekMath::Rect2di();
    }
    double decay;
    if (!strokeDecay(tool, stroke, &decay))
        return VekMath::Rect2di();

    const SculptStroke::CarriedPatch& patch = *stroke.carriedPatch();
    const float* carried = patch.heights.data();
    const CellFilter filter{m_selection.data(), tool.keepTransparency, m_selectionActive};
    const double strength = tool.strength;
    const int patchWidth = patch.width;
    const int patchHeight = patch.height;

    // The mode gate, given the carried height c and the cell's own h.
    auto dab = [&](auto gate) {
        return walkFootprint(d, m_width, stroke, [&](size_t i, int x, int y, double f) {
            const float old = h[i];
            if (filter.spares(i, old))
                return false;
            // A later dab may be wider than the patch: a cell beyond the
            // patch's columns or rows keeps its own height rather than
            // reading a wrong row.
            const int px = x - d.x0;
            const int py = y - d.y0;
            const double c = px < patchWidth && py < patchHeight
                                 ? carried[static_cast<size_t>(py) * patchWidth + px]
                                 : old;
            if (!gate(c, old))
                return false;
            const double a = f * strength * decay;
            return differs(storeHeight(h, i, a * c + (1 - a) * old), old);
        });
    };
    switch (tool.mode) {
    case Tool::Normal:
        return dab([](double, float) { return true; });
    case Tool::Raise:
        return dab([](double c, float h) { return c >= h; });
    case Tool::Lower:
        return dab([](double c, float h) { return h >= c; });
    default:
        return VekMath::Rect2di();
    }
}

VekMath::Rect2di Relief::depositDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();
    const double decay = d.decay;

    float* h = m_heights.data();
    const bool clip = tool.clip;
    double ceiling = h[static_cast<size_t>(d.y0) * m_width + d.x0];
    if (clip) {
        walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double) {
            if (h[i] > ceiling)
                ceiling = h[i];
            return false;
        });
    }

    const CellFilter filter{m_selection.data(), tool.keepTransparency, m_selectionActive};
    const double strength = tool.strength;
    const double rise = std::sqrt(double(m_width) * m_width + double(m_height) * m_height) * 0.001 * strength;

    return walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double f) {
        const float old = h[i];
        if (filter.spares(i, old))
            return false;
        const double a = f * strength * decay;
        double target = old + rise;
        if (clip)
            target = std::min(ceiling, target);
        return differs(storeHeight(h, i, (1 - a) * old + a * target), old);
    });
}

VekMath::Rect2di Relief::removeDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();
    const double decay = d.decay;

    float* h = m_heights.data();
    const CellFilter filter{m_selection.data(), tool.keepTransparency, m_selectionActive};
    const CellFilter selectedOnly{m_selection.data(), false, m_selectionActive};
    const bool clip = tool.clip;
    double floorHeight = 0;
    if (clip) {
        // The cell nearest the centre can lie beyond the edge when the dab
        // hangs over it: start from the nearest cell inside the grid.
        const int fx = nearInt(std::clamp(d.cx, 0.0, double(m_width - 1)));
        const int fy = nearInt(std::clamp(d.cy, 0.0, double(m_height - 1)));
        floorHeight = h[static_cast<size_t>(fy) * m_width + fx];
        walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double) {
            const float v = h[i];
            if (v != 0 && (floorHeight > v || floorHeight == 0) && !selectedOnly.spares(i, v))
                floorHeight = v;
            return false;
        });
    }

    const double strength = tool.strength;
    const double drop = std::sqrt(double(m_width) * m_width + double(m_height) * m_height) * 0.001 * strength;

    return walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double f) {
        const float old = h[i];
        if (filter.spares(i, old))
            return false;
        const double a = f * strength * decay;
        double target = old - drop;
        // The floor stops the removal; it never lifts a cell lying below it
        // (a zero cell when zeros are not kept).
        if (clip)
            target = std::min<double>(old, std::max(floorHeight, target));
        target = notBelowZero(target);
        return differs(storeHeight(h, i, notBelowZero((1 - a) * old + a * target)), old);
    });
}

VekMath::Rect2di Relief::undoDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();
    const double decay = d.decay;

    float* h = m_heights.data();
    const float* reference = m_referenceHeights.data();
    const double strength = tool.strength;

    return walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double f) {
        const float old = h[i];
        const double a = f * strength * decay;
        return differs(storeHeight(h, i, (1 - a) * old + a * reference[i]), old);
    });
}

VekMath::Rect2di Relief::eraseDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, false);
    if (d.isEmpty())
        return VekMath::Rect2di();

    float* h = m_heights.data();
    const CellFilter selectedOnly{m_selection.data(), false, m_selectionActive};
    return walkFootprint(d, m_width, *m_stroke, [&](size_t i, int, int, double) {
        const float old = h[i];
        if (selectedOnly.spares(i, old))
            return false;
        h[i] = 0;
        return differs(0.0f, old);
    });
}

VekMath::Rect2di Relief::brushDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, false);
    if (d.isEmpty())
        return VekMath::Rect2di();

    float* h = m_heights.data();
    const CellFilter selectedOnly{m_selection.data(), false, m_selectionActive};
    // Compared as stored, so a base level that a float cannot hold exactly
    // does not report every later dab as a change.
    const float base = static_cast<float>(m_baseLevel);
    return walkFootprint(d, m_width, *m_stroke, [&](size_t i, int, int, double) {
        const float old = h[i];
        if (selectedOnly.spares(i, old))
            return false;
        h[i] = base;
        return differs(base, old);
    });
}

VekMath::Rect2di Relief::sampleHeight(const VekMath::Vector2d& p)
{
    const double x = std::trunc(m_width * 0.5 + p.x);
    const double y = std::trunc(m_height * 0.5 + p.y);
    m_baseLevel = x >= 0 && x < m_width && y >= 0 && y < m_height
                      ? heightAtCell(static_cast<int>(x), static_cast<int>(y))
                      : 0.0;
    return VekMath::Rect2di();
}
