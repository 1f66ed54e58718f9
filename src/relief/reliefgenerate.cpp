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
    for (int x = 1; x + 1 < w; ++x)
        out[x] = (2.0f * in[x] + in[x - 1] + in[x + 1]) * 0.25f;
    out[w - 1] = (2.0f * in[w - 1] + in[w - 2]) / 3.0f;
}

// Writes the column mean of one row over the heights, which still hold the
// values before the pass (kept zeros and the blend of a fractional pass need
// them).
template <class Mean>
void writeSmoothed(float* __restrict h, int w, bool keepZero, float blend, Mean mean)
{
    if (blend == 1.0f && !keepZero) {
        for (int x = 0; x < w; ++x)
            h[x] = mean(x);
        return;
    }
    const float keep = 1.0f - blend;
    for (int x = 0; x < w; ++x) {
        const float m = blend == 1.0f ? mean(x) : mean(x) * blend + keep * h[x];
        h[x] = (keepZero && h[x] == 0.0f) ? 0.0f : m;
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
    std::vector<uint8_t> mask(cells), rows(cells);
    for (size_t i = 0; i < cells; ++i)
        mask[i] = m_heights[i] != 0.0f;
    for (int pass = 0; pass < n; ++pass) {
        for (int y = 0; y < hgt; ++y) {
            const uint8_t* in = mask.data() + size_t(y) * w;
            uint8_t* out = rows.data() + size_t(y) * w;
            out[0] = 0;
            for (int x = 1; x + 1 < w; ++x)
                out[x] = in[x - 1] & in[x] & in[x + 1];
            out[w - 1] = 0;
        }
        std::memset(mask.data(), 0, size_t(w));
        std::memset(mask.data() + size_t(hgt - 1) * w, 0, size_t(w));
        for (int y = 1; y + 1 < hgt; ++y) {
            const uint8_t* up = rows.data() + size_t(y - 1) * w;
            const uint8_t* mid = rows.data() + size_t(y) * w;
            const uint8_t* down = rows.data() + size_t(y + 1) * w;
            uint8_t* out = mask.data() + size_t(y) * w;
            for (int x = 0; x < w; ++x)
                out[x] = up[x] & mid[x] & down[x];
        }
    }
    for (size_t i = 0; i < cells; ++i)
        if (!mask[i])
            m_heights[i] = 0.0f;
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
