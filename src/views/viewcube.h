#pragma once

#include "geometry/plane.h"
#include "geometry/rect2d.h"

#include <QPoint>

#include <memory>
#include <vector>

class QOpenGLFunctions_2_1;

// One pickable face of the view cube: the face that viewOrientation(id)
// turns towards the viewer, its plane and its extent in its own two
// coordinates.
struct ViewCubeFace
{
    int id = 0;
    VekMath::Plane plane;
    VekMath::Rect2d bounds;
};

// The small translucent cube with axes in the top-left corner of the 3-D
// views, turned with the model; a double click on a face shows the model
// from that side.
class ViewCube
{
public:
    // 150 pixels, or a quarter of the height in views of 600 pixels or more.
    static int sideFor(int height);

    void buildFaces();
    // Draws into the corner of a width x height view (logical pixels; the
    // viewport is scaled by pixelRatio) and keeps the matrices for picking.
    // ownLight: light the faces with a light of its own; otherwise the
    // lights already set up serve.
    void draw(QOpenGLFunctions_2_1* gl, const double* rotation, int width, int height,
              double pixelRatio, bool rebuildFaces, bool ownLight);
    // The face under the window pixel g (origin bottom-left), or -1.
    int pick(const QPoint& g) const;
    // pick() of the widget pixel p (origin top-left) of a view viewHeight
    // pixels high.
    int pickWidget(const QPoint& p, int viewHeight) const
    {
        return pick(QPoint(p.x(), viewHeight - 1 - p.y()));
    }
    // The press lies in the cube's corner (widget pixels, origin top-left).
    bool inCorner(const QPoint& p) const { return p.x() < viewport[2] && p.y() < viewport[3]; }

    std::vector<std::unique_ptr<ViewCubeFace>> faces;
    double projection[16] = {};
    double modelview[16] = {};
    int viewport[4] = {0, 0, 0, 0};
};
