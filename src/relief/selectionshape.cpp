#include "relief/selectionshape.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

SelectionShape::SelectionShape(int kind)
    : m_kind(kind)
{
}

void SelectionShape::removeLastPoint()
{
    if (!m_points.isEmpty())
        m_points.removeLast();
}

void SelectionShape::addRect(const VekMath::Rect2d& r)
{
    m_points.append(QPointF(r.x1, r.y1));
    m_points.append(QPointF(r.x1, r.y2));
    m_points.append(QPointF(r.x2, r.y2));
    m_points.append(QPointF(r.x2, r.y1));
}

VekMath::Rect2d SelectionShape::boundingRect() const
{
    double x1 = 2147483647.0, y1 = 2147483647.0;
    double x2 = -2147483647.0, y2 = -2147483647.0;
    for (const QPointF& p : m_points) {
        x1 = std::min(x1, p.x());
        y1 = std::min(y1, p.y());
        x2 = std::max(x2, p.x());
        y2 = std::max(y2, p.y());
    }
    VekMath::Rect2d r;
    r.setRect(std::trunc(x1), std::trunc(y1), std::trunc(x2), std::trunc(y2));
    return r;
}

void SelectionShape::draw(double z) const
{
    // A shape without points has no bounds to draw an ellipse in.
    if (m_points.isEmpty())
        return;
    glColor3d(0.8, 0.8, 0.0);
    glLineWidth(2.0f);
    switch (m_kind) {
    case ClosedPolygon:
        glBegin(GL_LINE_LOOP);
        for (const QPointF& p : m_points)
            glVertex3d(p.x(), p.y(), z);
        glEnd();
        break;
    case Ellipse: {
        const VekMath::Rect2d r = boundingRect();
        const VekMath::Vector2d c = r.center();
        const double a = (r.x2 - r.x1) / 2.0;
        const double b = (r.y2 - r.y1) / 2.0;
        const double twoPi = 2.0 * 3.14159265358979323846;
        const double s = 10.0 / std::sqrt(2.0 * (a * a + b * b) - (a - b) * (a - b) / 2.0);
        glBegin(GL_LINE_LOOP);
        for (int k = 0; k * s < twoPi; ++k) {
            const double t = k * s;
            glVertex3d(c.x + a * std::cos(t), c.y + b * std::sin(t), z);
        }
        glEnd();
        break;
    }
    case OpenPolygon:
        glPointSize(8.0f);
        glBegin(GL_POINTS);
        for (const QPointF& p : m_points)
            glVertex3d(p.x(), p.y(), z);
        glEnd();
        glBegin(GL_LINE_STRIP);
        for (const QPointF& p : m_points)
            glVertex3d(p.x(), p.y(), z);
        glEnd();
        break;
    default:
        break;
    }
}

void drawSelectionShapes(const std::vector<OwnedPtr<SelectionShape>>& shapes, double z)
{
    for (const auto& shape : shapes) {
        if (shape)
            shape->draw(z);
    }
}
