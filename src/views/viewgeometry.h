#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"

#include <QString>

class Relief;

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
    // point can never fill the view: the steps stop after a bound, and it
    // is shown at zoom 1.
    static Fit fitToView(const VekMath::Vector3d& low, const VekMath::Vector3d& high,
                         const double* rotation, int width, int height);

    // The model's x-y rectangle seen through the window of width x height,
    // from the window's corners unprojected at the near and the far depth.
    static VekMath::Rect2d unprojectedWindow(const double modelview[16],
                                             const double projection[16], int width, int height);

    // The relief in model space: centred on the origin across, its heights
    // as drawn (Z scale included) up and down. The box the relief views fit.
    static void reliefBox(const Relief& relief, VekMath::Vector3d* low, VekMath::Vector3d* high);
    // How deep both ways the projection must reach to hold every height as
    // drawn at zoom; 0 for a relief without extent.
    static double reliefDepth(const Relief& relief, double zoom);
    // A model rectangle in relief cells, clipped to the relief.
    static VekMath::Rect2d reliefCells(const Relief& relief, const VekMath::Rect2d& model);
    // "Position: (x, y) z = z" of a model point, in inches: cells of 1/128
    // inch whatever unit the user chose; z 0 at or below the base.
    static QString positionText(const Relief& relief, const VekMath::Vector3d& p);
};
