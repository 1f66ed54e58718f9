#include "views/flatwin.h"

#include "app/logfile.h"
#include "relief/relief.h"
#include "relief/selectionshape.h"
#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/shader/shader.h"
#include "views/shader/shaderfactory.h"
#include "views/tooloutline.h"
#include "views/viewgeometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector2d;
using VekMath::Vector3d;

namespace {

// One wheel event may carry many notches; beyond these factors the zoom
// would turn negative or explode after the pan has already moved.
const double minWheelFactor = 0.5;
const double maxWheelFactor = 2.0;

int roundHalfAway(double v)
{
    return int(std::lround(v));
}

QPoint positionOf(const QMouseEvent* event)
{
    return QPoint(roundHalfAway(event->localPos().x()), roundHalfAway(event->localPos().y()));
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

FlatWin::FlatWin(QWidget* parent) : QOpenGLWidget(parent)
{
    for (int i = 0; i < 16; ++i)
        modelview[i] = projection[i] = (i % 5 == 0) ? 1.0 : 0.0;
    initCursors();
    toolCursor = &normalCursor;
    tool = ToolRegistry::select(Tool::Magic);
    connect(&statusTimer, &QTimer::timeout, this, &FlatWin::statusTimeout);
    statusTimer.start(100);
    setMouseTracking(true);
    installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

FlatWin::~FlatWin()
{
    makeCurrent();
    delete shader;
    doneCurrent();
}

void FlatWin::initializeGL()
{
    initializeOpenGLFunctions();
    if (!shader) {
        shader = ShaderFactory::getShader(ShaderFactory::Height2d);
        if (relief)
            shader->size = std::max(relief->width(), relief->height());
        shader->colorOffset = colourOffset;
    }
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_STIPPLE);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    meshStale = true;
    emit Initialized();
}

void FlatWin::resizeGL(int w, int h)
{
    viewWidth = w;
    viewHeight = h;
    depthCopy.resize(w, h, devicePixelRatioF());
    glViewport(0, 0, depthCopy.deviceWidth(), depthCopy.deviceHeight());
    fitToView();
    readDepthBuffer();
    meshStale = true;
}

void FlatWin::readDepthBuffer()
{
    depthCopy.read(this, this);
}

Vector3d FlatWin::pickPoint(const QPoint& p, bool* hit) const
{
    return depthCopy.pick(p, modelview, projection, hit);
}

Vector3d FlatWin::pick(const QPoint& p) const
{
    return pickPoint(p, nullptr);
}

Rect2d FlatWin::visibleRect() const
{
    Rect2d r = ViewGeometry::unprojectedWindow(modelview, projection, viewWidth, viewHeight);
    if (!relief)
        return r;
    r += Vector2d(relief->width() / 2.0, relief->height() / 2.0);
    return r.intersected(Rect2d(0, 0, relief->width(), relief->height()));
}

void FlatWin::reliefBox(Vector3d* low, Vector3d* high) const
{
    const double halfZ = (relief->heightMax() - relief->heightMin()) * relief->zScale() / 2.0;
    *low = Vector3d(-relief->width() / 2.0, -relief->height() / 2.0, -halfZ);
    *high = Vector3d(relief->width() / 2.0, relief->height() / 2.0, halfZ);
}

void FlatWin::setupProjection()
{
    double d = 5000.0;
    if (relief) {
        // Every drawn height, Z scale included, lies within the depth range.
        const double top = std::max(std::fabs(relief->heightMin()), std::fabs(relief->heightMax()))
                         * std::fabs(relief->zScale());
        const double reach = zoomFactor
                           * Vector3d::distance(Vector3d(-relief->width() / 2.0,
                                                         -relief->height() / 2.0, -top),
                                                Vector3d(relief->width() / 2.0,
                                                         relief->height() / 2.0, top));
        if (reach != 0.0 && std::isfinite(reach))
            d = reach;
    }
    ViewGeometry::projection(projection, viewWidth, viewHeight, d);
    eyeZ = 0.0;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
}

void FlatWin::setupModelview()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ViewGeometry::modelview(modelview, panX, panY, eyeZ, zoomFactor, nullptr);
    glLoadMatrixd(modelview);
}

Rect2di FlatWin::projectedRect(double zoom, int px, int py)
{
    if (!relief)
        return Rect2di(0, 0, -1, -1);
    Vector3d low, high;
    reliefBox(&low, &high);
    return ViewGeometry::projectedRect(low, high, nullptr, zoom, px, py, viewWidth, viewHeight);
}

void FlatWin::fitToView()
{
    if (relief && viewWidth > 0 && viewHeight > 0) {
        Vector3d low, high;
        reliefBox(&low, &high);
        const ViewGeometry::Fit fit =
            ViewGeometry::fitToView(low, high, nullptr, viewWidth, viewHeight);
        zoomFactor = fit.zoom;
        panX = fit.panX;
        panY = fit.panY;
    }
    update();
}

void FlatWin::setRelief(Relief* r, bool fit)
{
    relief = r;
    if (shader && relief)
        shader->size = std::max(relief->width(), relief->height());
    rebuild();
    if (fit)
        fitToView();
    readDepthBuffer();
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
        reliefMesh.remesh(*relief, visible, viewWidth, viewHeight);
        const uint32_t n = uint32_t(reliefMesh.vertexCount());
        shader->setArrays(reliefMesh.positions.data(), 12 * n, nullptr, 0,
                          reliefMesh.selection.data(), 4 * n, reliefMesh.indices.data(),
                          uint32_t(4 * reliefMesh.indexCount()));
        shader->minZ = float(relief->heightMin() * relief->zScale());
        shader->maxZ = float(relief->heightMax() * relief->zScale());
        meshStale = false;
    } else if (relief->changed()) {
        const ReliefMesh::Range range = reliefMesh.refresh(*relief, relief->changedRect());
        if (range.count > 0)
            shader->updateVertices(reliefMesh.positions.data(), nullptr,
                                   reliefMesh.selection.data(), range.first, range.count);
    }
    relief->resetChangedRect();
}

void FlatWin::paintGL()
{
    setupProjection();
    setupModelview();
    if (relief && shader) {
        updateMesh();
        shader->bind();
        shader->draw();
        shader->release();
        drawShapesAndOutline();
    }
    logGlErrors();
}

void FlatWin::drawShapesAndOutline()
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
        const Vector3d centre = pickPoint(mousePos, &hit);
        if (hit)
            ToolOutline::draw(this, ToolOutline::points(*tool, *relief, centre, zoomFactor),
                              zoomFactor);
    }
}

bool FlatWin::outlineFollowsMouse() const
{
    const bool brushing = tool->type == Tool::Erase
                       || (tool->type == Tool::Brush && toolCursor != &sampleCursor);
    return (viewTool == 0 || viewTool == 3) && showToolOutline && brushing;
}

void FlatWin::logGlErrors()
{
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError())
        LogFile::warning() << "OpenGL error " << code << "\n";
}

void FlatWin::setTool(Tool::Type type)
{
    tool = ToolRegistry::select(type);
    toolCursor = type == Tool::Sample  ? &sampleCursor
               : type == Tool::Erase ? &blankCursor
                                     : &normalCursor;
    setCursor(*toolCursor);
    setFocus();
    emit ToolChanged(type);
    emit ToolStrengthChanged(tool->strength);
    emit ToolSizeChanged(tool->size);
    emit ToolKeepTransparencyChanged(tool->keepTransparency);
    emit ToolModeChanged(tool->mode);
    emit ToolHardnessChanged(tool->hardness);
    emit ToolUseDecayLengthChanged(tool->useDecayLength);
    emit ToolDecayLengthChanged(tool->decayLength);
    emit ToolUseSmoothingChanged(tool->useSmoothing);
    emit ToolSmoothLengthChanged(tool->smoothLength);
    emit ToolClipChanged(tool->clip);
    if (relief)
        clearShapes();
    update();
}

void FlatWin::setTolerance(double tolerance)
{
    tool->tolerance = tolerance;
    update();
}

void FlatWin::setContinuousSelection(bool continuous)
{
    tool->continuous = continuous;
    update();
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

void FlatWin::setViewTool(int mode)
{
    viewTool = mode;
    if (mode == 1)
        setCursor(panCursor);
    else if (mode == 2)
        setCursor(zoomCursor);
    else
        setCursor(toolCursor ? *toolCursor : blankCursor);
}

void FlatWin::zoomBy(double f)
{
    zoomFactor *= f;
    panX = roundHalfAway(panX * f);
    panY = roundHalfAway(panY * f);
    update();
}

void FlatWin::zoom(double f)
{
    if (f > 0.0)
        zoomBy(f);
}

void FlatWin::zoomAt(double f, const QPoint& p)
{
    panX += viewWidth / 2 - p.x();
    panY += viewHeight / 2 - p.y();
    zoom(f);
}

void FlatWin::statusTimeout()
{
    if (!relief || !mouseMoved)
        return;
    mouseMoved = false;
    const Vector3d p = pickPoint(mousePos);
    const double x = (relief->width() / 2.0 + p.x + 0.5) / 128.0;
    const double y = (relief->height() / 2.0 + p.y + 0.5) / 128.0;
    const double z = p.z > 0.0 ? (p.z + 0.5) / 128.0 : 0.0;
    emit Status(QString("Position: (%1, %2) z = %3")
                    .arg(x, 0, 'f', 2)
                    .arg(y, 0, 'f', 2)
                    .arg(z, 0, 'f', 2));
}

void FlatWin::mousePressEvent(QMouseEvent* event)
{
    if (savedViewTool == 0) {
        savedViewTool = viewTool;
        readDepthBuffer();
    }
    mousePos = pressPos = positionOf(event);
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
    if (viewTool != 0) {
        event->ignore();
        return;
    }
    setViewTool(3);
    bool hit = false;
    const Vector3d p = pickPoint(mousePos, &hit);
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

void FlatWin::lockAxis(const QPoint& old)
{
    if (axisLock == 1) {
        const int dx = mousePos.x() - old.x();
        const int dy = mousePos.y() - old.y();
        if (std::abs(dx) < 3 && std::abs(dy) < 3)
            return;
        axisLock = dx * dx >= dy * dy ? 2 : 3;
    }
    bool putBack = false;
    if (axisLock == 2 && mousePos.y() != old.y()) {
        mousePos.setY(old.y());
        putBack = true;
    } else if (axisLock == 3 && mousePos.x() != old.x()) {
        mousePos.setX(old.x());
        putBack = true;
    }
    if (putBack)
        QCursor::setPos(mapToGlobal(mousePos));
}

void FlatWin::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint old = mousePos;
    mousePos = positionOf(event);
    mouseMoved = true;
    const bool held = event->buttons() != Qt::NoButton;
    if (held && viewTool == 1) {
        panX += mousePos.x() - old.x();
        panY += mousePos.y() - old.y();
        update();
        return;
    }
    if (held && viewTool == 2) {
        const double f = ((mousePos.y() - old.y()) / zoomDragDivisor + zoomFactor) / zoomFactor;
        if (f > 0.0)
            zoomBy(f);
        update();
        return;
    }
    if (viewTool != 0 && viewTool != 3) {
        event->ignore();
        return;
    }
    // A hover changes the picture only through the outline under the mouse.
    bool changed = outlineFollowsMouse();
    if (relief) {
        if (viewTool == 3 && relief->stroke()) {
            lockAxis(old);
            bool hit = false;
            const Vector3d p = pickPoint(mousePos, &hit);
            if (hit)
                relief->strokeTo(Vector2d(p.x, p.y), false);
            changed = true;
        }
        const bool left = event->buttons() & Qt::LeftButton;
        if (tool->type == Tool::Elliptical && left)
            setEllipseShape(pick(pressPos), pick(mousePos));
        else if (tool->type == Tool::Crop && cropHandle != 9)
            dragCrop(old, mousePos);
        else if (tool->type == Tool::Rectangle && left)
            setRectangleShape(pick(pressPos), pick(mousePos));
        else if (!changed)
            return;
    }
    update();
}

void FlatWin::mouseReleaseEvent(QMouseEvent* event)
{
    const int oldTool = viewTool;
    setViewTool(savedViewTool);
    savedViewTool = 0;
    cropHandle = 9;
    mousePos = positionOf(event);
    if (oldTool == 3 && relief) {
        if (!(event->buttons() & Qt::LeftButton) && relief->stroke()) {
            bool hit = false;
            const Vector3d p = pickPoint(mousePos, &hit);
            relief->endStroke(Vector2d(p.x, p.y), hit);
            axisLock = 0;
            update();
        }
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

void FlatWin::wheelEvent(QWheelEvent* event)
{
    // Qt turns the wheel's delta sideways while Alt is held.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const Qt::KeyboardModifiers mods = event->modifiers();
    double step = (mods & Qt::ShiftModifier) ? 0.1 : 0.01;
    if (delta <= 0)
        step = -step;
    if (mods & Qt::AltModifier) {
        tool->size = std::min(1.0, std::max(0.01, tool->size + step));
        update();
        emit ToolSizeChanged(tool->size);
    } else if (mods & Qt::ControlModifier) {
        tool->strength = std::min(1.0, std::max(0.0001, tool->strength + step));
        update();
        emit ToolStrengthChanged(tool->strength);
    } else {
        const double f = std::clamp(1.0 - delta * 0.001, minWheelFactor, maxWheelFactor);
        const QPoint q(roundHalfAway(event->position().x()), roundHalfAway(event->position().y()));
        const int cx = viewWidth / 2;
        const int cy = viewHeight / 2;
        zoomAt(f, QPoint(2 * cx - roundHalfAway((cx - q.x()) * f) - q.x(),
                         2 * cy - roundHalfAway((cy - q.y()) * f) - q.y()));
        readDepthBuffer();
        update();
    }
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
    applyShapeSelection(&Relief::selectRectangle);
}

void FlatWin::applyEllipseSelection()
{
    applyShapeSelection(&Relief::selectEllipse);
}

void FlatWin::applyShapeSelection(void (Relief::*select)(const Rect2d&, SelectionMode))
{
    if (!relief)
        return;
    if (selectionOp == int(SelectionMode::Normal))
        relief->clearSelection();
    const Rect2d r = shapeBounds();
    if (r.width() != 0.0 && r.height() != 0.0)
        (relief->*select)(r + Vector2d(relief->width() / 2.0, relief->height() / 2.0),
                          SelectionMode(selectionOp));
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
    if (!relief || relief->selectionShapes().empty() || zoomFactor == 0.0)
        return;
    const Vector2d d((to.x() - from.x()) / zoomFactor, (to.y() - from.y()) / zoomFactor);
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
