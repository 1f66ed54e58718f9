// Brush strokes of the relief: press, moves and release, and the Fill tool,
// which makes and ends its stroke in one go.

#include "relief/relief.h"

#include "relief/reliefpatch.h"
#include "relief/reliefselection.h"
#include "relief/sculptmodifyevent.h"
#include "relief/sculptstroke.h"
#include "relief/sculptundo.h"
#include "relief/tool.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// A group of fewer than two points would never shrink the list of laid
// points, so the group loops would not end.
int groupLength(const Tool& tool)
{
    return std::max(2, static_cast<int>(tool.smoothLength));
}

// Records the heights of the stroke's area before (from the snapshot) and
// after as one undo group.
void recordUndo(Relief* relief, SculptUndo* undo, const float* before, const VekMath::Rect2di& area)
{
    if (!undo)
        return;
    undo->push(new SculptModifyEvent(relief, std::make_unique<ReliefPatch>(*relief, before, area)));
    undo->closeGroup();
}

} // namespace

void Relief::beginStroke(Tool* tool, const VekMath::Vector2d& p, SculptUndo* undo, SelectionMode mode)
{
    if (m_stroke)
        endStroke(p, false);
    if (!tool)
        return;
    switch (tool->type) {
    case Tool::Magic:
        ReliefSelection::magicSelect(*this, p, tool->tolerance, tool->continuous, mode);
        return;
    case Tool::Sample:
        sampleHeight(p);
        return;
    case Tool::Rectangle:
    case Tool::Elliptical:
    case Tool::Polygon:
    case Tool::Crop:
        return;
    default:
        break;
    }
    const double diagonal = std::sqrt(double(m_width) * m_width + double(m_height) * m_height);
    m_stroke = makeOwned(new SculptStroke(tool, p, undo, diagonal));
    m_strokeArea = VekMath::Rect2di();
    m_strokeSnapshot = m_heights;
    if (tool->type == Tool::Fill)
        fillSelection();
    else
        applyTool(p);
}

void Relief::strokeTo(const VekMath::Vector2d& p, bool force)
{
    if (!m_stroke)
        return;
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();
    stroke.addPathPoints(p, force);
    if (!tool.useSmoothing) {
        for (const QPointF& q : stroke.takePoints(0))
            applyTool(VekMath::Vector2d(q.x(), q.y()));
    } else {
        const int m = groupLength(tool);
        while (stroke.pointCount() >= m) {
            const BezierControls curve = fitBezier(stroke.takePoints(m));
            for (int i = 0; i < m; ++i)
                applyTool(bezierPoint(curve, double(i) / m));
        }
    }
    m_changed = true;
}

void Relief::endStroke(const VekMath::Vector2d& p, bool strokeToFirst)
{
    if (!m_stroke)
        return;
    if (strokeToFirst)
        strokeTo(p, true);
    SculptStroke& stroke = *m_stroke;
    const Tool& tool = *stroke.tool();
    if (tool.useSmoothing) {
        const int m = groupLength(tool);
        while (stroke.pointCount() > 1) {
            const int group = std::min(m, stroke.pointCount());
            const BezierControls curve = fitBezier(stroke.takePoints(group));
            for (int i = 0; i < group; ++i)
                applyTool(bezierPoint(curve, double(i) / group));
        }
        m_changed = true;
    }
    if (m_strokeArea.area() > 0)
        recordUndo(this, stroke.undo(), m_strokeSnapshot.data(), m_strokeArea);
    m_stroke.reset();
}

VekMath::Rect2di Relief::fillSelection()
{
    const float base = static_cast<float>(m_baseLevel);
    float* h = m_heights.data();
    const float* sel = m_selection.data();
    VekMath::Rect2di area;
    bool any = false;
    for (int y = 0; y < m_height; ++y) {
        const size_t row = static_cast<size_t>(y) * m_width;
        int first = -1;
        int last = -1;
        for (int x = 0; x < m_width; ++x) {
            if (sel[row + x] != 0) {
                h[row + x] = base;
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first < 0)
            continue;
        const VekMath::Rect2di rowSpan(first, y, last + 1 - first, 1);
        if (any)
            area |= rowSpan;
        else
            area = rowSpan;
        any = true;
    }
    m_strokeArea = area;
    if (any) {
        m_changed = true;
        // The views refresh only the changed area: without the fill's
        // rectangle they would keep showing the old heights.
        mergeChangedRect(area);
        if (m_stroke)
            recordUndo(this, m_stroke->undo(), m_strokeSnapshot.data(), area);
    }
    m_stroke.reset();
    return area;
}
