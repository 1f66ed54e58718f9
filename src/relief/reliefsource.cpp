#include "relief/reliefsource.h"

#include "relief/relief.h"

#include <algorithm>
#include <cmath>

ReliefSource::ReliefSource() = default;

ReliefSource::ReliefSource(uint32_t w, uint32_t h)
    : width(w), height(h), raw(size_t(w) * h, 0.0f), preview(true)
{
}

ReliefSource::ReliefSource(uint32_t w, uint32_t h, const float* image)
    : preview(true)
{
    const auto nonZero = [](float v) { return v != 0.0f; };   // NaN counts too
    int64_t top = -1, bottom = -1, left = -1, right = -1;
    for (uint32_t y = 0; y < h; ++y) {
        const float* line = image + size_t(y) * w;
        for (uint32_t x = 0; x < w; ++x) {
            if (!nonZero(line[x]))
                continue;
            if (top < 0)
                top = y;
            bottom = y;
            if (left < 0 || x < left)
                left = x;
            if (x > right)
                right = x;
        }
    }

    double marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;
    double contentW = w, contentH = h;
    if (right > left && top < bottom) {
        marginTop = double(top);
        marginBottom = double(h) - 1 - double(bottom);
        marginLeft = double(left);
        marginRight = double(w) - 1 - double(right);
        contentW = double(right + 1 - left);
        contentH = double(bottom + 1 - top);
    }
    const auto added = [](double wanted, double existing) {
        return wanted > existing ? uint32_t(std::trunc(wanted - existing)) : 0u;
    };
    const uint32_t addTop = added(0.05 * contentH, marginTop);
    const uint32_t addBottom = added(0.05 * contentH, marginBottom);
    const uint32_t addLeft = added(0.05 * contentW, marginLeft);
    const uint32_t addRight = added(0.05 * contentW, marginRight);

    width = w + addLeft + addRight;
    height = h + addTop + addBottom;
    raw.assign(size_t(width) * height, 0.0f);
    for (uint32_t y = 0; y < height; ++y) {
        const bool borderRow = y < addTop || y >= addTop + h;
        for (uint32_t x = 0; x < width; ++x) {
            if (borderRow || x < addLeft || x >= addLeft + w)
                append(0.0);
            else
                append(image[size_t(y - addTop) * w + (x - addLeft)]);
        }
    }
}

bool ReliefSource::fits(long long w, long long h)
{
    // The margins add at most a tenth of each side; two more cells allow
    // for rounding.
    if (w <= 0 || h <= 0 || w > Relief::MaxCells || h > Relief::MaxCells)
        return false;
    return Relief::fits(w + w / 10 + 2, h + h / 10 + 2);
}

void ReliefSource::append(double v)
{
    // A caller that appends more than the grid holds must not write past it.
    if (count >= raw.size())
        return;
    raw[count] = float(v);
    if (count == 0) {
        min = max = v;
    } else {
        min = std::min(min, v);
        max = std::max(max, v);
    }
    ++count;
}

double ReliefSource::rawSample(uint32_t x, uint32_t y) const
{
    if (x >= width || y >= height)
        return 0.0;
    const size_t i = size_t(row(y)) * width + x;
    if (i >= count)
        return 0.0;
    return hasTilted() ? tilted[i] : raw[i];
}

void ReliefSource::normalise()
{
    if (tiltHorizontal == 0 && tiltVertical == 0) {
        tilted.clear();
        tilted.shrink_to_fit();
        tiltDirty = false;
        return;
    }
    const double tH = std::tan(tiltHorizontal * M_PI / 1800.0);
    const double tV = std::tan(tiltVertical * M_PI / 1800.0);
    const double cx = width / 2.0;
    const double cy = height / 2.0;
    const double k = heightScale != 0.0 ? (max - min) / heightScale : 1.0;

    tilted.assign(raw.size(), 0.0f);
    bool seeded = false;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            float v = raw[i];
            if (v > 0.0f) {
                const double t = v + ((x - cx) * -tH + (y - cy) * tV) * k;
                v = t < 0.0 ? 0.0f : float(t);
            }
            tilted[i] = v;
            // Seeded from the first value actually stored, so the range
            // never claims a height that no cell holds.
            if (!seeded) {
                tiltedMin = tiltedMax = v;
                seeded = true;
            } else {
                tiltedMin = std::min(tiltedMin, double(v));
                tiltedMax = std::max(tiltedMax, double(v));
            }
        }
    }
    if (!seeded)
        tiltedMin = tiltedMax = 0.0;
    tiltDirty = false;
}

double ReliefSource::sample(uint32_t x, uint32_t y, bool withPreview) const
{
    if (x >= width || y >= height)
        return 0.0;
    const size_t i = size_t(row(y)) * width + x;
    const bool useTilted = hasTilted();
    const double lo = useTilted ? tiltedMin : min;
    const double hi = useTilted ? tiltedMax : max;
    const double s = i < count ? (useTilted ? tilted[i] : raw[i]) : 0.0;
    if (lo == hi || s == 0.0)
        return 0.0;
    double v = invertZ ? hi - s : s - lo;
    if (withPreview)
        v -= raiseLowerSteps * (hi - lo) / 100.0;
    v = std::max(0.0, v);
    if (heightScale != 0.0)
        return v / (hi - lo) * heightScale;
    return v;
}
