#include "relief/relief.h"

#include "relief/reliefselection.h"
#include "relief/reliefsource.h"

#include <algorithm>
#include <cmath>

Relief::Relief(int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    const size_t n = cellCount();
    m_heights.assign(n, 0.0f);
    m_selection.assign(n, 0.0f);
    m_workMask.assign(n, 0.0f);
    m_strokeSnapshot.assign(n, 0.0f);
    m_referenceHeights.assign(n, 0.0f);
}

Relief::Relief(const ReliefSource& source)
    : Relief(int(source.width), int(source.height))
{
    m_heightMax = source.max - source.min;
    m_source = std::make_unique<ReliefSource>(source);
    float* h = m_heights.data();
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            *h++ = float(m_source->sample(uint32_t(x), uint32_t(y), true));
    m_referenceHeights = m_heights;
}

Relief::~Relief() = default;

bool Relief::fits(long long width, long long height)
{
    return width > 0 && height > 0 && width <= MaxCells / height;
}

void Relief::freeSource()
{
    m_source.reset();
    m_basReliefCache.clear();
    m_basReliefCache.shrink_to_fit();
}

double Relief::heightAtCell(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0.0;
    return m_heights[size_t(y) * m_width + x];
}

double Relief::heightAt(int x, int y) const
{
    return heightAtCell(x, y);
}

double Relief::selectionAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0.0;
    return m_selection[size_t(y) * m_width + x];
}

void Relief::clearSelection()
{
    std::fill(m_selection.begin(), m_selection.end(), 0.0f);
    m_selectionActive = false;
}

void Relief::setZScale(double zScale)
{
    if (zScale == m_zScale)
        return;
    m_zScale = zScale;
    m_remesh = true;
}

void Relief::mergeChangedRect(const VekMath::Rect2di& r)
{
    const VekMath::Rect2di clipped = r.intersected(fullRect());
    if (clipped.isEmpty())
        return;
    m_changedArea |= clipped;
    m_changed = true;
}

void Relief::resetChangedRect()
{
    m_changed = false;
    m_remesh = false;
    m_changedArea = VekMath::Rect2di();
}

VekMath::Rect2d Relief::contentBounds() const
{
    int xmin = m_width, ymin = m_height, xmax = -1, ymax = -1;
    const float* h = m_heights.data();
    for (int y = 0; y < m_height; ++y) {
        const float* row = h + size_t(y) * m_width;
        int first = -1, last = -1;
        for (int x = 0; x < m_width; ++x) {
            if (row[x] != 0.0f) {   // NaN counts as content too
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first < 0)
            continue;
        xmin = std::min(xmin, first);
        xmax = std::max(xmax, last);
        ymin = std::min(ymin, y);
        ymax = y;
    }
    if (xmax < 0)
        return VekMath::Rect2d(0.0, 0.0, 0.0, 0.0);
    return VekMath::Rect2d(VekMath::Vector2d(xmin, ymin), VekMath::Vector2d(xmax, ymax));
}

void Relief::selectRectangle(const VekMath::Rect2d& r, SelectionMode mode)
{
    ReliefSelection::selectRectangle(*this, r, mode);
}

void Relief::selectEllipse(const VekMath::Rect2d& r, SelectionMode mode)
{
    ReliefSelection::selectEllipse(*this, r, mode);
}

void Relief::selectPolygon(const QList<QPointF>& points, SelectionMode mode)
{
    ReliefSelection::selectPolygon(*this, points, mode);
}

VekMath::Rect2di Relief::magicSelect(const VekMath::Vector2d& p, double tolerance, bool continuous,
                                     SelectionMode mode)
{
    return ReliefSelection::magicSelect(*this, p, tolerance, continuous, mode);
}

void Relief::crop(SculptUndo* undo)
{
    ReliefSelection::crop(*this, undo);
}
