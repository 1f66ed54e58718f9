#include "views/viewnavigation.h"

#include "base/logfile.h"
#include "views/trackball.h"
#include "views/viewcube.h"
#include "views/viewgeometry.h"

#include <QOpenGLFunctions_2_1>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

int roundHalfAway(double v)
{
    return int(std::lround(v));
}

} // namespace

ViewNavigation::ViewNavigation()
{
    for (int i = 0; i < 16; ++i)
        modelview[i] = projection[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void ViewNavigation::initGlState(QOpenGLFunctions_2_1* gl, float clearAlpha)
{
    gl->glShadeModel(GL_SMOOTH);
    gl->glClearColor(0.0f, 0.0f, 0.0f, clearAlpha);
    gl->glClearDepth(1.0);
    gl->glEnable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    gl->glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    gl->glColor3f(1.0f, 1.0f, 1.0f);
    gl->glDisable(GL_TEXTURE_2D);
    gl->glDisable(GL_LIGHTING);
    gl->glDisable(GL_LINE_STIPPLE);
    gl->glEnable(GL_LINE_SMOOTH);
    gl->glLineWidth(1.0f);
}

void ViewNavigation::logGlErrors(QOpenGLFunctions_2_1* gl)
{
    for (GLenum code = gl->glGetError(); code != GL_NO_ERROR; code = gl->glGetError())
        LogFile::warning() << "OpenGL error " << code << "\n";
}

QPoint ViewNavigation::position(const QPointF& p)
{
    return QPoint(roundHalfAway(p.x()), roundHalfAway(p.y()));
}

int ViewNavigation::wheelDelta(const QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    return angle.y() != 0 ? angle.y() : angle.x();
}

double ViewNavigation::wheelFactor(int delta)
{
    return std::clamp(1.0 - delta * 0.001, minWheelFactor, maxWheelFactor);
}

void ViewNavigation::resize(QOpenGLFunctions_2_1* gl, int w, int h, double ratio)
{
    width = w;
    height = h;
    // The frame buffer has device pixels; the model keeps logical ones.
    deviceWidth = std::max(0, roundHalfAway(w * ratio));
    deviceHeight = std::max(0, roundHalfAway(h * ratio));
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = w;
    viewport[3] = h;
    restoreViewport(gl);
}

void ViewNavigation::restoreViewport(QOpenGLFunctions_2_1* gl) const
{
    gl->glViewport(0, 0, deviceWidth, deviceHeight);
}

void ViewNavigation::setupProjection(QOpenGLFunctions_2_1* gl, double depth)
{
    if (depth == 0.0 || !std::isfinite(depth))
        depth = 5000.0;
    ViewGeometry::projection(projection, width, height, depth);
    nearPlane = -depth;
    farPlane = depth;
    eyeZ = 0.0;
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadMatrixd(projection);
    gl->glMatrixMode(GL_MODELVIEW);
}

void ViewNavigation::setupModelview(QOpenGLFunctions_2_1* gl, const double* rotation)
{
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ViewGeometry::modelview(modelview, panX, panY, eyeZ, zoomFactor, rotation);
    gl->glLoadMatrixd(modelview);
}

Rect2di ViewNavigation::projectedRect(const Vector3d& low, const Vector3d& high,
                                      const double* rotation, double zoom, int px,
                                      int py) const
{
    return ViewGeometry::projectedRect(low, high, rotation, zoom, px, py, width, height);
}

void ViewNavigation::fit(const Vector3d& low, const Vector3d& high, const double* rotation)
{
    if (width <= 0 || height <= 0)
        return;
    const ViewGeometry::Fit fit = ViewGeometry::fitToView(low, high, rotation, width, height);
    zoomFactor = fit.zoom;
    panX = fit.panX;
    panY = fit.panY;
}

Rect2d ViewNavigation::visibleArea() const
{
    return ViewGeometry::unprojectedWindow(modelview, projection, width, height);
}

void ViewNavigation::zoomBy(double f)
{
    zoomFactor *= f;
    panX = roundHalfAway(panX * f);
    panY = roundHalfAway(panY * f);
}

void ViewNavigation::zoom(double f)
{
    if (f > 0.0)
        zoomBy(f);
}

void ViewNavigation::zoomAt(double f, const QPoint& p)
{
    panX += width / 2 - p.x();
    panY += height / 2 - p.y();
    zoom(f);
}

void ViewNavigation::wheelZoom(int delta, const QPoint& at)
{
    const double f = wheelFactor(delta);
    const int cx = width / 2;
    const int cy = height / 2;
    // Keeps the model point under the mouse nearly in place.
    zoomAt(f, QPoint(2 * cx - roundHalfAway((cx - at.x()) * f) - at.x(),
                     2 * cy - roundHalfAway((cy - at.y()) * f) - at.y()));
}

bool ViewNavigation::drag(const QPoint& from, const QPoint& to, Trackball* trackball,
                          int ballWidth, int ballHeight)
{
    switch (viewTool) {
    case 1:
        panX += to.x() - from.x();
        panY += to.y() - from.y();
        return true;
    case 2: {
        const double f = ((to.y() - from.y()) / zoomDragDivisor + zoomFactor) / zoomFactor;
        if (f > 0.0)
            zoomBy(f);
        return true;
    }
    case 3:
        if (!trackball)
            return false;
        trackball->beginDrag(from.x(), from.y(), ballWidth, ballHeight);
        viewTool = 4;
        trackball->drag(to.x(), to.y(), ballWidth, ballHeight);
        return true;
    case 4:
        if (!trackball)
            return false;
        trackball->drag(to.x(), to.y(), ballWidth, ballHeight);
        return true;
    default:
        return false;
    }
}

bool ViewNavigation::lockAxis(int& axisLock, const QPoint& old)
{
    if (axisLock == 1) {
        const int dx = mousePos.x() - old.x();
        const int dy = mousePos.y() - old.y();
        if (std::abs(dx) < 3 && std::abs(dy) < 3)
            return false;
        axisLock = dx * dx >= dy * dy ? 2 : 3;
    }
    if (axisLock == 2 && mousePos.y() != old.y()) {
        mousePos.setY(old.y());
        return true;
    }
    if (axisLock == 3 && mousePos.x() != old.x()) {
        mousePos.setX(old.x());
        return true;
    }
    return false;
}

bool ViewNavigation::turnDrag(const QPoint& from, const QPoint& to, Trackball* trackball,
                              const ViewCube& cube, bool onCube)
{
    return drag(from, to, trackball, onCube ? cube.viewport[2] : width,
                onCube ? cube.viewport[3] : height);
}

int ViewNavigation::turningPressTool(Qt::MouseButton button, Qt::KeyboardModifiers mods,
                                     bool onCube)
{
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    switch (button) {
    case Qt::RightButton:
        return ctrl ? 3 : shift ? 1 : -1;
    case Qt::MiddleButton:
        return 3;
    case Qt::LeftButton:
        return shift && !ctrl ? 2 : onCube ? 3 : 0;
    default:
        return -1;
    }
}
