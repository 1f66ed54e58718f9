#pragma once

#include "geometry/rect2di.h"

#include <vector>

class Relief;

// A snapshot of one rectangle of a grid-sized height array, with the
// relief's height range at the time it was taken.
class ReliefPatch
{
public:
    // source: a width x height array laid out like the relief's heights
    // (the heights themselves or the stroke snapshot). The rectangle is
    // clipped to the grid.
    ReliefPatch(const Relief& relief, const float* source, const VekMath::Rect2di& rect);

    const VekMath::Rect2di& rect() const { return m_rect; }
    // The rectangle's cells, row by row.
    const float* heights() const { return m_heights.data(); }
    size_t cellCount() const { return m_heights.size(); }
    double heightMin() const { return m_heightMin; }
    double heightMax() const { return m_heightMax; }

    // Writes the cells back over the rectangle of a grid of the given width.
    void copyInto(float* target, int width) const;

private:
    VekMath::Rect2di m_rect;
    std::vector<float> m_heights;
    double m_heightMin;
    double m_heightMax;
};
