#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"

#include <QPoint>
#include <QPointF>
#include <Qt>

class QOpenGLFunctions_2_1;
class QWheelEvent;
class Trackball;
class ViewCube;

// The camera and mouse navigation every view has: the widget's size, the
// zoom and pan, the matrices of the last set-up, the view-tool mode with the
// mode saved at a press, and the last mouse position. One unit of model
// space is one pixel at zoom 1; pan is in pixels, panY growing downwards.
// View tools 1 and 2 pan and zoom in every view.
class ViewNavigation
{
public:
    ViewNavigation();

    // The OpenGL state each view's context starts with.
    static void initGlState(QOpenGLFunctions_2_1* gl, float clearAlpha);
    // Writes every pending OpenGL error to the log.
    static void logGlErrors(QOpenGLFunctions_2_1* gl);

    // An event position rounded half away from zero.
    static QPoint position(const QPointF& p);
    // Qt turns the wheel's delta sideways while Alt is held: whichever
    // component is not 0.
    static int wheelDelta(const QWheelEvent* event);
    // The zoom of a wheel turn. A fast flick gives deltas of thousands: the
    // factor stays positive, or the pan would move while the zoom is
    // refused, and bounded, or one event would throw the model out of view.
    static double wheelFactor(int delta);
    static constexpr double minWheelFactor = 0.1;
    static constexpr double maxWheelFactor = 10.0;

    // A widget of w x h logical pixels shown at ratio device pixels each;
    // the viewport covers it.
    void resize(QOpenGLFunctions_2_1* gl, int w, int h, double ratio);
    // The viewport back over the whole widget, after a corner drawing.
    void restoreViewport(QOpenGLFunctions_2_1* gl) const;

    // Loads glOrtho(-width/2, width/2, -height/2, height/2, -depth, depth);
    // 5000 when depth is 0 or not finite (nothing to show).
    void setupProjection(QOpenGLFunctions_2_1* gl, double depth);
    // Clears the frame and loads the pan, the zoom and the rotation
    // (column-major, or null for none).
    void setupModelview(QOpenGLFunctions_2_1* gl, const double* rotation);

    // Window rectangle (widget rows, downwards) of the box from low to high
    // at the zoom and pan given.
    VekMath::Rect2di projectedRect(const VekMath::Vector3d& low, const VekMath::Vector3d& high,
                                   const double* rotation, double zoom, int panX,
                                   int panY) const;
    // Zoom and pan that show the whole box, centred; nothing on an empty
    // widget.
    void fit(const VekMath::Vector3d& low, const VekMath::Vector3d& high, const double* rotation);
    // The model's x-y rectangle the window shows under the last matrices.
    VekMath::Rect2d visibleArea() const;

    // zoomFactor times f; the pan scales with it.
    void zoomBy(double f);
    // zoomBy(f) for a positive f only.
    void zoom(double f);
    // Moves p to the centre, then zoom(f).
    void zoomAt(double f, const QPoint& p);
    // Zooms by the wheel's factor about the point under the mouse.
    void wheelZoom(int delta, const QPoint& at);

    // One drag step from one mouse position to the next in the present view
    // tool: 1 pans, 2 zooms (zoomDragDivisor pixels down add 1 to the zoom),
    // and with a trackball 3 starts turning (the tool becomes 4) and 4
    // turns, the ball spanning ballWidth x ballHeight pixels. False for any
    // other tool.
    bool drag(const QPoint& from, const QPoint& to, Trackball* trackball = nullptr,
              int ballWidth = 0, int ballHeight = 0);
    // drag() in a view that turns: the ball spans the cube's corner when the
    // press grabbed the cube, else the whole view.
    bool turnDrag(const QPoint& from, const QPoint& to, Trackball* trackball,
                  const ViewCube& cube, bool onCube);

    // The view tool a press switches a turning view to: the right button
    // turns with Ctrl (3) and pans with Shift (1), the middle button turns,
    // the left button zooms with Shift but not Ctrl (2) and turns on the
    // cube. 0 for any other left press, the view's own; -1 for a press the
    // view passes on.
    static int turningPressTool(Qt::MouseButton button, Qt::KeyboardModifiers mods,
                                bool onCube);

    // A stroke's axis lock on the move from old to mousePos: 1 (pending)
    // becomes 2 (keep the row) or 3 (keep the column) once the mouse has
    // gone 3 pixels either way; 2 and 3 put the other coordinate back.
    // True when mousePos was put back, so that the screen cursor follows.
    bool lockAxis(int& axisLock, const QPoint& old);

    int viewTool = 0;
    int savedViewTool = 0;
    QPoint mousePos;
    double zoomFactor = 1.0;
    double zoomDragDivisor = 300.0;
    int panX = 0;
    int panY = 0;
    double modelview[16];
    double projection[16];
    int viewport[4] = {0, 0, 0, 0};
    double nearPlane = 0.0;
    double farPlane = 0.0;
    double eyeZ = 0.0;
    // Widget size of the last resize, in logical and in device pixels.
    int width = 0;
    int height = 0;
    int deviceWidth = 0;
    int deviceHeight = 0;
};
