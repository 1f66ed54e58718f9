#include "views/sculptwin.h"

#include "relief/relief.h"
#include "relief/selectionmode.h"
#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/toolsettings.h"
#include "views/shader/shader.h"
#include "views/tooloutline.h"
#include "views/viewgeometry.h"

#include <QCursor>
#include <QMouseEvent>
#include <QShowEvent>

#include <algorithm>

using VekMath::Quaternion;
using VekMath::Rect2d;
using VekMath::Vector3d;

SculptWin::SculptWin(QWidget* parent)
    : ReliefView(ShaderFactory::Relief3d, Tool::Smooth, parent), font(QString(), 16, 63)
{
}

void SculptWin::initializeViewGl()
{
    glEnable(GL_MULTISAMPLE);
}

void SculptWin::resizeGL(int w, int h)
{
    ReliefView::resizeGL(w, h);
    resized = true;
}

void SculptWin::reliefReplaced()
{
    // Arrays of another relief must not survive it.
    if (relief)
        relief->setRemesh(true);
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
    heightsChanged = relief->changed() || relief->remesh();
    if (reliefMesh.outgrown(visible) || resized || relief->remesh()) {
        reliefMesh.remesh(*relief, visible, nav.width, nav.height);
        uploadMesh();
        relief->resetChangedRect();
    } else if (relief->changed()) {
        uploadChanged(relief->changedRect());
        relief->resetChangedRect();
    }
}

void SculptWin::drawOverlays()
{
    // Heights changed under a still pointer, by an undo or a new model:
    // picking and the position text follow them. A stroke reads the depth
    // as it ends.
    if (heightsChanged && !relief->stroke())
        retakeDepth();
    if ((nav.viewTool == 0 || nav.viewTool == 5) && showToolOutline) {
        bool hit = false;
        const Vector3d centre = pickPoint(nav.mousePos, &hit);
        if (hit)
            drawToolOutline(centre);
    }
    drawViewCube();
}

void SculptWin::setLightPosition(int index)
{
    lightIndex = index;
    ShaderMaterial(shader).setLightPreset(index);
    update();
}

void SculptWin::setAmbientMaterial(const QColor& c)
{
    ShaderMaterial(shader).setAmbient(c);
    update();
}

void SculptWin::setDiffuseMaterial(const QColor& c)
{
    ShaderMaterial(shader).setDiffuse(c);
    update();
}

void SculptWin::setSpecularMaterial(const QColor& c)
{
    ShaderMaterial(shader).setSpecular(c);
    update();
}

void SculptWin::setMaterialShinyness(double shinyness)
{
    ShaderMaterial(shader).setShinyness(shinyness);
    update();
}

void SculptWin::drawToolOutline(const Vector3d& centre)
{
    if (relief && tool)
        ToolOutline::draw(this, ToolOutline::points(*tool, *relief, centre, nav.zoomFactor),
                          nav.zoomFactor);
}

void SculptWin::drawViewCube()
{
    cube.draw(this, trackball.matrix(), nav.width, nav.height, devicePixelRatioF(), resized, true);
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

void SculptWin::importChange(ImportChange change)
{
    pendingImports.push_back(std::move(change));
    if (importing)
        return;
    importing = true;
    try {
        while (!pendingImports.empty()) {
            const ImportChange next = std::move(pendingImports.front());
            pendingImports.pop_front();
            ImportSettings settings(relief);
            sourceChanged(next(settings));
        }
    } catch (...) {
        pendingImports.clear();
        importing = false;
        throw;
    }
    importing = false;
}

void SculptWin::sourceChanged(const ImportSettings::Outcome& outcome)
{
    if (!outcome.applied)
        return;
    if (outcome.rebuilt)
        update();
    emit ReliefDirtyChanged(outcome.dirty);
}

void SculptWin::setTool(Tool::Type type)
{
    tool = ToolRegistry::select(type);
    reportTool(type);
    update();
}

void SculptWin::stepToolSize(int i)
{
    ToolSettings::stepSize(*tool, ToolSettings::keyStep(i));
    update();
    emit ToolSizeChanged(tool->size);
}

void SculptWin::stepToolStrength(int i)
{
    ToolSettings::stepStrength(*tool, ToolSettings::keyStep(i));
    update();
    emit ToolStrengthChanged(tool->strength);
}

const QCursor& SculptWin::viewToolCursor(int mode) const
{
    return navigationCursor(mode, true, mode == 5 ? blankCursor : normalCursor);
}

void SculptWin::mousePressEvent(QMouseEvent* event)
{
    saveViewTool();
    const QPoint at = ViewNavigation::position(event->localPos());
    nav.mousePos = at;
    cubeGrab = cube.inCorner(at) && cube.pickWidget(at, nav.height) != -1;

    const Qt::KeyboardModifiers mods = event->modifiers();
    const int mode = ViewNavigation::turningPressTool(event->button(), mods, cubeGrab);
    if (mode > 0) {
        setViewTool(mode);
        return;
    }
    event->ignore();
    if (mode < 0 || nav.viewTool != 0)
        return;
    setViewTool(5);
    bool hit = false;
    const Vector3d p = pickPoint(at, &hit);
    if (!relief || !hit)
        return;
    axisLock = (mods & Qt::ControlModifier) ? 1 : 0;
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
    lockStrokeAxis(old);
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
    pointerInside = rect().contains(nav.mousePos);
    if (nav.viewTool == 5) {
        strokeStep(old, event);
        return;
    }
    const int before = nav.viewTool;
    const bool dragged = event->buttons() != Qt::NoButton
                      && nav.turnDrag(old, nav.mousePos, &trackball, cube, cubeGrab);
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
        endStroke(event->buttons());
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
    const int face = cube.pickWidget(p, nav.height);
    if (face >= 0) {
        trackball.setRotation(viewOrientation(face));
        readDepthBuffer();
        update();
    }
}
