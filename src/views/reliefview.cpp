#include "views/reliefview.h"

#include "base/logfile.h"
#include "relief/relief.h"
#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/shader/shader.h"
#include "views/toolsettings.h"
#include "views/viewgeometry.h"

#include <QCursor>
#include <QWheelEvent>

#include <algorithm>
#include <new>

using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

// What the driver takes beside the arrays to draw a frame: its compiled
// programs and its lists of the frame's work. Measured at 10 to 35 MB.
const long long driverWorkingBytes = 64LL << 20;

} // namespace

ReliefView::ReliefView(ShaderFactory::ShaderType type, Tool::Type firstTool, QWidget* parent)
    : QOpenGLWidget(parent), reliefMesh(type == ShaderFactory::Relief3d), shaderType(type)
{
    initCursors();
    tool = ToolRegistry::select(firstTool);
    statusTimer.setInterval(100);
    connect(&statusTimer, &QTimer::timeout, this, &ReliefView::statusTimeout);
    statusTimer.start();
    setMouseTracking(true);
}

ReliefView::~ReliefView()
{
    makeCurrent();
    delete shader;
    doneCurrent();
}

void ReliefView::initializeGL()
{
    initializeOpenGLFunctions();
    if (!shader) {
        shader = ShaderFactory::getShader(shaderType);
        if (relief)
            shader->size = std::max(relief->width(), relief->height());
    }
    ViewNavigation::initGlState(this, 0.0f);
    initializeViewGl();
    emit Initialized();
}

void ReliefView::resizeGL(int w, int h)
{
    nav.resize(this, w, h, devicePixelRatioF());
    depthCopy.resize(w, h, devicePixelRatioF());
    fitToView();
    readDepthBuffer();
}

void ReliefView::paintGL()
{
    if (relief && fitPending) {
        ReliefMesh::measureHeights(*relief);
        fitRelief();
        fitPending = false;
    }
    setupProjection();
    setupModelview();
    if (relief && shader && meshUpdated()) {
        shader->bind();
        shader->draw();
        shader->release();
        // Zoom, pan, turn and size, however changed, show in the matrices.
        if (!depthCopy.readWith(nav.modelview, nav.projection))
            retakeDepth();
        drawOverlays();
    }
    ViewNavigation::logGlErrors(this);
}

bool ReliefView::meshUpdated()
{
    try {
        updateMesh();
        return true;
    } catch (const std::bad_alloc&) {
        // Nothing is drawn rather than arrays half made; the next paint
        // tries again.
        LogFile::warning() << "Out of memory for the view's mesh\n";
        reliefMesh.clear();
        shader->setArrays(nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
        return false;
    }
}

long long ReliefView::drawingBytes(int reliefWidth, int reliefHeight, const QSize& pixels) const
{
    const bool lit = shaderType == ShaderFactory::Relief3d;
    return 2 * ReliefMesh::mostBytes(reliefWidth, reliefHeight, pixels.width(), pixels.height(), lit)
        + driverWorkingBytes;
}

void ReliefView::uploadMesh()
{
    const ReliefMesh& m = reliefMesh;
    const uint32_t n = uint32_t(m.vertexCount());
    const bool lit = shaderType == ShaderFactory::Relief3d;
    shader->setArrays(m.positions.data(), 12 * n, lit ? m.normals.data() : nullptr,
                      lit ? 12 * n : 0, m.selection.data(), 4 * n, m.indices.data(),
                      uint32_t(4 * m.indexCount()));
}

void ReliefView::uploadChanged(const Rect2di& area)
{
    const ReliefMesh::Range range = reliefMesh.refresh(*relief, area);
    if (range.count == 0)
        return;
    const bool lit = shaderType == ShaderFactory::Relief3d;
    shader->updateVertices(reliefMesh.positions.data(), lit ? reliefMesh.normals.data() : nullptr,
                           reliefMesh.selection.data(), range.first, range.count);
}

void ReliefView::reliefBox(Vector3d* low, Vector3d* high) const
{
    ViewGeometry::reliefBox(*relief, low, high);
}

Rect2d ReliefView::visibleRect() const
{
    const Rect2d window = nav.visibleArea();
    return relief ? ViewGeometry::reliefCells(*relief, window) : window;
}

void ReliefView::setupProjection()
{
    nav.setupProjection(this, relief ? ViewGeometry::reliefDepth(*relief, nav.zoomFactor) : 0.0);
}

Rect2di ReliefView::projectedRect(double zoom, int px, int py)
{
    if (!relief)
        return Rect2di(0, 0, -1, -1);
    Vector3d low, high;
    reliefBox(&low, &high);
    return nav.projectedRect(low, high, rotation(), zoom, px, py);
}

void ReliefView::fitToView()
{
    fitRelief();
    update();
}

void ReliefView::fitRelief()
{
    if (!relief)
        return;
    Vector3d low, high;
    reliefBox(&low, &high);
    nav.fit(low, high, rotation());
}

void ReliefView::setRelief(Relief* r, bool fit)
{
    relief = r;
    if (shader && relief)
        shader->size = std::max(relief->width(), relief->height());
    reliefReplaced();
    fitPending = fit;
    if (fit)
        fitToView();
    else
        update();
    readDepthBuffer();
}

void ReliefView::statusTimeout()
{
    if (!relief || !mouseMoved)
        return;
    mouseMoved = false;
    emit Status(ViewGeometry::positionText(*relief, pickPoint(nav.mousePos)));
}

void ReliefView::setViewTool(int mode)
{
    nav.viewTool = mode;
    setCursor(viewToolCursor(mode));
}

void ReliefView::reportTool(Tool::Type type)
{
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
}

void ReliefView::saveViewTool()
{
    if (nav.savedViewTool == 0) {
        nav.savedViewTool = nav.viewTool;
        readDepthBuffer();
    }
}

void ReliefView::retakeDepth()
{
    readDepthBuffer();
    if (pointerInside)
        mouseMoved = true;
}

void ReliefView::leaveEvent(QEvent* event)
{
    pointerInside = false;
    QOpenGLWidget::leaveEvent(event);
}

void ReliefView::lockStrokeAxis(const QPoint& old)
{
    if (nav.lockAxis(axisLock, old))
        QCursor::setPos(mapToGlobal(nav.mousePos));
}

void ReliefView::endStroke(Qt::MouseButtons held)
{
    if (!relief || (held & Qt::LeftButton) || !relief->stroke())
        return;
    bool hit = false;
    const Vector3d p = pickPoint(nav.mousePos, &hit);
    relief->endStroke(p.xy(), hit);
    axisLock = 0;
    update();
}

void ReliefView::wheelEvent(QWheelEvent* event)
{
    const int delta = ViewNavigation::wheelDelta(event);
    const Qt::KeyboardModifiers mods = event->modifiers();
    const double step = ToolSettings::wheelStep(delta, mods & Qt::ShiftModifier);
    if (mods & Qt::AltModifier) {
        ToolSettings::stepSize(*tool, step);
        update();
        emit ToolSizeChanged(tool->size);
    } else if (mods & Qt::ControlModifier) {
        ToolSettings::stepStrength(*tool, step);
        update();
        emit ToolStrengthChanged(tool->strength);
    } else {
        nav.wheelZoom(delta, ViewNavigation::position(event->position()));
        readDepthBuffer();
        update();
    }
}
