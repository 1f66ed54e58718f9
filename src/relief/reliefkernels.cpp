// One dab of a brush: the footprint kernels of the relief and the Sample tool.

#include "relief/relief.h"

#include "base/logfile.h"
#include "relief/sculptstroke.h"
#include "relief/tool.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>

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

// Scratch of the stroke cut into arrays for one dab.
class ScratchCutter
{
public:
    // Reserves room for every array first, then hands them out in turn.
    ScratchCutter(SculptStroke& stroke, size_t bytes) : m_next(static_cast<unsigned char*>(stroke.scratch(bytes))) {}

    template <class T>
    static size_t bytesFor(size_t count)
    {
        return (count * sizeof(T) + kAlign - 1) / kAlign * kAlign;
    }

    template <class T>
    T* take(size_t count)
    {
        T* p = reinterpret_cast<T*>(m_next);
        m_next += bytesFor<T>(count);
        return p;
    }

private:
    static constexpr size_t kAlign = alignof(std::max_align_t);
    unsigned char* m_next;
};

// Cells of one grid row whose footprint cells follow one another and all lie
// inside the mask.
struct Stretch
{
    size_t first;       // grid index of the first cell
    const double* w;    // blend weights from the first cell on
    int count;
    int room;           // cells after the last that exist in the grid, up to 7
    int x;              // grid column and row of the first cell
    int y;
};

// The dab's stretches, row by row and left to right, in the stroke's
// scratch; their number goes to *count.
const Stretch* footprintStretches(const DabArea& d, int width, size_t cells, SculptStroke& stroke, int* count)
{
    const int n = stroke.footprintSide();
    const double* weights = stroke.blendWeights();
    const int* maskRuns = stroke.maskRuns();
    const int* maskRunIndex = stroke.maskRunIndex();
    const int columns = d.x1 - d.x0;
    // Each grid row has its own footprint row, and at most two column runs
    // meet each stretch of the mask.
    const size_t most = 2 * static_cast<size_t>(maskRunIndex[n]);
    ScratchCutter cut(stroke, ScratchCutter::bytesFor<int>(4 * static_cast<size_t>(columns))
                                  + ScratchCutter::bytesFor<Stretch>(most));
    int* fxs = cut.take<int>(4 * static_cast<size_t>(columns));
    int* runs = fxs + columns;
    Stretch* stretches = cut.take<Stretch>(most);
    // The footprint columns of the dab's columns rise by one a column, or by
    // two where near() skips one; when the ends lie columns - 1 apart there
    // is no skip and one run covers them all.
    int runCount = 1;
    runs[0] = 0;
    runs[1] = columns;
    runs[2] = nearInt(d.x0 - d.cx) + n / 2;
    const int lastFx = nearInt(d.x1 - 1 - d.cx) + n / 2;
    if (lastFx - runs[2] != columns - 1 || runs[2] < 0 || lastFx >= n)
        runCount = footprintColumns(d, n, fxs, runs);
    // Stretches ending this far from the grid's end have the whole room.
    const size_t roomy = cells > 7 ? cells - 7 : 0;
    int made = 0;
    for (int y = d.y0; y < d.y1; ++y) {
        const int fy = nearInt(y - d.cy) + n / 2;
        if (fy < 0 || fy >= n)
            continue;
        const double* wrow = weights + static_cast<size_t>(fy) * n;
        const size_t rowStart = static_cast<size_t>(y) * width;
        const int* mask = maskRuns + 2 * maskRunIndex[fy];
        const int* maskEnd = maskRuns + 2 * maskRunIndex[fy + 1];
        for (const int* run = runs; run < runs + 3 * runCount; run += 3) {
            for (const int* m = mask; m < maskEnd; m += 2) {
                const int from = std::max(0, m[0] - run[2]);
                const int to = std::min(run[1], m[1] - run[2]);
                if (from >= to)
                    continue;
                const int x = d.x0 + run[0] + from;
                const size_t first = rowStart + x;
                const size_t end = first + (to - from);
                const int room = end <= roomy ? 7 : static_cast<int>(cells - end);
                stretches[made++] = Stretch{first, wrow + run[2] + from, to - from, room, x, y};
            }
        }
    }
    *count = made;
    return stretches;
}

// Calls f with std::true_type or std::false_type for b, so that a flag fixed
// for the whole dab becomes a constant in the loops below.
template <class F>
decltype(auto) withFlag(bool b, F&& f)
{
    return b ? f(std::true_type()) : f(std::false_type());
}

// The loops below work out every cell's new height, then keep the old one
// where the cell is spared, with no branch, so that the compiler runs several
// cells at once; writing a spared cell's own height back changes nothing. A
// cell counts as changed when the stored value differs (a NaN always does).

// Where the processor has AVX2, the walk over a dab's stretches with the
// cell loops built into it runs in a build for AVX2, chosen once at load
// time; every other x86-64 runs the plain build. AVX2 alone brings no fused
// multiply-add, so both builds round every step alike. (Clang takes no
// flatten beside the clones; it gets the plain build.)
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__has_attribute)
#if __has_attribute(target_clones) && __has_attribute(flatten)
#define CELL_LOOPS __attribute__((target_clones("avx2", "default"), flatten))
#endif
#endif
#ifndef CELL_LOOPS
#define CELL_LOOPS
#endif

// row(stretch, arrays...) for every stretch, or-ing what it returns: nonzero
// when it changed a cell. arrays are the heights and whatever else the
// kernel reads, no two of them overlapping.
template <class Row, class... Array>
CELL_LOOPS int eachStretch(const Stretch* stretches, int count, const Row& row, Array* __restrict... arrays)
{
    int changed = 0;
    for (int i = 0; i < count; ++i)
        changed |= row(stretches[i], arrays...);
    return changed;
}

// Runs row over the dab's stretches. For kernels whose cells do not read one
// another, so the order is free. The dab's rectangle when some stretch
// changed, else an empty one.
template <class Row, class... Array>
VekMath::Rect2di walkFootprint(const DabArea& d, int width, size_t cells, SculptStroke& stroke, const Row& row,
                               Array*... arrays)
{
    int count = 0;
    const Stretch* stretches = footprintStretches(d, width, cells, stroke, &count);
    return eachStretch(stretches, count, row, arrays...) ? d.rect() : VekMath::Rect2di();
}

// A block reads up to 7 weights past a stretch's last.
static_assert(SculptStroke::kWeightsTail >= 7, "blend weights end in a tail of zeros");

// cell(k, fresh) for k = 0..count - 1, or-ing the changes, in blocks of
// eight: a count the compiler's cheapest vector model takes on, as it needs
// no scalar remainder. Where the room allows, the last block runs on past
// the stretch with those cells not fresh, so that they are written back as
// they are; else the rest goes one by one.
template <class Cell>
inline int eachCell(int count, int room, Cell cell)
{
    const int blocks = (count + (room >= (-count & 7) ? 7 : 0)) & ~7;
    int changed = 0;
    for (int k = 0; k < blocks; ++k)
        changed |= cell(k, k < count);
    for (int k = blocks; k < count; ++k)
        changed |= cell(k, true);
    return changed;
}

// Whether the cell takes a value: not a kept zero, selected while the
// selection is in force.
template <bool KeepZero, bool Selective>
inline bool takes(float old, const float* sel, int k)
{
    bool live = true;
    if (KeepZero)
        live = live & (old != 0);
    if (Selective)
        live = live & (sel[k] != 0);
    return live;
}

// Stores v where the cell takes it; true when that changed the cell.
inline bool store(float* h, int k, float old, float v, bool live)
{
    h[k] = live ? v : old;
    return live & (v != old);
}

// Erase and Brush: the value itself, unweighted.
template <bool Selective>
inline int fillRow(float* h, const float* sel, int count, int room, float value)
{
    return eachCell(count, room, [=](int k, bool fresh) {
        const float old = h[k];
        return store(h, k, old, value, fresh & takes<false, Selective>(old, sel, k));
    });
}

struct BlendParams
{
    double decay;
    double step;      // Deposit's rise, Remove's drop
    double limit;     // Deposit's ceiling, Remove's floor
};

// Deposit: towards the cell raised by the step, capped by the ceiling.
struct DepositCells
{
    template <bool KeepZero, bool Selective, bool Clip>
    static int row(float* h, const float* sel, const double* w, int count, int room, const BlendParams p)
    {
        return eachCell(count, room, [=](int k, bool fresh) {
            const float old = h[k];
            const double a = w[k] * p.decay;
            double target = old + p.step;
            if (Clip)
                target = target < p.limit ? target : p.limit;
            const float v = static_cast<float>((1 - a) * old + a * target);
            return store(h, k, old, v, fresh & takes<KeepZero, Selective>(old, sel, k));
        });
    }
};

// Remove: towards the cell lowered by the step, held at the floor (which
// never lifts a cell lying below it), never below 0; NaNs give 0.
struct RemoveCells
{
    template <bool KeepZero, bool Selective, bool Clip>
    static int row(float* h, const float* sel, const double* w, int count, int room, const BlendParams p)
    {
        return eachCell(count, room, [=](int k, bool fresh) {
            const float old = h[k];
            const double a = w[k] * p.decay;
            double target = old - p.step;
            if (Clip) {
                const double held = p.limit < target ? target : p.limit;
                target = held < old ? held : double(old);
            }
            target = target > 0 ? target : 0.0;
            // Clamped after rounding, which gives the same float and keeps the
            // rounding out of a branch; the change test reads the stored value,
            // a form the compiler keeps branch-free here.
            const float v = static_cast<float>((1 - a) * old + a * target);
            const float clamped = v > 0 ? v : 0.0f;
            const bool live = fresh & takes<KeepZero, Selective>(old, sel, k);
            const float stored = live ? clamped : old;
            h[k] = stored;
            return live & (stored != old);
        });
    }
};

// Deposit or Remove (Cells) over the dab, with the dab's flags made
// constants.
template <class Cells>
VekMath::Rect2di stepFootprint(const DabArea& d, int width, size_t cells, SculptStroke& stroke, float* h,
                               const float* sel, bool keepZero, bool selective, bool clip, const BlendParams& params)
{
    return withFlag(keepZero, [&](auto k) {
        return withFlag(selective, [&](auto s) {
            return withFlag(clip, [&](auto c) {
                auto row = [=](const Stretch& t, float* h, const float* sel) {
                    return Cells::template row<decltype(k)::value, decltype(s)::value, decltype(c)::value>(
                        h + t.first, sel + t.first, t.w, t.count, t.room, params);
                };
                return walkFootprint(d, width, cells, stroke, row, h, sel);
            });
        });
    });
}

// Undo: towards the reference heights.
inline int undoRow(float* h, const float* reference, const double* w, int count, int room, double decay)
{
    return eachCell(count, room, [=](int k, bool fresh) {
        const float old = h[k];
        const double a = w[k] * decay;
        const float v = static_cast<float>((1 - a) * old + a * reference[k]);
        return store(h, k, old, v, fresh);
    });
}

// Smudge: towards the carried height c, or towards the cell's own height
// where the patch has no cell (Carried false, c unused). The mode's gate
// compares c with the cell first.
template <bool KeepZero, bool Selective, int Mode, bool Carried>
inline int smudgeRow(float* h, const float* sel, const double* w, const float* c, int count, int room, double decay)
{
    return eachCell(count, room, [=](int k, bool fresh) {
        const float old = h[k];
        const float carried = Carried ? c[k] : old;
        const double a = w[k] * decay;
        const float v = static_cast<float>(a * carried + (1 - a) * old);
        bool live = fresh & takes<KeepZero, Selective>(old, sel, k);
        if (Mode == Tool::Raise)
            live = live & (carried >= old);
        if (Mode == Tool::Lower)
            live = live & (old >= carried);
        return store(h, k, old, v, live);
    });
}

// Erase and Brush: value into every footprint cell that is selected while
// the selection is in force.
VekMath::Rect2di fillFootprint(const DabArea& d, int width, size_t cells, SculptStroke& stroke, float* h,
                               const float* sel, bool selective, float value)
{
    return withFlag(selective, [&](auto selected) {
        return walkFootprint(d, width, cells, stroke, [=](const Stretch& s, float* h, const float* sel) {
            return fillRow<decltype(selected)::value>(h + s.first, sel + s.first, s.count, s.room, value);
        }, h, sel);
    });
}

// Four running values the cells are folded into, one per cell position
// modulo 4, so that a fold has no chain through every cell.
struct Lanes
{
    double v[4];
    bool sawNan = false;

    explicit Lanes(double start) : v{start, start, start, start} {}
};

// Deposit's ceiling: v > c makes c = v.
void raiseCeiling(Lanes& lanes, const float* h, int count)
{
    for (int k = 0; k < count; ++k) {
        double& c = lanes.v[k & 3];
        const double v = h[k];
        c = v > c ? v : c;
    }
}

// Remove's floor: a non-zero height under the floor, or any non-zero height
// while the floor is 0, lowers it; unselected cells do not count.
template <bool Selective>
void lowerFloor(Lanes& lanes, const float* h, const float* sel, int count)
{
    for (int k = 0; k < count; ++k) {
        double& f = lanes.v[k & 3];
        const double v = h[k];
        const bool counts = (v != 0) & (!Selective || sel[k] != 0);
        f = counts & ((f > v) | (f == 0)) ? v : f;
        lanes.sawNan |= counts & (v != v);
    }
}

// Smooth, whose cells read the neighbours just written, with the result of
// a walk row by row, left to right: every cell sees its left and upper
// neighbours already written and the others not yet. Rows go in bands of
// four, each row two columns behind the one above, so that the four cells
// in hand never read one another and their work overlaps.
struct SmoothCell
{
    float* h;
    const float* sel;
    bool keepZero;
    bool selective;
    int width;
    int height;
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
    bool apply(size_t i, int x, int y, double w, Gate keep) const
    {
        const float old = h[i];
        if ((keepZero && old == 0) || (selective && sel[i] == 0))
            return false;
        const double a = w * decay;
        const bool inner = x > 0 && y > 0 && x < width - 1 && y < height - 1;
        const double value = (inner ? innerMean(i) : borderMean(i, x, y)) * a + (1 - a) * old;
        if (!keep(value, old))
            return false;
        const float stored = static_cast<float>(value);
        h[i] = stored;
        return stored != old;
    }
};

template <class Cell>
VekMath::Rect2di walkFootprintInPlace(const DabArea& d, int width, SculptStroke& stroke, Cell cell)
{
    constexpr int band = 4;
    constexpr int lag = 2;
    const int n = stroke.footprintSide();
    const double* weights = stroke.blendWeights();
    const unsigned char* mask = stroke.mask();
    const int* maskRuns = stroke.maskRuns();
    const int* maskRunIndex = stroke.maskRunIndex();
    const int columns = d.x1 - d.x0;
    int* fxs = static_cast<int*>(stroke.scratch(4 * static_cast<size_t>(columns) * sizeof(int)));
    footprintColumns(d, n, fxs, fxs + columns);
    bool changed = false;
    for (int y = d.y0; y < d.y1; y += band) {
        const int rows = std::min(band, d.y1 - y);
        // Per row: its footprint weights, and the footprint columns inside
        // the mask when they are one stretch (else the mask is read).
        const double* wrows[band] = {};
        const unsigned char* mrows[band] = {};
        int inFirst[band] = {};
        int inEnd[band] = {};
        for (int j = 0; j < rows; ++j) {
            const int fy = nearInt(y + j - d.cy) + n / 2;
            if (fy < 0 || fy >= n)
                continue;
            wrows[j] = weights + static_cast<size_t>(fy) * n;
            if (maskRunIndex[fy + 1] - maskRunIndex[fy] == 1) {
                inFirst[j] = maskRuns[2 * maskRunIndex[fy]];
                inEnd[j] = maskRuns[2 * maskRunIndex[fy] + 1];
            } else {
                mrows[j] = mask + static_cast<size_t>(fy) * n;
            }
        }
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
                const bool in = mrows[j] ? mrows[j][fx] != 0 : fx >= inFirst[j] && fx < inEnd[j];
                if (in && cell(start + static_cast<size_t>(j) * width + c, d.x0 + c, y + j, wrows[j][fx]))
                    changed = true;
            }
        }
    }
    return changed ? d.rect() : VekMath::Rect2di();
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
    const SmoothCell cell{m_heights.data(), m_selection.data(), tool.keepTransparency, m_selectionActive,
                          m_width, m_height, d.decay};
    // The mode decides which results are stored; any other mode stores none.
    switch (tool.mode) {
    case Tool::Normal:
        return walkFootprintInPlace(d, m_width, stroke, [&](size_t i, int x, int y, double w) {
            return cell.apply(i, x, y, w, [](double, float) { return true; });
        });
    case Tool::Raise:
        return walkFootprintInPlace(d, m_width, stroke, [&](size_t i, int x, int y, double w) {
            return cell.apply(i, x, y, w, [](double value, float old) { return value > old; });
        });
    case Tool::Lower:
        return walkFootprintInPlace(d, m_width, stroke, [&](size_t i, int x, int y, double w) {
            return cell.apply(i, x, y, w, [](double value, float old) { return value < old; });
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
    const int mode = tool.mode;
    if (mode != Tool::Normal && mode != Tool::Raise && mode != Tool::Lower)
        return VekMath::Rect2di();

    const SculptStroke::CarriedPatch& patch = *stroke.carriedPatch();
    const float* carried = patch.heights.data();
    const float* sel = m_selection.data();
    const int patchWidth = patch.width;
    const int patchHeight = patch.height;
    const size_t patchCells = patch.heights.size();

    auto dab = [&](auto keepZero, auto selective, auto gate) {
        constexpr bool K = decltype(keepZero)::value;
        constexpr bool S = decltype(selective)::value;
        constexpr int M = decltype(gate)::value;
        auto row = [=](const Stretch& s, float* h, const float* sel, const float* carried) {
            // A later dab may be wider than the patch: a cell beyond the
            // patch's columns or rows keeps its own height rather than
            // reading a wrong row.
            const int px = s.x - d.x0;
            const int py = s.y - d.y0;
            const int inside = py < patchHeight ? std::clamp(patchWidth - px, 0, s.count) : 0;
            int changed = 0;
            if (inside > 0) {
                const size_t from = static_cast<size_t>(py) * patchWidth + px;
                // Running on past the stretch reads the patch too.
                const int room = static_cast<int>(std::min<size_t>({patchCells - (from + inside), 7,
                                                                     static_cast<size_t>(s.room + s.count - inside)}));
                changed |= smudgeRow<K, S, M, true>(h + s.first, sel + s.first, s.w, carried + from, inside, room,
                                                    decay);
            }
            if (inside < s.count)
                changed |= smudgeRow<K, S, M, false>(h + s.first + inside, sel + s.first + inside, s.w + inside,
                                                     nullptr, s.count - inside, s.room, decay);
            return changed;
        };
        return walkFootprint(d, m_width, cellCount(), stroke, row, h, sel, carried);
    };
    return withFlag(tool.keepTransparency, [&](auto keepZero) {
        return withFlag(m_selectionActive, [&](auto selective) {
            switch (mode) {
            case Tool::Raise:
                return dab(keepZero, selective, std::integral_constant<int, Tool::Raise>());
            case Tool::Lower:
                return dab(keepZero, selective, std::integral_constant<int, Tool::Lower>());
            default:
                return dab(keepZero, selective, std::integral_constant<int, Tool::Normal>());
            }
        });
    });
}

VekMath::Rect2di Relief::depositDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();

    float* h = m_heights.data();
    const float* sel = m_selection.data();
    const bool clip = tool.clip;
    double ceiling = h[static_cast<size_t>(d.y0) * m_width + d.x0];
    if (clip) {
        int count = 0;
        const Stretch* stretches = footprintStretches(d, m_width, cellCount(), stroke, &count);
        Lanes lanes(ceiling);
        for (int i = 0; i < count; ++i)
            raiseCeiling(lanes, h + stretches[i].first, stretches[i].count);
        for (const double v : lanes.v)
            ceiling = v > ceiling ? v : ceiling;
        // Only 0 and -0 compare equal with different bits; the walk's order
        // picks between them.
        if (ceiling == 0) {
            Lanes ordered(h[static_cast<size_t>(d.y0) * m_width + d.x0]);
            for (int i = 0; i < count; ++i)
                for (int k = 0; k < stretches[i].count; ++k)
                    raiseCeiling(ordered, h + stretches[i].first + k, 1);
            ceiling = ordered.v[0];
        }
    }

    const BlendParams params{
        d.decay, std::sqrt(double(m_width) * m_width + double(m_height) * m_height) * 0.001 * tool.strength, ceiling};
    return stepFootprint<DepositCells>(d, m_width, cellCount(), stroke, h, sel, tool.keepTransparency,
                                       m_selectionActive, clip, params);
}

VekMath::Rect2di Relief::removeDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();

    float* h = m_heights.data();
    const float* sel = m_selection.data();
    const bool clip = tool.clip;
    double floorHeight = 0;
    if (clip) {
        // The cell nearest the centre can lie beyond the edge when the dab
        // hangs over it: start from the nearest cell inside the grid.
        const int fx = nearInt(std::clamp(d.cx, 0.0, double(m_width - 1)));
        const int fy = nearInt(std::clamp(d.cy, 0.0, double(m_height - 1)));
        floorHeight = h[static_cast<size_t>(fy) * m_width + fx];
        int count = 0;
        const Stretch* stretches = footprintStretches(d, m_width, cellCount(), stroke, &count);
        auto lower = [&](Lanes& lanes, bool inOrder) {
            withFlag(m_selectionActive, [&](auto selective) {
                for (int i = 0; i < count; ++i) {
                    const Stretch& s = stretches[i];
                    if (!inOrder)
                        lowerFloor<decltype(selective)::value>(lanes, h + s.first, sel + s.first, s.count);
                    for (int k = 0; inOrder && k < s.count; ++k)
                        lowerFloor<decltype(selective)::value>(lanes, h + s.first + k, sel + s.first + k, 1);
                }
            });
        };
        Lanes lanes(floorHeight);
        lower(lanes, false);
        if (lanes.sawNan) {
            // A NaN met while the floor is 0 becomes the floor, so the order
            // of the cells matters.
            Lanes ordered(floorHeight);
            lower(ordered, true);
            floorHeight = ordered.v[0];
        } else {
            for (const double v : lanes.v)
                floorHeight = (v != 0) & ((floorHeight > v) | (floorHeight == 0)) ? v : floorHeight;
        }
    }

    const BlendParams params{
        d.decay, std::sqrt(double(m_width) * m_width + double(m_height) * m_height) * 0.001 * tool.strength,
        floorHeight};
    return stepFootprint<RemoveCells>(d, m_width, cellCount(), stroke, h, sel, tool.keepTransparency,
                                      m_selectionActive, clip, params);
}

VekMath::Rect2di Relief::undoDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, true);
    if (d.isEmpty())
        return VekMath::Rect2di();
    float* h = m_heights.data();
    const float* reference = m_referenceHeights.data();
    const double decay = d.decay;
    auto row = [=](const Stretch& s, float* h, const float* reference) {
        return undoRow(h + s.first, reference + s.first, s.w, s.count, s.room, decay);
    };
    return walkFootprint(d, m_width, cellCount(), *m_stroke, row, h, reference);
}

VekMath::Rect2di Relief::eraseDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, false);
    if (d.isEmpty())
        return VekMath::Rect2di();
    return fillFootprint(d, m_width, cellCount(), *m_stroke, m_heights.data(), m_selection.data(),
                         m_selectionActive, 0.0f);
}

VekMath::Rect2di Relief::brushDab(const VekMath::Vector2d& p)
{
    const DabArea d = placeDab(m_stroke.get(), m_width, m_height, p, false);
    if (d.isEmpty())
        return VekMath::Rect2di();
    // Compared as stored, so a base level that a float cannot hold exactly
    // does not report every later dab as a change.
    return fillFootprint(d, m_width, cellCount(), *m_stroke, m_heights.data(), m_selection.data(),
                         m_selectionActive, static_cast<float>(m_baseLevel));
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
