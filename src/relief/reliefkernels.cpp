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

// Visits every cell of the dab area whose footprint cell lies inside the
// mask, row by row, handing cell(index, x, y, falloff) the cell's index in
// the grid and its falloff weight. The dab's rectangle when some call
// reported a change, else an empty one.
template <class Cell>
VekMath::Rect2di walkFootprint(const DabArea& d, int width, SculptStroke& stroke, Cell cell)
{
    const int n = stroke.footprintSide();
    const int half = n / 2;
    const double* weights = stroke.weights();
    const int columns = d.x1 - d.x0;
    int* fxs = stroke.columnScratch(columns);
    for (int c = 0; c < columns; ++c) {
        const int fx = nearInt(d.x0 + c - d.cx) + half;
        fxs[c] = fx >= 0 && fx < n ? fx : -1;
    }
    bool changed = false;
    for (int y = d.y0; y < d.y1; ++y) {
        const int fy = nearInt(y - d.cy) + half;
        if (fy < 0 || fy >= n)
            continue;
        const double* wrow = weights + static_cast<size_t>(fy) * n;
        const size_t row = static_cast<size_t>(y) * width;
        for (int c = 0; c < columns; ++c) {
            const int fx = fxs[c];
            if (fx < 0)
                continue;
            const double f = wrow[fx];
            if (f < 0)
                continue;
            const int x = d.x0 + c;
            if (cell(row + x, x, y, f))
                changed = true;
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

// Changed when the stored value differs; a NaN always counts as a change.
inline bool differs(float stored, float before)
{
    return !(stored == before);
}

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
    const double decay = d.decay;

    float* h = m_heights.data();
    const float* sel = m_selection.data();
    const bool keepZero = tool.keepTransparency;
    const bool selective = m_selectionActive;
    const double strength = tool.strength;
    const Tool::Mode mode = tool.mode;
    const int w = m_width;
    const int lastX = m_width - 1;
    const int lastY = m_height - 1;

    return walkFootprint(d, w, stroke, [&](size_t i, int x, int y, double f) {
        const float old = h[i];
        if (keepZero && old == 0)
            return false;
        if (selective && sel[i] == 0)
            return false;
        const double a = f * strength * decay;
        const bool up = y > 0;
        const bool down = y < lastY;
        const bool left = x > 0;
        const bool right = x < lastX;
        double sum = 4.0 * old;
        double weight = 4;
        if (up) {
            sum += 2.0 * h[i - w];
            weight += 2;
        }
        if (down) {
            sum += 2.0 * h[i + w];
            weight += 2;
        }
        if (left) {
            sum += 2.0 * h[i - 1];
            weight += 2;
        }
        if (right) {
            sum += 2.0 * h[i + 1];
            weight += 2;
        }
        if (up && left) {
            sum += h[i - w - 1];
            weight += 1;
        }
        if (up && right) {
            sum += h[i - w + 1];
            weight += 1;
        }
        if (down && left) {
            sum += h[i + w - 1];
            weight += 1;
        }
        if (down && right) {
            sum += h[i + w + 1];
            weight += 1;
        }
        const double m = sum / weight;
        const double value = m * a + (1 - a) * old;
        switch (mode) {
        case Tool::Normal:
            break;
        case Tool::Raise:
            if (!(value > old))
                return false;
            break;
        case Tool::Lower:
            if (!(value < old))
                return false;
            break;
        default:
            return false;
        }
        return differs(storeHeight(h, i, value), old);
    });
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
    const float* sel = m_selection.data();
    const bool keepZero = tool.keepTransparency;
    const bool selective = m_selectionActive;
    const double strength = tool.strength;
    const Tool::Mode mode = tool.mode;

    return walkFootprint(d, m_width, stroke, [&](size_t i, int x, int y, double f) {
        const float old = h[i];
        if (keepZero && old == 0)
            return false;
        if (selective && sel[i] == 0)
            return false;
        // A later dab may be wider than the patch: a cell beyond the patch's
        // columns or rows keeps its own height rather than reading a wrong row.
        const int px = x - d.x0;
        const int py = y - d.y0;
        const double c = px < patch.width && py < patch.height
                             ? carried[static_cast<size_t>(py) * patch.width + px]
                             : old;
        switch (mode) {
        case Tool::Normal:
            break;
        case Tool::Raise:
            if (!(c >= old))
                return false;
            break;
        case Tool::Lower:
            if (!(old >= c))
                return false;
            break;
        default:
            return false;
        }
        const double a = f * strength * decay;
        return differs(storeHeight(h, i, a * c + (1 - a) * old), old);
    });
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

    const float* sel = m_selection.data();
    const bool keepZero = tool.keepTransparency;
    const bool selective = m_selectionActive;
    const double strength = tool.strength;
    const double rise = std::sqrt(double(m_width) * m_width + double(m_height) * m_height) * 0.001 * strength;

    return walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double f) {
        const float old = h[i];
        if (keepZero && old == 0)
            return false;
        if (selective && sel[i] == 0)
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
    const float* sel = m_selection.data();
    const bool selective = m_selectionActive;
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
            if (v != 0 && (floorHeight > v || floorHeight == 0) && !(selective && sel[i] == 0))
                floorHeight = v;
            return false;
        });
    }

    const bool keepZero = tool.keepTransparency;
    const double strength = tool.strength;
    const double drop = std::sqrt(double(m_width) * m_width + double(m_height) * m_height) * 0.001 * strength;

    return walkFootprint(d, m_width, stroke, [&](size_t i, int, int, double f) {
        const float old = h[i];
        if (keepZero && old == 0)
            return false;
        if (selective && sel[i] == 0)
            return false;
        const double a = f * strength * decay;
        double target = old - drop;
        // The floor stops the removal; it never lifts a cell lying below it
        // (a zero cell when zeros are not kept).
        if (clip)
            target = std::min<double>(old, std::max(floorHeight, target));
        target = std::max(0.0, target);
        return differs(storeHeight(h, i, std::max(0.0, (1 - a) * old + a * target)), old);
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
    const float* sel = m_selection.data();
    const bool selective = m_selectionActive;
    return walkFootprint(d, m_width, *m_stroke, [&](size_t i, int, int, double) {
        if (selective && sel[i] == 0)
            return false;
        const float old = h[i];
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
    const float* sel = m_selection.data();
    const bool selective = m_selectionActive;
    // Compared as stored, so a base level that a float cannot hold exactly
    // does not report every later dab as a change.
    const float base = static_cast<float>(m_baseLevel);
    return walkFootprint(d, m_width, *m_stroke, [&](size_t i, int, int, double) {
        if (selective && sel[i] == 0)
            return false;
        const float old = h[i];
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
