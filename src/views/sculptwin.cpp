#include "views/sculptwin.h"

#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "relief/selectionmode.h"
#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/shader/shader.h"
#include "views/shader/shaderfactory.h"
#include "views/progressdialogmonitor.h"
#include "views/tooloutline.h"
#include "views/viewgeometry.h"

#include <QCursor>
#include <QMouseEvent>
#include <QShowEvent>
#include <QWheelEvent>

#include <algorithm>

using VekMath::Quaternion;
using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

void storeColour(float* target, const QColor& c)
{
    target[0] = float(c.red() / 255.0);
    target[1] = float(c.green() / 255.0);
    target[2] = float(c.blue() / 255.0);
    target[3] = float(c.alpha() / 255.0);
}

QColor readColour(const float* source)
{
    int channel[4];
    for (int i = 0; i < 4; ++i) {
        channel[i] = int(source[i] * 255.0);
        if (channel[i] < 0 || channel[i] > 255)
            return QColor();
    }
    return QColor(channel[0], channel[1], channel[2], channel[3]);
}

} // namespace

SculptWin::SculptWin(QWidget* parent)
    : QOpenGLWidget(parent), font(QString(), 16, 63)
{
    initCursors();
    tool = ToolRegistry::select(Tool::Smooth);
    statusTimer.setInterval(100);
    connect(&statusTimer, &QTimer::timeout, this, &SculptWin::statusTimeout);
    statusTimer.start();
    setMouseTracking(true);
}

SculptWin::~SculptWin()
{
    makeCurrent();
    cube.faces.clear();
    delete shader;
    doneCurrent();
}

void SculptWin::initializeGL()
{
    initializeOpenGLFunctions();
    if (!shader) {
        shader = ShaderFactory::getShader(ShaderFactory::Relief3d);
        if (relief)
            shader->size = std::max(relief->width(), relief->height());
    }
    ViewNavigation::initGlState(this, 0.0f);
    glEnable(GL_MULTISAMPLE);
    emit Initialized();
}

void SculptWin::resizeGL(int w, int h)
{
    nav.resize(this, w, h, pixelRatio());
    depthCopy.resize(w, h, pixelRatio());
    fitToView();
    readDepthBuffer();
    resized = true;
}

Rect2d SculptWin::visibleRect() const
{
    const Rect2d window = nav.visibleArea();
    return relief ? ViewGeometry::reliefCells(*relief, window) : window;
}

void SculptWin::setupProjection()
{
    nav.setupProjection(this, relief ? ViewGeometry::reliefDepth(*relief, nav.zoomFactor) : 0.0);
}

Rect2di SculptWin::projectedRect(double zoom, int px, int py)
{
    if (!relief)
        return Rect2di(0, 0, -1, -1);
    Vector3d low, high;
    ViewGeometry::reliefBox(*relief, &low, &high);
    return nav.projectedRect(low, high, trackball.matrix(), zoom, px, py);
}

void SculptWin::fitToView()
{
    if (relief) {
        Vector3d low, high;
        ViewGeometry::reliefBox(*relief, &low, &high);
        nav.fit(low, high, trackball.matrix());
    }
    update();
}

void SculptWin::setRelief(Relief* r, bool fit)
{
    relief = r;
    if (shader && relief)
        shader->size = std::max(relief->width(), relief->height());
    // Arrays of another relief must not survive it.
    if (relief)
        relief->setRemesh(true);
    if (fit)
        fitToView();
    else
        update();
    readDepthBuffer();
}

void SculptWin::setZScale(double zScale)
{
    if (!relief)
        return;
    relief->setZScale(zScale);
    update();
    readDepthBuffer();
}

void SculptWin::showEvent(QShowEvent* event)
{
    // The 2-D view shares the relief's change flags and clears them when it
    // draws: what changed while this view was hidden is meshed anew.
    resized = true;
    QOpenGLWidget::showEvent(event);
}

void SculptWin::setShowToolOutline(bool show)
{
    showToolOutline = show;
    update();
}

void SculptWin::updateMesh()
{
    const Rect2d visible = visibleRect();
    if (reliefMesh.outgrown(visible) || resized || relief->remesh()) {
        reliefMesh.remesh(*relief, visible, nav.width, nav.height);
        const uint32_t n = uint32_t(reliefMesh.vertexCount());
        shader->setArrays(reliefMesh.positions.data(), 12 * n, reliefMesh.normals.data(), 12 * n,
                          reliefMesh.selection.data(), 4 * n, reliefMesh.indices.data(),
                          uint32_t(4 * reliefMesh.indexCount()));
        relief->resetChangedRect();
    } else if (relief->changed()) {
        const ReliefMesh::Range range = reliefMesh.refresh(*relief, relief->changedRect());
        if (range.count > 0)
            shader->updateVertices(reliefMesh.positions.data(), reliefMesh.normals.data(),
                                   reliefMesh.selection.data(), range.first, range.count);
        relief->resetChangedRect();
    }
}

void SculptWin::paintGL()
{
    setupProjection();
    setupModelview();
    if (relief && shader) {
        updateMesh();
        shader->bind();
        shader->draw();
        shader->release();
        if ((nav.viewTool == 0 || nav.viewTool == 5) && showToolOutline) {
            bool hit = false;
            const Vector3d centre = pickPoint(nav.mousePos, &hit);
            if (hit)
                drawToolOutline(centre);
        }
        drawViewCube();
    }
    ViewNavigation::logGlErrors(this);
}

Quaternion SculptWin::lightRotation(int index)
{
    double x = 0.3, y = -0.3;
    switch (index) {
    case 1: x = 0.5; y = 0.0; break;
    case 2: x = 0.3; y = 0.3; break;
    case 3: x = 0.0; y = 0.5; break;
    case 4: x = 0.0; y = -0.5; break;
    case 5: x = -0.3; y = -0.3; break;
    case 6: x = -0.5; y = 0.0; break;
    case 7: x = -0.3; y = 0.3; break;
    default: break;
    }
    return Quaternion(0.85, x, y, 0.0);
}

Vector3d SculptWin::lightDirection(int index)
{
    Trackball turn;
    turn.setRotation(lightRotation(index));
    const double* m = turn.matrix();
    const double lx = m[8];
    const double ly = -(lx * m[1] + m[9]);
    return Vector3d(lx, ly, 1.0);
}

void SculptWin::setLightPosition(int index)
{
    lightIndex = index;
    if (shader) {
        const Vector3d d = lightDirection(index);
        shader->lightPosition[0] = float(d.x);
        shader->lightPosition[1] = float(d.y);
        shader->lightPosition[2] = float(d.z);
    }
    update();
}

void SculptWin::setAmbientMaterial(const QColor& c)
{
    if (shader)
        storeColour(shader->ambientMaterial, c);
    update();
}

void SculptWin::setDiffuseMaterial(const QColor& c)
{
    if (shader)
        storeColour(shader->diffuseMaterial, c);
    update();
}

void SculptWin::setSpecularMaterial(const QColor& c)
{
    if (shader)
        storeColour(shader->specularMaterial, c);
    update();
}

void SculptWin::setMaterialShinyness(double shinyness)
{
    if (shader)
        shader->shinyness = float(shinyness);
    update();
}

QColor SculptWin::ambientMaterial() const
{
    return shader ? readColour(shader->ambientMaterial) : QColor();
}

QColor SculptWin::diffuseMaterial() const
{
    return shader ? readColour(shader->diffuseMaterial) : QColor();
}

QColor SculptWin::specularMaterial() const
{
    return shader ? readColour(shader->specularMaterial) : QColor();
}

double SculptWin::materialShinyness() const
{
    return shader ? shader->shinyness : 0.0;
}

void SculptWin::drawToolOutline(const Vector3d& centre)
{
    if (relief && tool)
        ToolOutline::draw(this, ToolOutline::points(*tool, *relief, centre, nav.zoomFactor),
                          nav.zoomFactor);
}

void SculptWin::drawViewCube()
{
    cube.draw(this, trackball.matrix(), nav.width, nav.height, pixelRatio(), resized, true);
    resized = false;
    nav.restoreViewport(this);
}

void SculptWin::setRotation(Quaternion quat)
{
    trackball.setRotation(quat);
    update();
}

void SculptWin::resetRotation()
{
    trackball.setRotation(Quaternion());
    update();
}

void SculptWin::statusTimeout()
{
    if (!relief || !mouseMoved)
        return;
    mouseMoved = false;
    emit Status(ViewGeometry::positionText(*relief, pickPoint(nav.mousePos)));
}

template <class Change>
void SculptWin::changeSource(bool markDirty, bool rebuild, Change change)
{
    if (!relief || !relief->source())
        return;
    ReliefSource& source = *relief->source();
    change(source);
    if (markDirty)
        source.dirty = true;
    if (rebuild) {
        relief->rebuild(false);
        update();
    }
    emit ReliefDirtyChanged(source.dirty);
}

void SculptWin::setFlipY(bool on)
{
    changeSource(true, true, [on](ReliefSource& s) { s.flipY = on; });
}

void SculptWin::setInvertZ(bool on)
{
    changeSource(true, true, [on](ReliefSource& s) { s.invertZ = on; });
}

void SculptWin::setImportKeepTransparency(bool on)
{
    changeSource(true, true, [on](ReliefSource& s) { s.importKeepTransparency = on; });
}

void SculptWin::setPreview(bool on)
{
    changeSource(false, true, [on](ReliefSource& s) { s.preview = on; });
}

void SculptWin::setSmoothSteps(double steps)
{
    changeSource(true, true, [steps](ReliefSource& s) { s.smoothSteps = steps; });
}

void SculptWin::setRaiseLowerSteps(int steps)
{
    changeSource(true, true, [steps](ReliefSource& s) { s.raiseLowerSteps = steps; });
}

void SculptWin::setTrimSteps(int steps)
{
    changeSource(true, true, [steps](ReliefSource& s) { s.trimSteps = steps; });
}

void SculptWin::setTilt(int horizontal, int vertical)
{
    changeSource(true, true, [=](ReliefSource& s) {
        s.tiltHorizontal = horizontal;
        s.tiltVertical = vertical;
        s.tiltDirty = true;
    });
}

void SculptWin::setGridSize(int size)
{
    changeSource(true, false, [size](ReliefSource& s) { s.gridSize = size; });
}

void SculptWin::setContrastFactor(int factor)
{
    changeSource(true, false, [factor](ReliefSource& s) { s.contrastFactor = factor; });
}

void SculptWin::setSmoothness(int smoothness)
{
    changeSource(true, false, [smoothness](ReliefSource& s) { s.smoothness = smoothness; });
}

void SculptWin::updateRelief(bool apply)
{
    if (!relief || !relief->source())
        return;
    if (apply) {
        ProgressDialogMonitor progress;
        relief->rebuild(true, &progress);
    } else {
        relief->rebuild(false);
    }
    update();
    emit ReliefDirtyChanged(relief->source()->dirty);
}

void SculptWin::setBasReliefEnabled(bool on)
{
    if (!relief || !relief->source())
        return;
    relief->source()->basRelief = on;
    updateRelief(false);
}

void SculptWin::setToolSize(double size)
{
    tool->size = size;
    update();
}

void SculptWin::setToolStrength(double strength)
{
    tool->strength = strength;
    update();
}

void SculptWin::setToolKeepTransparency(bool keep)
{
    tool->keepTransparency = keep;
    update();
}

void SculptWin::setToolMode(Tool::Mode mode)
{
    tool->mode = mode;
    update();
}

void SculptWin::setToolForm(Tool::Form form)
{
    tool->form = form;
    update();
}

void SculptWin::setToolHardness(double hardness)
{
    tool->hardness = hardness;
    update();
}

void SculptWin::setToolAspectRatio(double aspectRatio)
{
    tool->aspectRatio = aspectRatio;
    update();
}

void SculptWin::setToolAxisAngle(double degrees)
{
    tool->axisAngle = degrees;
    update();
}

void SculptWin::setToolDecayLength(double length)
{
    tool->decayLength = length;
    update();
}

void SculptWin::setToolUseSmoothing(bool on)
{
    tool->useSmoothing = on;
    update();
}

void SculptWin::setToolUseDecayLength(bool on)
{
    tool->useDecayLength = on;
    update();
}

void SculptWin::setToolSmoothLength(int length)
{
    tool->smoothLength = length;
    update();
}

void SculptWin::setToolClip(bool clip)
{
    tool->clip = clip;
    update();
}

void SculptWin::setTool(Tool::Type type)
{
    tool = ToolRegistry::select(type);
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
    update();
}

namespace {

const double toolSteps[4] = {-0.01, 0.01, -0.1, 0.1};

double toolStep(int i)
{
    return (i >= 0 && i < 4) ? toolSteps[i] : 0.0;
}

double clampSize(double size)
{
    return std::min(1.0, std::max(0.01, size));
}

double clampStrength(double strength)
{
    return std::min(1.0, std::max(0.0001, strength));
}

} // namespace

void SculptWin::stepToolSize(int i)
{
    tool->size = clampSize(tool->size + toolStep(i));
    update();
    emit ToolSizeChanged(tool->size);
}

void SculptWin::stepToolStrength(int i)
{
    tool->strength = clampStrength(tool->strength + toolStep(i));
    update();
    emit ToolStrengthChanged(tool->strength);
}

void SculptWin::setViewTool(int mode)
{
    nav.viewTool = mode;
    switch (mode) {
    case 1: setCursor(panCursor); break;
    case 2: setCursor(zoomCursor); break;
    case 3:
    case 4: setCursor(rotateCursor); break;
    case 5: setCursor(blankCursor); break;
    default: setCursor(normalCursor); break;
    }
}

void SculptWin::mousePressEvent(QMouseEvent* event)
{
    if (nav.savedViewTool == 0) {
        nav.savedViewTool = nav.viewTool;
        readDepthBuffer();
    }
    const QPoint at = ViewNavigation::position(event->localPos());
    nav.mousePos = at;
    cubeGrab = cube.inCorner(at) && pickViewCubeFace(QPoint(at.x(), nav.height - 1 - at.y())) != -1;

    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    switch (event->button()) {
    case Qt::RightButton:
        if (ctrl)
            setViewTool(3);
        else if (shift)
            setViewTool(1);
        else
            event->ignore();
        return;
    case Qt::MiddleButton:
        setViewTool(3);
        return;
    case Qt::LeftButton:
        break;
    default:
        event->ignore();
        return;
    }
    if (shift && !ctrl) {
        setViewTool(2);
        return;
    }
    if (cubeGrab) {
        setViewTool(3);
        return;
    }
    event->ignore();
    if (nav.viewTool != 0)
        return;
    setViewTool(5);
    bool hit = false;
    const Vector3d p = pickPoint(at, &hit);
    if (!relief || !hit)
        return;
    axisLock = ctrl ? 1 : 0;
    relief->beginStroke(tool, p.xy(), undo, SelectionMode::Normal);
}

void SculptWin::strokeStep(const QPoint& old, QMouseEvent* event)
{
    if (!relief || !relief->stroke()) {
        update();
        event->ignore();
        mouseMoved = true;
        return;
    }
    if (nav.lockAxis(axisLock, old))
        QCursor::setPos(mapToGlobal(nav.mousePos));
    bool hit = false;
    const Vector3d p = pickPoint(nav.mousePos, &hit);
    if (hit)
        relief->strokeTo(p.xy(), false);
    update();
    mouseMoved = true;
}

void SculptWin::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint old = nav.mousePos;
    nav.mousePos = ViewNavigation::position(event->localPos());
    if (nav.viewTool == 5) {
        strokeStep(old, event);
        return;
    }
    const int before = nav.viewTool;
    // On the cube the trackball spans the cube's corner only.
    const bool dragged =
        event->buttons() != Qt::NoButton
        && nav.drag(old, nav.mousePos, &trackball, cubeGrab ? cube.viewport[2] : nav.width,
                    cubeGrab ? cube.viewport[3] : nav.height);
    if (!dragged) {
        // Idle: the outline follows the mouse.
        if (nav.viewTool == 0 || event->buttons() != Qt::NoButton)
            update();
        event->ignore();
        mouseMoved = true;
        return;
    }
    if (nav.viewTool != before)
        setViewTool(nav.viewTool);
    update();
    mouseMoved = true;
}

void SculptWin::mouseReleaseEvent(QMouseEvent* event)
{
    const int oldTool = nav.viewTool;
    setViewTool(nav.savedViewTool);
    nav.savedViewTool = 0;
    nav.mousePos = ViewNavigation::position(event->localPos());
    if (oldTool == 4) {
        trackball.endDrag();
    } else if (oldTool == 5) {
        if (relief && !(event->buttons() & Qt::LeftButton) && relief->stroke()) {
            bool hit = false;
            const Vector3d p = pickPoint(nav.mousePos, &hit);
            relief->endStroke(p.xy(), hit);
            axisLock = 0;
            update();
        }
    } else if (oldTool == 0 || oldTool > 5) {
        event->ignore();
    }
    readDepthBuffer();
}

void SculptWin::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!cube.inCorner(nav.mousePos)) {
        event->ignore();
        return;
    }
    const QPoint p = ViewNavigation::position(event->localPos());
    const int face = pickViewCubeFace(QPoint(p.x(), nav.height - 1 - p.y()));
    if (face >= 0) {
        trackball.setRotation(viewOrientation(face));
        readDepthBuffer();
        update();
    }
}

void SculptWin::wheelEvent(QWheelEvent* event)
{
    const int delta = ViewNavigation::wheelDelta(event);
    const Qt::KeyboardModifiers mods = event->modifiers();
    double step = (mods & Qt::ShiftModifier) ? 0.1 : 0.01;
    if (delta <= 0)
        step = -step;
    if (mods & Qt::AltModifier) {
        tool->size = clampSize(tool->size + step);
        update();
        emit ToolSizeChanged(tool->size);
    } else if (mods & Qt::ControlModifier) {
        tool->strength = clampStrength(tool->strength + step);
        update();
        emit ToolStrengthChanged(tool->strength);
    } else {
        nav.wheelZoom(delta, ViewNavigation::position(event->position()));
        readDepthBuffer();
        update();
    }
}
