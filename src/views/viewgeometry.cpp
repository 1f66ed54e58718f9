#include "views/viewgeometry.h"

#include "relief/relief.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <limits>

using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

// Doubling from 1 reaches any zoom a double can express well within this.
const int maxFitSteps = 200;

// Window coordinates stay within this either side of 0, so that the sums
// and differences of two of them (a width, a centre) still fit an int.
const double windowLimit = std::numeric_limits<int>::max() / 4;

// A window coordinate rounded half away from zero, as lround does, but
// pinned to the window limit: a box zoomed far out of sight projects beyond
// any int. NaN, from a matrix of infinities, gives 0.
int windowCoord(double v)
{
    if (std::isnan(v))
        return 0;
    return int(std::clamp(std::round(v), -windowLimit, windowLimit));
}

} // namespace

void ViewGeometry::projection(double out[16], int width, int height, double depth)
{
    std::fill(out, out + 16, 0.0);
    out[0] = width != 0 ? 2.0 / width : 0.0;
    out[5] = height != 0 ? 2.0 / height : 0.0;
    out[10] = depth != 0 ? -1.0 / depth : 0.0;
    out[15] = 1.0;
}

void ViewGeometry::modelview(double out[16], int panX, int panY, double eyeZ, double zoom,
                             const double* rotation)
{
    const double s = zoom != 0.0 ? zoom : 1.0;
    static const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const double* r = rotation ? rotation : identity;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 3; ++row)
            out[c * 4 + row] = s * r[c * 4 + row];
    for (int c = 0; c < 4; ++c)
        out[c * 4 + 3] = r[c * 4 + 3];
    // The translation applies after the scale and rotation.
    const double t[3] = {double(panX), double(-panY), -eyeZ};
    for (int row = 0; row < 3; ++row)
        out[12 + row] += t[row] * r[15];
}

Rect2di ViewGeometry::projectedRect(const Vector3d& low, const Vector3d& high,
                                    const double* rotation, double zoom, int panX, int panY,
                                    int width, int height)
{
    double mv[16], pr[16];
    modelview(mv, panX, panY, 0.0, zoom, rotation);
    projection(pr, width, height, 1.0);
    const GLint viewport[4] = {0, 0, width, height};
    double minX = std::numeric_limits<double>::max(), maxX = -minX;
    double minY = minX, maxY = -minX;
    for (int i = 0; i < 8; ++i) {
        const double x = (i & 1) ? high.x : low.x;
        const double y = (i & 2) ? high.y : low.y;
        const double z = (i & 4) ? high.z : low.z;
        double wx = 0, wy = 0, wz = 0;
        gluProject(x, y, z, mv, pr, viewport, &wx, &wy, &wz);
        minX = std::min(minX, wx);
        maxX = std::max(maxX, wx);
        minY = std::min(minY, wy);
        maxY = std::max(maxY, wy);
    }
    Rect2di r;
    // Rows downwards, worked out before the rounding to int.
    r.x1 = windowCoord(minX);
    r.x2 = windowCoord(maxX);
    r.y1 = windowCoord(height - std::round(maxY) - 1.0);
    r.y2 = windowCoord(height - std::round(minY) - 1.0);
    return r;
}

ViewGeometry::Fit ViewGeometry::fitToView(const Vector3d& low, const Vector3d& high,
                                          const double* rotation, int width, int height)
{
    Fit fit;
    Rect2di r = projectedRect(low, high, rotation, fit.zoom, 0, 0, width, height);
    for (int step = 0; step < maxFitSteps; ++step) {
        if (width / 2 > r.width() + 1 && height / 2 > r.height() + 1)
            fit.zoom *= 2.0;
        else if (width > r.width() && height > r.height())
            break;
        else
            fit.zoom /= 2.0;
        r = projectedRect(low, high, rotation, fit.zoom, 0, 0, width, height);
    }
    if (width / 2 > r.width() + 1 && height / 2 > r.height() + 1) {
        // Still too small after every step: a single point, or a needle
        // seen end on. No zoom makes it fill the view.
        fit.zoom = 1.0;
        r = projectedRect(low, high, rotation, fit.zoom, 0, 0, width, height);
    }
    fit.panX = width / 2 - (r.x1 + r.x2) / 2;
    fit.panY = height / 2 - (r.y1 + r.y2) / 2;
    return fit;
}

Rect2d ViewGeometry::unprojectedWindow(const double modelview[16], const double projection[16],
                                       int width, int height)
{
    const GLint viewport[4] = {0, 0, width, height};
    const double corners[4][2] = {
        {0, double(height - 1)}, {double(width - 1), double(height - 1)},
        {double(width - 1), 0}, {0, 0}};
    double minX = std::numeric_limits<double>::max(), maxX = -minX;
    double minY = minX, maxY = -minX;
    for (const auto& corner : corners) {
        for (double depth : {1.0, 0.0}) {
            double x = 0, y = 0, z = 0;
            gluUnProject(corner[0], corner[1], depth, modelview, projection, viewport, &x, &y,
                         &z);
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    return Rect2d(VekMath::Vector2d(minX, minY), VekMath::Vector2d(maxX, maxY));
}

void ViewGeometry::reliefBox(const Relief& relief, Vector3d* low, Vector3d* high)
{
    // Heights as drawn: a relief rising from 0 stands wholly above the
    // origin, and a box centred on it would leave its top out of a turned
    // view's fit.
    const double a = relief.heightMin() * relief.zScale();
    const double b = relief.heightMax() * relief.zScale();
    *low = Vector3d(-relief.width() / 2.0, -relief.height() / 2.0, std::min(a, b));
    *high = Vector3d(relief.width() / 2.0, relief.height() / 2.0, std::max(a, b));
}

double ViewGeometry::reliefDepth(const Relief& relief, double zoom)
{
    // The heights as drawn, Z scale included, measured from the origin the
    // view turns about: a relief standing high above 0 must not clip.
    const double top = std::max(std::fabs(relief.heightMin()), std::fabs(relief.heightMax()))
                     * std::fabs(relief.zScale());
    const Vector3d a(-relief.width() / 2.0, -relief.height() / 2.0, -top);
    const Vector3d b(relief.width() / 2.0, relief.height() / 2.0, top);
    return zoom * Vector3d::distance(a, b);
}

Rect2d ViewGeometry::reliefCells(const Relief& relief, const Rect2d& model)
{
    const Rect2d cells = model + VekMath::Vector2d(relief.width() / 2.0, relief.height() / 2.0);
    return cells.intersected(Rect2d(0, 0, relief.width(), relief.height()));
}

QString ViewGeometry::positionText(const Relief& relief, const Vector3d& p)
{
    const double x = (relief.width() / 2.0 + p.x + 0.5) / 128.0;
    const double y = (relief.height() / 2.0 + p.y + 0.5) / 128.0;
    const double z = p.z > 0.0 ? (p.z + 0.5) / 128.0 : 0.0;
    return QString("Position: (%1, %2) z = %3")
        .arg(x, 0, 'f', 2)
        .arg(y, 0, 'f', 2)
        .arg(z, 0, 'f', 2);
}
