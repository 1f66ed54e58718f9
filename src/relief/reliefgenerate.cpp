#include "relief/relief.h"

#include "relief/basutil.h"
#include "relief/progressmonitor.h"
#include "relief/reliefsource.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Calls f for every index of [begin, end) in runs of a fixed length: the
// compiler vectorises such runs where it leaves loops of unknown length alone.
template <class F>
inline void forRuns(int begin, int end, F f)
{
    constexpr int kRun = 16;
    int i = begin;
    for (; i + kRun <= end; i += kRun)
        for (int k = 0; k < kRun; ++k)
            f(i + k);
    for (; i < end; ++i)
        f(i);
}

// One pass of the [1 2 1] filter along a row, divided by the weights that
// fall inside the grid. Together with the column pass it gives the smoothing
// neighbourhood: 4 for the cell, 2 for edge and 1 for corner neighbours.
void smoothRow(const float* __restrict in, float* __restrict out, int w)
{
    if (w == 1) {
        out[0] = in[0];
        return;
    }
    out[0] = (2.0f * in[0] + in[1]) / 3.0f;
    forRuns(1, w - 1, [=](int x) { out[x] = (2.0f * in[x] + in[x - 1] + in[x + 1]) * 0.25f; });
    out[w - 1] = (2.0f * in[w - 1] + in[w - 2]) / 3.0f;
}

// Writes the column mean of one row over the heights, which still hold the
// values before the pass (kept zeros and the blend of a fractional pass need
// them).
template <class Mean>
void writeSmoothed(float* __restrict h, int w, bool keepZero, float blend, Mean mean)
{
    if (blend == 1.0f && !keepZero) {
        forRuns(0, w, [=](int x) { h[x] = mean(x); });
    } else if (blend == 1.0f) {
        forRuns(0, w, [=](int x) { h[x] = h[x] == 0.0f ? 0.0f : mean(x); });
    } else {
        const float keep = 1.0f - blend;
        forRuns(0, w, [=](int x) {
            const float m = mean(x) * blend + keep * h[x];
            h[x] = (keepZero && h[x] == 0.0f) ? 0.0f : m;
        });
    }
}

void smoothColumn(const float* __restrict up, const float* __restrict mid, const float* __restrict down,
                  float* __restrict h, int w, bool keepZero, float blend)
{
    if (up && down) {
        writeSmoothed(h, w, keepZero, blend,
                      [=](int x) { return (2.0f * mid[x] + up[x] + down[x]) * 0.25f; });
    } else if (up || down) {
        const float* other = up ? up : down;
        writeSmoothed(h, w, keepZero, blend, [=](int x) { return (2.0f * mid[x] + other[x]) / 3.0f; });
    } else {
        writeSmoothed(h, w, keepZero, blend, [=](int x) { return mid[x]; });
    }
}

} // namespace

void Relief::rebuild(bool apply, ProgressMonitor* progress)
{
    ReliefSource* src = m_source.get();
    if (!src)
        return;
    if (src->tiltDirty)
        src->normalise();

    float* h = m_heights.data();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            *h++ = float(src->sample(uint32_t(x), uint32_t(y), src->preview));

    if (src->preview) {
        erodePasses(src->trimSteps);
        smoothPasses(src->smoothSteps, src->importKeepTransparency);
        if (src->basRelief) {
            if (apply && src->dirty) {
                BasUtil bas(*this);
                // A relief of one or two height levels has no range to map.
                if (bas.usable()) {
                    const float* result = bas.makeRelief(src->gridSize, src->contrastFactor, src->smoothness,
                                                         progress);
                    if (!progress || !progress->wasCanceled()) {
                        m_basReliefCache.assign(result, result + cellCount());
                        m_heights = m_basReliefCache;
                        src->dirty = false;
                    }
                }
            } else if (!src->dirty && !m_basReliefCache.empty()) {
                // Only a result made with the current settings may stand in.
                m_heights = m_basReliefCache;
            }
        }
        m_referenceHeights = m_heights;
    }
    m_remesh = true;
}

void Relief::erodePasses(int n)
{
    const int w = m_width;
    const int hgt = m_height;
    if (n <= 0 || w == 0 || hgt == 0)
        return;
    const size_t cells = cellCount();
    // A cell survives a pass when it and its eight neighbours are non-zero and
    // it is off the border: the minimum of a 3 x 3 mask, taken by rows and
    // then by columns.
    std::vector<uint8_t> maskCells(cells), rowCells(cells);
    uint8_t* __restrict mask = maskCells.data();
    uint8_t* __restrict rows = rowCells.data();
    const float* __restrict heights = m_heights.data();
    for (int y = 0; y < hgt; ++y) {
        const size_t row = size_t(y) * w;
        forRuns(0, w, [=](int x) { mask[row + x] = heights[row + x] != 0.0f; });
    }
    for (int pass = 0; pass < n; ++pass) {
        for (int y = 0; y < hgt; ++y) {
            const uint8_t* __restrict in = mask + size_t(y) * w;
            uint8_t* __restrict out = rows + size_t(y) * w;
            out[0] = 0;
            forRuns(1, w - 1, [=](int x) { out[x] = in[x - 1] & in[x] & in[x + 1]; });
            out[w - 1] = 0;
        }
        std::memset(mask, 0, size_t(w));
        std::memset(mask + size_t(hgt - 1) * w, 0, size_t(w));
        for (int y = 1; y + 1 < hgt; ++y) {
            const uint8_t* __restrict mid = rows + size_t(y) * w;
            const uint8_t* __restrict up = mid - w;
            const uint8_t* __restrict down = mid + w;
            uint8_t* __restrict out = mask + size_t(y) * w;
            forRuns(0, w, [=](int x) { out[x] = up[x] & mid[x] & down[x]; });
        }
    }
    float* __restrict out = m_heights.data();
    for (int y = 0; y < hgt; ++y) {
        const size_t row = size_t(y) * w;
        forRuns(0, w, [=](int x) { out[row + x] = mask[row + x] ? out[row + x] : 0.0f; });
    }
}

void Relief::smoothPasses(double steps, bool keepZero)
{
    const int w = m_width;
    const int hgt = m_height;
    if (!(steps > 0.0) || w == 0 || hgt == 0)
        return;
    const double ceiling = std::ceil(steps);
    const int passes = ceiling >= double(INT_MAX) ? INT_MAX : int(ceiling);
    const double fraction = steps - std::trunc(steps);

    std::vector<float> rows(cellCount());
    for (int pass = 0; pass < passes; ++pass) {
        const float blend = (pass == passes - 1 && fraction != 0.0) ? float(fraction) : 1.0f;
        for (int y = 0; y < hgt; ++y)
            smoothRow(m_heights.data() + size_t(y) * w, rows.data() + size_t(y) * w, w);
        for (int y = 0; y < hgt; ++y) {
            const float* mid = rows.data() + size_t(y) * w;
            const float* up = y > 0 ? mid - w : nullptr;
            const float* down = y + 1 < hgt ? mid + w : nullptr;
            smoothColumn(up, mid, down, m_heights.data() + size_t(y) * w, w, keepZero, blend);
        }
    }
}
