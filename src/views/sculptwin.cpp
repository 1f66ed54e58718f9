#include "views/sculptwin.h"

#include "app/logfile.h"
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
#include <cmath>

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

// Halves rounded away from zero, as the views take event positions.
QPoint rounded(const QPointF& p)
{
    return QPoint(qRound(p.x()), qRound(p.y()));
}

int roundAway(double v)
{
    return int(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
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
    for (int i = 0; i < 16; ++i)
        modelview[i] = projection[i] = (i % 5 == 0) ? 1.0 : 0.0;
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
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_MULTISAMPLE);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_STIPPLE);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    emit Initialized();
}

void SculptWin::resizeGL(int w, int h)
{
    viewWidth = w;
    viewHeight = h;
    // The frame buffer has device pixels; the model keeps logical ones.
    depthCopy.resize(w, h, pixelRatio());
    glViewport(0, 0, depthCopy.deviceWidth(), depthCopy.deviceHeight());
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = w;
    viewport[3] = h;
    fitToView();
    readDepthBuffer();
    resized = true;
}

void SculptWin::readDepthBuffer()
{
    depthCopy.read(this, this);
}

Vector3d SculptWin::pickPoint(const QPoint& p, bool* hit) const
{
    return depthCopy.pick(p, modelview, projection, hit);
}

Rect2d SculptWin::visibleRect() const
{
    Rect2d r = ViewGeometry::unprojectedWindow(modelview, projection, viewWidth, viewHeight);
    if (!relief)
        return r;
    r += VekMath::Vector2d(relief->width() / 2.0, relief->height() / 2.0);
    return r.intersected(Rect2d(0, 0, relief->width(), relief->height()));
}

void SculptWin::reliefBox(Vector3d* low, Vector3d* high) const
{
    const double halfW = relief->width() / 2.0;
    const double halfH = relief->height() / 2.0;
    const double halfZ = (relief->heightMax() - relief->heightMin()) * relief->zScale() / 2.0;
    *low = Vector3d(-halfW, -halfH, -halfZ);
    *high = Vector3d(halfW, halfH, halfZ);
}

void SculptWin::setupProjection()
{
    double d = 0.0;
    if (relief) {
        // The heights as drawn, Z scale included, measured from the origin
        // the view turns about: a relief standing high above 0 must not clip.
        const double m = std::max(std::fabs(relief->heightMin()), std::fabs(relief->heightMax()))
                       * std::fabs(relief->zScale());
        const Vector3d a(-relief->width() / 2.0, -relief->height() / 2.0, -m);
        const Vector3d b(relief->width() / 2.0, relief->height() / 2.0, m);
        d = zoomFactor * Vector3d::distance(a, b);
    }
    if (!relief || d == 0.0 || !std::isfinite(d))
        d = 5000.0;
    ViewGeometry::projection(projection, viewWidth, viewHeight, d);
    nearPlane = -d;
    farPlane = d;
    eyeZ = 0.0;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
}

void SculptWin::setupModelview()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ViewGeometry::modelview(modelview, panX, panY, eyeZ, zoomFactor, trackball.matrix());
    glLoadMatrixd(modelview);
}

Rect2di SculptWin::projectedRect(double zoom, int px, int py)
{
    if (!relief)
        return Rect2di(0, 0, -1, -1);
    Vector3d low, high;
    reliefBox(&low, &high);
    return ViewGeometry::projectedRect(low, high, trackball.matrix(), zoom, px, py, viewWidth,
                                       viewHeight);
}

void SculptWin::fitToView()
{
    if (relief && viewWidth > 0 && viewHeight > 0) {
        Vector3d low, high;
        reliefBox(&low, &high);
        const ViewGeometry::Fit fit =
            ViewGeometry::fitToView(low, high, trackball.matrix(), viewWidth, viewHeight);
        zoomFactor = fit.zoom;
        panX = fit.panX;
        panY = fit.panY;
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
        reliefMesh.remesh(*relief, visible, viewWidth, viewHeight);
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
        if ((viewTool == 0 || viewTool == 5) && showToolOutline) {
            bool hit = false;
            const Vector3d centre = pickPoint(mousePos, &hit);
            if (hit)
                drawToolOutline(centre);
        }
        drawViewCube();
    }
    logGlErrors();
}

void SculptWin::logGlErrors()
{
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError())
        LogFile::warning() << "OpenGL error " << code << "\n";
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
        ToolOutline::draw(this, ToolOutline::points(*tool, *relief, centre, zoomFactor),
                          zoomFactor);
}

void SculptWin::buildViewCubeFaces()
{
    cube.buildFaces();
}

void SculptWin::drawViewCube()
{
    cube.draw(this, trackball.matrix(), viewWidth, viewHeight, pixelRatio(), resized, true);
    resized = false;
    glViewport(0, 0, depthCopy.deviceWidth(), depthCopy.deviceHeight());
}

int SculptWin::pickViewCubeFace(const QPoint& g) const
{
    return cube.pick(g);
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
    const Vector3d p = pickPoint(mousePos);
    // Cells of 1/128 inch, shown in inches.
    const double x = (relief->width() / 2.0 + p.x + 0.5) / 128.0;
    const double y = (relief->height() / 2.0 + p.y + 0.5) / 128.0;
    const double z = p.z > 0 ? (p.z + 0.5) / 128.0 : 0.0;
    emit Status(QString("Position: (%1, %2) z = %3")
                    .arg(x, 0, 'f', 2)
                    .arg(y, 0, 'f', 2)
                    .arg(z, 0, 'f', 2));
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
    viewTool = mode;
    switch (mode) {
    case 1: setCursor(panCursor); break;
    case 2: setCursor(zoomCursor); break;
    case 3:
    case 4: setCursor(rotateCursor); break;
    case 5: setCursor(blankCursor); break;
    default: setCursor(normalCursor); break;
    }
}

void SculptWin::zoomBy(double f)
{
    zoomFactor *= f;
    panX = roundAway(panX * f);
    panY = roundAway(panY * f);
}

void SculptWin::zoom(double f)
{
    if (f > 0)
        zoomBy(f);
}

void SculptWin::zoomAt(double f, const QPoint& p)
{
    panX += viewWidth / 2 - p.x();
    panY += viewHeight / 2 - p.y();
    zoom(f);
}

void SculptWin::mousePressEvent(QMouseEvent* event)
{
    if (savedViewTool == 0) {
        savedViewTool = viewTool;
        readDepthBuffer();
    }
    mousePos = rounded(event->localPos());
    cubeGrab = false;
    if (cube.inCorner(mousePos))
        cubeGrab = pickViewCubeFace(QPoint(mousePos.x(), viewHeight - 1 - mousePos.y())) != -1;

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
    if (viewTool != 0)
        return;
    setViewTool(5);
    bool hit = false;
    const Vector3d p = pickPoint(mousePos, &hit);
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
    if (axisLock == 1) {
        const int dx = mousePos.x() - old.x();
        const int dy = mousePos.y() - old.y();
        if (std::abs(dx) >= 3 || std::abs(dy) >= 3)
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
    bool hit = false;
    const Vector3d p = pickPoint(mousePos, &hit);
    if (hit)
        relief->strokeTo(p.xy(), false);
    update();
    mouseMoved = true;
}

void SculptWin::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint old = mousePos;
    mousePos = rounded(event->localPos());
    const int vw = cubeGrab ? cube.viewport[2] : viewWidth;
    const int vh = cubeGrab ? cube.viewport[3] : viewHeight;

    if (event->buttons() == Qt::NoButton) {
        if (viewTool == 5) {
            strokeStep(old, event);
            return;
        }
        if (viewTool == 0)
            update();
        event->ignore();
        mouseMoved = true;
        return;
    }
    switch (viewTool) {
    case 3:
        trackball.beginDrag(old.x(), old.y(), vw, vh);
        setViewTool(4);
        trackball.drag(mousePos.x(), mousePos.y(), vw, vh);
        break;
    case 4:
        trackball.drag(mousePos.x(), mousePos.y(), vw, vh);
        break;
    case 1:
        panX += mousePos.x() - old.x();
        panY += mousePos.y() - old.y();
        break;
    case 2: {
        const double f = ((mousePos.y() - old.y()) / zoomDragDivisor + zoomFactor) / zoomFactor;
        if (f > 0)
            zoomBy(f);
        break;
    }
    case 5:
        strokeStep(old, event);
        return;
    default:
        update();
        event->ignore();
        mouseMoved = true;
        return;
    }
    update();
    mouseMoved = true;
}

void SculptWin::mouseReleaseEvent(QMouseEvent* event)
{
    const int oldTool = viewTool;
    setViewTool(savedViewTool);
    savedViewTool = 0;
    mousePos = rounded(event->localPos());
    if (oldTool == 4) {
        trackball.endDrag();
    } else if (oldTool == 5) {
        if (relief && !(event->buttons() & Qt::LeftButton) && relief->stroke()) {
            bool hit = false;
            const Vector3d p = pickPoint(mousePos, &hit);
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
    if (!cube.inCorner(mousePos)) {
        event->ignore();
        return;
    }
    const QPoint p = rounded(event->localPos());
    const int face = pickViewCubeFace(QPoint(p.x(), viewHeight - 1 - p.y()));
    if (face >= 0) {
        trackball.setRotation(viewOrientation(face));
        readDepthBuffer();
        update();
    }
}

void SculptWin::wheelEvent(QWheelEvent* event)
{
    // Qt delivers Alt+wheel as a horizontal turn.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
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
        // A fast flick gives deltas of thousands: the factor must stay
        // positive, or the pan moves while the zoom is refused.
        const double f = std::max(0.1, 1.0 - delta * 0.001);
        const QPoint q = rounded(event->position());
        const int cx = viewWidth / 2;
        const int cy = viewHeight / 2;
        zoomAt(f, QPoint(2 * cx - qRound((cx - q.x()) * f) - q.x(),
                         2 * cy - qRound((cy - q.y()) * f) - q.y()));
        readDepthBuffer();
        update();
    }
}
