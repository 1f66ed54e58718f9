#include "relief/basutil.h"

#include "relief/progressmonitor.h"
#include "relief/relief.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

int tilesAcross(int cells, int grid)
{
    return int(std::ceil(double(cells - grid) / double(grid + 1)));
}

int clampBin(double b, int bins)
{
    // NaN and out-of-range values must not index outside the histogram.
    if (!(b > 0.0))
        return 0;
    if (b >= double(bins - 1))
        return bins - 1;
    return int(b);
}

} // namespace

BasUtil::BasUtil(const Relief& relief)
    : BasUtil(relief.width(), relief.height(), relief.heights())
{
}

BasUtil::BasUtil(int width, int height, const float* heights)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    const size_t n = size_t(m_width) * size_t(m_height);
    m_Z.assign(n, 0.0f);
    m_T.assign(n, 0.0f);
    m_out.assign(n, 0.0f);
    if (n == 0)
        return;

    bool finite = true;
    double lo = heights[0];
    double hi = heights[0];
    for (size_t i = 0; i < n; ++i) {
        const double v = heights[i];
        if (!std::isfinite(v)) {
            finite = false;
            break;
        }
        if (v < lo)
            lo = v;
        else if (v > hi)
            hi = v;
    }
    if (!finite) {
        // Refused: Z and T stay 0 and the result is all zeros.
        m_minZ = m_base = m_range = 0.0;
        return;
    }

    double base = hi;
    for (size_t i = 0; i < n; ++i) {
        const double v = heights[i];
        if (v > lo && v < base)
            base = v;
    }
    m_minZ = lo;
    m_base = base;
    m_range = hi - base;
    m_usable = m_range > 0.0 && std::isfinite(m_range);

    for (size_t i = 0; i < n; ++i) {
        const double z = double(heights[i]) - base;
        m_Z[i] = z < 0.0 ? 0.0f : float(z);
    }

    const int w = m_width;
    const float* Z = m_Z.data();
    for (int y = 1; y + 1 < m_height; ++y) {
        const float* up = Z + size_t(y - 1) * w;
        const float* mid = Z + size_t(y) * w;
        const float* down = Z + size_t(y + 1) * w;
        float* t = m_T.data() + size_t(y) * w;
        for (int x = 1; x + 1 < w; ++x) {
            const double gx = 2.0 * mid[x - 1] + up[x - 1] + down[x - 1]
                              - up[x + 1] - 2.0 * mid[x + 1] - down[x + 1];
            const double gy = 2.0 * up[x] + up[x - 1] + up[x + 1]
                              - down[x - 1] - 2.0 * down[x] - down[x + 1];
            t[x] = float(std::log(1.0 + std::sqrt(gx * gx + gy * gy)));
        }
    }
}

int BasUtil::mirrored(int i, int n) const
{
    if (i < 0)
        i = -i;
    else if (i >= n)
        i = 2 * n - 2 - i;
    return i;
}

double BasUtil::Z(int x, int y) const
{
    const int mx = mirrored(x, m_width);
    const int my = mirrored(y, m_height);
    if (mx < 0 || mx >= m_width || my < 0 || my >= m_height)
        throw "BasUtil::Z() out of bounds";
    return m_Z[size_t(my) * m_width + mx];
}

double BasUtil::T(int x, int y) const
{
    const int mx = mirrored(x, m_width);
    const int my = mirrored(y, m_height);
    if (mx < 0 || mx >= m_width || my < 0 || my >= m_height)
        throw "BasUtil::T() out of bounds";
    return m_T[size_t(my) * m_width + mx];
}

void BasUtil::prepareBins(int bins)
{
    if (m_binsPrepared == bins && !m_bin.empty())
        return;
    const size_t n = m_Z.size();
    m_bin.resize(n);
    const double scale = m_usable ? double(bins - 1) : 0.0;
    const double range = m_usable ? m_range : 1.0;
    for (size_t i = 0; i < n; ++i)
        m_bin[i] = clampBin(double(m_Z[i]) / range * scale, bins);
    m_binsPrepared = bins;
}

void BasUtil::histogram(int cx, int cy, int rx, int ry, int contrastFactor, float* hist, int bins)
{
    if (bins < 1)
        return;
    std::fill(hist, hist + bins, 0.0f);
    if (rx < 0 || ry < 0 || m_Z.empty())
        return;
    prepareBins(bins);

    const double d = std::sqrt(double(rx) * rx + double(ry) * ry);
    const double twoD = d > 0.0 ? 2.0 * d : 1.0;
    const int spanX = 2 * rx + 1;
    m_mirrorX.resize(size_t(spanX));
    m_weightX.resize(size_t(spanX));
    m_rowWeight.resize(size_t(spanX));
    for (int i = 0; i < spanX; ++i) {
        const int dx = i - rx;
        const int mx = mirrored(cx + dx, m_width);
        if (mx < 0 || mx >= m_width)
            throw "BasUtil::Z() out of bounds";
        m_mirrorX[size_t(i)] = mx;
        m_weightX[size_t(i)] = float(std::exp(-double(dx) * dx / twoD));
    }

    const int* mirrorX = m_mirrorX.data();
    const float* weightX = m_weightX.data();
    float* rowWeight = m_rowWeight.data();
    double total = 0.0;
    for (int dy = -ry; dy <= ry; ++dy) {
        const int my = mirrored(cy + dy, m_height);
        if (my < 0 || my >= m_height)
            throw "BasUtil::Z() out of bounds";
        const float wy = float(std::exp(-double(dy) * dy / twoD));
        for (int i = 0; i < spanX; ++i)
            rowWeight[i] = weightX[i] * wy;
        const float* t = m_T.data() + size_t(my) * m_width;
        const int* bin = m_bin.data() + size_t(my) * m_width;
        double rowTotal = 0.0;
        for (int i = 0; i < spanX; ++i) {
            const int x = mirrorX[i];
            const float tv = t[x];
            // Flat cells weigh nothing; skipping them changes no sum.
            if (tv == 0.0f)
                continue;
            const float tw = tv * rowWeight[i];
            hist[bin[x]] += tw;
            rowTotal += tw;
        }
        total += rowTotal;
    }

    const float limit = float(total / bins * contrastFactor);
    for (int pass = 0; pass < kMaxClipPasses; ++pass) {
        int over = 0;
        double excess = 0.0;
        for (int i = 0; i < bins; ++i) {
            if (hist[i] > limit) {
                ++over;
                excess += double(hist[i]) - limit;
            }
        }
        if (over == 0)
            break;
        if (over == bins) {
            // No bin left to take the excess (a limit of 0 or below).
            std::fill(hist, hist + bins, limit);
            break;
        }
        const float share = float(excess / (bins - over));
        bool pushed = false;
        for (int i = 0; i < bins; ++i) {
            if (hist[i] > limit) {
                hist[i] = limit;
            } else {
                hist[i] += share;
                pushed |= hist[i] > limit;
            }
        }
        if (!pushed)
            break;
    }

    double sum = 0.0;
    for (int i = 0; i < bins; ++i) {
        sum += hist[i];
        hist[i] = float(sum);
    }
}

void BasUtil::zeroResult(ProgressMonitor* progress)
{
    std::fill(m_out.begin(), m_out.end(), 0.0f);
    if (progress) {
        progress->setMaximum(0);
        progress->show();
    }
}

const float* BasUtil::makeRelief(int gridSize, int contrastFactor, int bins, ProgressMonitor* progress)
{
    const int w = m_width;
    const int h = m_height;
    if (!m_usable || bins < 2 || gridSize < 2) {
        zeroResult(progress);
        return m_out.data();
    }
    int g = gridSize;
    while (g > 0 && (tilesAcross(h, g) < 4 || tilesAcross(w, g) < 4))
        g /= 2;
    if (g < 2) {
        zeroResult(progress);
        return m_out.data();
    }
    std::fill(m_out.begin(), m_out.end(), 0.0f);
    prepareBins(bins);

    if (progress) {
        int blocks = 0;
        for (int level = g; level != 1; level /= 2) {
            const int halfH = tilesAcross(h, level) / 2;
            const int halfW = tilesAcross(w, level) / 2;
            blocks += ((h + halfH - 1) / halfH) * ((w + halfW - 1) / halfW);
        }
        progress->setAutoClose(false);
        progress->setMaximum(blocks);
        progress->setValue(0);
        progress->show();
    }

    const size_t binCount = static_cast<size_t>(bins);
    std::vector<float> bufTL(binCount), bufTR(binCount), bufBL(binCount), bufBR(binCount);
    float* TL = bufTL.data();
    float* TR = bufTR.data();
    float* BL = bufBL.data();
    float* BR = bufBR.data();
    const double range = m_range;
    const double top = double(bins - 1);

    enum Case { All, Top, Bottom, Left, Right, OnlyTL, OnlyTR, OnlyBL, OnlyBR };

    int levels = 0;
    bool cancelled = false;
    for (int level = g; level != 1 && !cancelled; level /= 2) {
        ++levels;
        const int tileH = tilesAcross(h, level);
        const int tileW = tilesAcross(w, level);
        const int halfH = tileH / 2;
        const int halfW = tileW / 2;
        for (int y0 = 0; y0 < h && !cancelled; y0 += halfH) {
            const int y1 = y0 + halfH;
            const bool bottomRow = y1 < h - halfH;
            const bool topRow = y1 > halfH;
            for (int x0 = 0; x0 < w; x0 += halfW) {
                const int x1 = x0 + halfW;
                const bool rightCol = x1 < w - halfW;
                const bool leftCol = x1 > halfW;
                std::swap(TL, TR);
                std::swap(BL, BR);
                // The right-hand pair also serves the next block as its left.
                if (x1 < w) {
                    if (bottomRow)
                        histogram(x1, y1, tileW, tileH, contrastFactor, BR, bins);
                    if (topRow)
                        histogram(x1, y0, tileW, tileH, contrastFactor, TR, bins);
                }
                const bool useTL = topRow && leftCol;
                const bool useTR = topRow && rightCol;
                const bool useBL = bottomRow && leftCol;
                const bool useBR = bottomRow && rightCol;
                Case mode;
                if (useTL && useTR && useBL && useBR)
                    mode = All;
                else if (useTL && useTR)
                    mode = Top;
                else if (useBL && useBR)
                    mode = Bottom;
                else if (useTL && useBL)
                    mode = Left;
                else if (useTR && useBR)
                    mode = Right;
                else if (useTL)
                    mode = OnlyTL;
                else if (useTR)
                    mode = OnlyTR;
                else if (useBL)
                    mode = OnlyBL;
                else if (useBR)
                    mode = OnlyBR;
                else
                    throw "BasUtil::makeRelief() invalid case";

                const auto mapped = [bins](const float* c, int b) {
                    const double span = double(c[bins - 1]) - c[0];
                    return span == 0.0 ? 0.0 : (double(c[b]) - c[0]) / span;
                };
                const int yEnd = std::min(y1, h);
                const int xEnd = std::min(x1, w);
                for (int y = y0; y < yEnd; ++y) {
                    const double v = double(y - y0) / double(halfH - 1);
                    const float* zRow = m_Z.data() + size_t(y) * w;
                    float* outRow = m_out.data() + size_t(y) * w;
                    for (int x = x0; x < xEnd; ++x) {
                        const int b = clampBin(top * zRow[x] / range, bins);
                        const double u = double(x - x0) / double(halfW - 1);
                        double r = 0.0;
                        switch (mode) {
                        case All:
                            r = (1 - v) * (1 - u) * mapped(TL, b) + (1 - v) * u * mapped(TR, b)
                                + v * (1 - u) * mapped(BL, b) + u * v * mapped(BR, b);
                            break;
                        case Top:
                            r = (1 - u) * mapped(TL, b) + u * mapped(TR, b);
                            break;
                        case Bottom:
                            r = (1 - u) * mapped(BL, b) + u * mapped(BR, b);
                            break;
                        case Left:
                            r = (1 - v) * mapped(TL, b) + v * mapped(BL, b);
                            break;
                        case Right:
                            r = (1 - v) * mapped(TR, b) + v * mapped(BR, b);
                            break;
                        case OnlyTL:
                            r = mapped(TL, b);
                            break;
                        case OnlyTR:
                            r = mapped(TR, b);
                            break;
                        case OnlyBL:
                            r = mapped(BL, b);
                            break;
                        case OnlyBR:
                            r = mapped(BR, b);
                            break;
                        }
                        outRow[x] += float(r * range);
                    }
                }

                if (progress) {
                    progress->processEvents();
                    progress->setValue(progress->value() + 1);
                    if (progress->wasCanceled()) {
                        cancelled = true;
                        break;
                    }
                }
            }
        }
    }

    if (levels > 1) {
        const float n = float(levels);
        for (float& v : m_out)
            v /= n;
    }
    return m_out.data();
}
