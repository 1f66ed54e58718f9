#include "views/flatwin.h"

#include "relief/relief.h"
#include "relief/selectionshape.h"
#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/shader/shader.h"
#include "views/tooloutline.h"
#include "views/viewgeometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>

#include <algorithm>

using VekMath::Rect2d;
using VekMath::Vector2d;
using VekMath::Vector3d;

namespace {

QPoint positionOf(const QMouseEvent* event)
{
    return ViewNavigation::position(event->localPos());
}

// The levels span the relief's whole height range, as the last full
// rebuild found it: heights that moved it change every vertex's level.
bool heightRangeMoved(const Relief& relief)
{
    if (relief.cellCount() == 0)
        return false;
    const float* h = relief.heights();
    const auto range = std::minmax_element(h, h + relief.cellCount());
    return double(*range.first) != relief.heightMin()
        || std::max(0.0, double(*range.second)) != relief.heightMax();
}

} // namespace

FlatWin::FlatWin(QWidget* parent) : ReliefView(ShaderFactory::Height2d, Tool::Magic, parent)
{
    toolCursor = &normalCursor;
    installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

void FlatWin::initializeViewGl()
{
    shader->colorOffset = colourOffset;
    meshStale = true;
}

void FlatWin::resizeGL(int w, int h)
{
    ReliefView::resizeGL(w, h);
    meshStale = true;
}

Vector3d FlatWin::pick(const QPoint& p) const
{
    return pickPoint(p, nullptr);
}

void FlatWin::reliefReplaced()
{
    meshStale = true;
}

void FlatWin::rebuild()
{
    meshStale = true;
    update();
}

void FlatWin::updateMesh()
{
    const Rect2d visible = visibleRect();
    bool full = meshStale || reliefMesh.outgrown(visible) || relief->remesh();
    if (!full && relief->changed())
        full = heightRangeMoved(*relief);
    if (full) {
        reliefMesh.setQuantization(quantization);
        reliefMesh.remesh(*relief, visible, nav.width, nav.height);
        uploadMesh();
        shader->minZ = float(relief->heightMin() * relief->zScale());
        shader->maxZ = float(relief->heightMax() * relief->zScale());
        meshStale = false;
    } else if (relief->changed()) {
        uploadChanged(relief->changedRect());
    }
    relief->resetChangedRect();
}

void FlatWin::drawOverlays()
{
    if (!relief->selectionShapes().empty()) {
        // Over the relief wherever it stands, and kept out of the depth
        // copy that picking reads.
        const double top = std::max(relief->heightMin(), relief->heightMax()) * relief->zScale();
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_FALSE);
        drawSelectionShapes(relief->selectionShapes(), top + 1.0);
        glDepthMask(GL_TRUE);
        glEnable(GL_DEPTH_TEST);
    }
    if (outlineFollowsMouse()) {
        bool hit = false;
        const Vector3d centre = pickPoint(nav.mousePos, &hit);
        if (hit)
            ToolOutline::draw(this, ToolOutline::points(*tool, *relief, centre, nav.zoomFactor),
                              nav.zoomFactor);
    }
}

bool FlatWin::outlineFollowsMouse() const
{
    const bool brushing = tool->type == Tool::Erase
                       || (tool->type == Tool::Brush && toolCursor != &sampleCursor);
    return (nav.viewTool == 0 || nav.viewTool == 3) && showToolOutline && brushing;
}

void FlatWin::setTool(Tool::Type type)
{
    tool = ToolRegistry::select(type);
    toolCursor = type == Tool::Sample  ? &sampleCursor
               : type == Tool::Erase ? &blankCursor
                                     : &normalCursor;
    setCursor(*toolCursor);
    setFocus();
    reportTool(type);
    if (relief)
        clearShapes();
    update();
}

void FlatWin::setTolerance(double tolerance)
{
    setToolField(&Tool::tolerance, tolerance);
}

void FlatWin::setContinuousSelection(bool continuous)
{
    setToolField(&Tool::continuous, continuous);
}

void FlatWin::setColorOffset(double v)
{
    colourOffset = float(std::clamp(v, 0.0, 255.0));
    if (shader)
        shader->colorOffset = colourOffset;
    update();
}

double FlatWin::colorOffset() const
{
    return colourOffset;
}

void FlatWin::setQuantization(double levels)
{
    quantization = levels;
    rebuild();
}

const QCursor& FlatWin::viewToolCursor(int mode) const
{
    return navigationCursor(mode, false, toolCursor ? *toolCursor : blankCursor);
}

void FlatWin::zoomBy(double f)
{
    nav.zoomBy(f);
    update();
}

void FlatWin::zoom(double f)
{
    if (f > 0.0)
        zoomBy(f);
}

void FlatWin::zoomAt(double f, const QPoint& p)
{
    nav.zoomAt(f, p);
    update();
}

void FlatWin::mousePressEvent(QMouseEvent* event)
{
    saveViewTool();
    nav.mousePos = pressPos = positionOf(event);
    const Qt::KeyboardModifiers mods = event->modifiers();

    if (event->button() == Qt::RightButton) {
        if (mods & Qt::ShiftModifier) {
            setViewTool(1);
            return;
        }
        if (relief && tool->type == Tool::Polygon && !relief->selectionShapes().empty()) {
            const QList<QPointF> points = relief->selectionShapes().front()->points();
            if (points.size() > 2) {
                addPolygonPoint(Vector3d(points.front().x(), points.front().y(), 0.0));
                closePolygon();
                clearShapes();
                update();
            }
        }
        event->ignore();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if ((mods & Qt::ShiftModifier) && !(mods & Qt::ControlModifier)) {
        setViewTool(2);
        return;
    }
    if (nav.viewTool != 0) {
        event->ignore();
        return;
    }
    setViewTool(3);
    bool hit = false;
    const Vector3d p = pickPoint(nav.mousePos, &hit);
    if (!relief || !hit) {
        event->ignore();
        return;
    }

    Tool* acting = tool;
    if (mods & Qt::ControlModifier) {
        axisLock = 1;
        selectionOp = int(SelectionMode::Additive);
    } else {
        axisLock = 0;
        selectionOp = (mods & Qt::AltModifier) ? int(SelectionMode::Subtractive) : selectionMode;
    }
    if ((mods & Qt::AltModifier) && (tool->type == Tool::Brush || tool->type == Tool::Fill))
        acting = ToolRegistry::select(Tool::Sample);

    relief->beginStroke(acting, Vector2d(p.x, p.y), undo, SelectionMode(selectionOp));
    switch (acting->type) {
    case Tool::Crop:
        beginCrop(p);
        break;
    case Tool::Sample:
        emit SampleChanged(relief->baseLevel());
        break;
    case Tool::Polygon:
        addPolygonPoint(p);
        break;
    case Tool::Magic:
        // The selection changed without the relief's flags.
        rebuild();
        break;
    default:
        break;
    }
    update();
    event->ignore();
}

void FlatWin::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint old = nav.mousePos;
    nav.mousePos = positionOf(event);
    pointerInside = rect().contains(nav.mousePos);
    mouseMoved = true;
    const bool held = event->buttons() != Qt::NoButton;
    if (held && nav.drag(old, nav.mousePos)) {
        update();
        return;
    }
    if (nav.viewTool != 0 && nav.viewTool != 3) {
        event->ignore();
        return;
    }
    // A hover changes the picture only through the outline under the mouse.
    bool changed = outlineFollowsMouse();
    if (relief) {
        if (nav.viewTool == 3 && relief->stroke()) {
            lockStrokeAxis(old);
            bool hit = false;
            const Vector3d p = pickPoint(nav.mousePos, &hit);
            if (hit)
                relief->strokeTo(Vector2d(p.x, p.y), false);
            changed = true;
        }
        const bool left = event->buttons() & Qt::LeftButton;
        if (tool->type == Tool::Elliptical && left)
            setEllipseShape(pick(pressPos), pick(nav.mousePos));
        else if (tool->type == Tool::Crop && cropHandle != 9)
            dragCrop(old, nav.mousePos);
        else if (tool->type == Tool::Rectangle && left)
            setRectangleShape(pick(pressPos), pick(nav.mousePos));
        else if (!changed)
            return;
    }
    update();
}

void FlatWin::mouseReleaseEvent(QMouseEvent* event)
{
    const int oldTool = nav.viewTool;
    setViewTool(nav.savedViewTool);
    nav.savedViewTool = 0;
    cropHandle = 9;
    nav.mousePos = positionOf(event);
    if (oldTool == 3 && relief) {
        endStroke(event->buttons());
        if (tool->type == Tool::Rectangle || tool->type == Tool::Elliptical) {
            if (tool->type == Tool::Rectangle)
                applyRectangleSelection();
            else
                applyEllipseSelection();
            clearShapes();
            update();
        }
    }
    readDepthBuffer();
    if (oldTool == 0 || oldTool > 3)
        event->ignore();
}

void FlatWin::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (tool->type != Tool::Polygon) {
        event->ignore();
        return;
    }
    if (relief && !relief->selectionShapes().empty() && relief->selectionShapes().front()) {
        auto& shapes = relief->selectionShapes();
        shapes.erase(shapes.begin() + 1, shapes.end());
        SelectionShape& shape = *shapes.front();
        // Qt delivers the second press of a double click only as this
        // event, so the last point is the user's own unless a press of the
        // same spot repeated it.
        const QList<QPointF> points = shape.points();
        if (points.size() > 1 && points.last() == points.at(points.size() - 2))
            shape.removeLastPoint();
        if (shape.points().size() >= 3) {
            const QPointF first = shape.points().front();
            addPolygonPoint(Vector3d(first.x(), first.y(), 0.0));
            closePolygon();
            clearShapes();
            update();
        }
    }
    event->accept();
}

bool FlatWin::eventFilter(QObject* watched, QEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (watched == this && (press || event->type() == QEvent::KeyRelease)) {
        auto* key = static_cast<QKeyEvent*>(event);
        key->ignore();
        const Qt::KeyboardModifiers held = key->modifiers();
        const bool sampling = tool->type == Tool::Brush || tool->type == Tool::Fill;
        const QCursor* wanted = toolCursor;
        if (sampling && press && held == Qt::AltModifier)
            wanted = &sampleCursor;
        else if (sampling && !press && held == Qt::NoModifier)
            wanted = &normalCursor;
        if (wanted != toolCursor) {
            toolCursor = wanted;
            setCursor(*toolCursor);
            // The Brush outline hides while the cursor samples.
            update();
        }
    }
    return QOpenGLWidget::eventFilter(watched, event);
}

void FlatWin::showEvent(QShowEvent* event)
{
    // The sculpt view shares the relief's change flags and clears them when
    // it draws: what changed while this view was hidden is meshed anew.
    rebuild();
    QOpenGLWidget::showEvent(event);
}

void FlatWin::clearShapes()
{
    relief->selectionShapes().clear();
}

void FlatWin::replaceShapes(int kind, const Rect2d& r)
{
    clearShapes();
    if (r.width() == 0.0 || r.height() == 0.0)
        return;
    auto shape = makeOwned(new SelectionShape(kind));
    shape->addRect(r);
    relief->selectionShapes().push_back(std::move(shape));
}

void FlatWin::setRectangleShape(const Vector3d& a, const Vector3d& b)
{
    if (relief)
        replaceShapes(SelectionShape::ClosedPolygon, Rect2d(Vector2d(a.x, a.y), Vector2d(b.x, b.y)));
}

void FlatWin::setEllipseShape(const Vector3d& a, const Vector3d& b)
{
    if (relief)
        replaceShapes(SelectionShape::Ellipse, Rect2d(Vector2d(a.x, a.y), Vector2d(b.x, b.y)));
}

Rect2d FlatWin::shapeBounds() const
{
    if (!relief || relief->selectionShapes().empty())
        return Rect2d();
    return relief->selectionShapes().front()->boundingRect();
}

Rect2d FlatWin::shapeExtent() const
{
    if (!relief || relief->selectionShapes().empty())
        return Rect2d();
    const QList<QPointF> points = relief->selectionShapes().front()->points();
    if (points.isEmpty())
        return Rect2d();
    Rect2d r(Vector2d(points.front().x(), points.front().y()),
             Vector2d(points.front().x(), points.front().y()));
    for (const QPointF& p : points)
        r |= Vector2d(p.x(), p.y());
    return r;
}

void FlatWin::applyRectangleSelection()
{
    applyShapeSelection(false);
}

void FlatWin::applyEllipseSelection()
{
    applyShapeSelection(true);
}

void FlatWin::applyShapeSelection(bool ellipse)
{
    if (!relief)
        return;
    const SelectionMode mode = SelectionMode(selectionOp);
    if (mode == SelectionMode::Normal)
        relief->clearSelection();
    const Rect2d r = shapeBounds();
    if (r.width() != 0.0 && r.height() != 0.0) {
        const Rect2d cells = r + Vector2d(relief->width() / 2.0, relief->height() / 2.0);
        if (ellipse)
            relief->selectEllipse(cells, mode);
        else
            relief->selectRectangle(cells, mode);
    }
    rebuild();
}

void FlatWin::addPolygonPoint(const Vector3d& p)
{
    if (!relief)
        return;
    auto& shapes = relief->selectionShapes();
    auto shape = makeOwned(shapes.empty() || !shapes.front()
                               ? new SelectionShape(SelectionShape::OpenPolygon)
                               : new SelectionShape(*shapes.front()));
    shapes.clear();
    shape->addPoint(QPointF(p.x, p.y));
    shapes.push_back(std::move(shape));
}

void FlatWin::closePolygon()
{
    if (!relief)
        return;
    if (selectionOp == int(SelectionMode::Normal))
        relief->clearSelection();
    const auto& shapes = relief->selectionShapes();
    if (!shapes.empty() && shapes.front()) {
        QList<QPointF> points = shapes.front()->points();
        const QPointF shift(relief->width() / 2.0, relief->height() / 2.0);
        for (QPointF& p : points)
            p += shift;
        relief->selectPolygon(points, SelectionMode(selectionOp));
    }
    rebuild();
}

void FlatWin::beginCrop(const Vector3d& p)
{
    if (!relief)
        return;
    if (relief->selectionShapes().empty()) {
        // The box starts round the heights that are not zero.
        auto shape = makeOwned(new SelectionShape(SelectionShape::ClosedPolygon));
        shape->addRect(relief->contentBounds()
                       + Vector2d(-relief->width() / 2.0, -relief->height() / 2.0));
        relief->selectionShapes().push_back(std::move(shape));
    } else {
        cropHandle = cropHandleAt(p);
    }
}

int FlatWin::cropHandleAt(const Vector3d& p) const
{
    if (!relief || relief->selectionShapes().empty())
        return 9;
    const Rect2d box = shapeExtent();
    auto third = [](double v, double low, double size) {
        return v > low + 2.0 * size / 3.0 ? 2 : v > low + size / 3.0 ? 1 : 0;
    };
    return third(p.y, box.y1, box.height()) * 3 + third(p.x, box.x1, box.width());
}

void FlatWin::dragCrop(const QPoint& from, const QPoint& to)
{
    const double zoom = nav.zoomFactor;
    if (!relief || relief->selectionShapes().empty() || zoom == 0.0)
        return;
    const Vector2d d((to.x() - from.x()) / zoom, (to.y() - from.y()) / zoom);
    // From the box's exact corners: the whole-cell bounds would drop every
    // move under a cell, and pull the corners below zero a cell towards
    // the centre at each move.
    const Rect2d r = movedCropRect(cropHandle, shapeExtent(), d);
    clearShapes();
    auto shape = makeOwned(new SelectionShape(SelectionShape::ClosedPolygon));
    shape->addRect(r);
    relief->selectionShapes().push_back(std::move(shape));
}

Rect2d FlatWin::movedCropRect(int handle, const Rect2d& r, const Vector2d& d)
{
    // Widget rows grow downwards, model y upwards.
    Rect2d out = r;
    const int row = handle / 3;
    const int column = handle % 3;
    if (handle < 0 || handle > 8)
        return out;
    if (column == 0 || handle == 4)
        out.x1 += d.x;
    if (column == 2 || handle == 4)
        out.x2 += d.x;
    if (row == 0 || handle == 4)
        out.y1 -= d.y;
    if (row == 2 || handle == 4)
        out.y2 -= d.y;
    return out;
}
