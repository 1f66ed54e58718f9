#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"

// The orthographic camera the three views share: one unit per pixel at zoom
// 1, the model panned in pixels, scaled by the zoom and turned by the
// trackball. Matrices are column-major as OpenGL takes them.
class ViewGeometry
{
public:
    // glOrtho(-w/2, w/2, -h/2, h/2, -depth, depth).
    static void projection(double out[16], int width, int height, double depth);
    // Translate (panX, -panY, -eyeZ), scale by zoom (unless 0), then rotate
    // (a column-major rotation, or null for none).
    static void modelview(double out[16], int panX, int panY, double eyeZ, double zoom,
                          const double* rotation);

    // The window rectangle (widget rows, downwards) of the box from low to
    // high, all eight corners projected.
    static VekMath::Rect2di projectedRect(const VekMath::Vector3d& low,
                                          const VekMath::Vector3d& high, const double* rotation,
                                          double zoom, int panX, int panY, int width, int height);

    struct Fit
    {
        double zoom = 1.0;
        int panX = 0;
        int panY = 0;
    };
    // Doubles or halves the zoom until the box fills more than half of the
    // view and fits into it, then centres it. A box that projects onto a
    // point can never fill the view: the steps stop after a bound.
    static Fit fitToView(const VekMath::Vector3d& low, const VekMath::Vector3d& high,
                         const double* rotation, int width, int height);

    // The model's x-y rectangle seen through the window of width x height,
    // from the window's corners unprojected at the near and the far depth.
    static VekMath::Rect2d unprojectedWindow(const double modelview[16],
                                             const double projection[16], int width, int height);
};
