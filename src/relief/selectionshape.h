#pragma once

#include "geometry/rect2d.h"
#include "relief/relief.h"

#include <QList>
#include <QPointF>

#include <vector>

// An outline drawn by the views for the selection and crop tools.
class SelectionShape
{
public:
    // A rectangle is a closed polygon of its four corners.
    enum Kind : qint32 { ClosedPolygon = 0, Ellipse = 1, OpenPolygon = 2 };

    explicit SelectionShape(int kind);

    int kind() const { return m_kind; }
    void setKind(int kind) { m_kind = kind; }
    QList<QPointF> points() const { return m_points; }
    void addPoint(const QPointF& p) { m_points.append(p); }
    void removeLastPoint();
    // Appends (x1, y1), (x1, y2), (x2, y2), (x2, y1).
    void addRect(const VekMath::Rect2d& r);

    // Extremes of the points, each truncated to a whole number; with no
    // points it runs from (2147483647, 2147483647) to (-2147483647, -2147483647).
    VekMath::Rect2d boundingRect() const;

    // Immediate-mode outline at height z in the current GL context.
    void draw(double z) const;

private:
    int m_kind;
    QList<QPointF> m_points;
};

void drawSelectionShapes(const std::vector<OwnedPtr<SelectionShape>>& shapes, double z);
