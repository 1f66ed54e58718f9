#include "relief/reliefpatch.h"

#include "relief/relief.h"

#include <algorithm>

ReliefPatch::ReliefPatch(const Relief& relief, const float* source, const VekMath::Rect2di& rect)
    : m_heightMin(relief.heightMin())
    , m_heightMax(relief.heightMax())
{
    const VekMath::Rect2di clipped = rect.intersected(relief.fullRect());
    if (clipped.isEmpty())
        return;
    m_rect = clipped;
    const int w = m_rect.width();
    const size_t gridWidth = static_cast<size_t>(relief.width());
    m_heights.resize(static_cast<size_t>(w) * m_rect.height());
    float* out = m_heights.data();
    for (int y = m_rect.y1; y < m_rect.y2; ++y, out += w) {
        const float* row = source + y * gridWidth + m_rect.x1;
        std::copy(row, row + w, out);
    }
}

void ReliefPatch::copyInto(float* target, int width) const
{
    const int w = m_rect.width();
    const float* in = m_heights.data();
    for (int y = m_rect.y1; y < m_rect.y2 && w > 0; ++y, in += w)
        std::copy(in, in + w, target + static_cast<size_t>(y) * width + m_rect.x1);
}
