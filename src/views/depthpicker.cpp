#include "views/depthpicker.h"

#include <GL/glu.h>

#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>

#include <algorithm>
#include <cmath>

void DepthPicker::resize(int w, int h, double r)
{
    width = w;
    height = h;
    ratio = r;
    devWidth = std::max(0, int(std::lround(w * r)));
    devHeight = std::max(0, int(std::lround(h * r)));
    depth.assign(size_t(devWidth) * size_t(devHeight), 1.0f);
    taken = false;
}

void DepthPicker::read(QOpenGLWidget* widget, QOpenGLFunctions_2_1* gl,
                       const double modelview[16], const double projection[16])
{
    if (depth.empty() || !widget->isValid())
        return;
    widget->makeCurrent();
    gl->glReadPixels(0, 0, devWidth, devHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    std::copy(modelview, modelview + 16, takenModelview);
    std::copy(projection, projection + 16, takenProjection);
    taken = true;
}

bool DepthPicker::readWith(const double modelview[16], const double projection[16]) const
{
    return taken && std::equal(modelview, modelview + 16, takenModelview)
        && std::equal(projection, projection + 16, takenProjection);
}

VekMath::Vector3d DepthPicker::pick(const QPoint& p, const double modelview[16],
                                    const double projection[16], bool* hit) const
{
    const int gx = int(p.x() * ratio);
    const int gy = devHeight - 1 - int(p.y() * ratio);
    double z = 1.0;
    if (gx >= 0 && gx < devWidth && gy >= 0 && gy < devHeight)
        z = depth[size_t(gy) * size_t(devWidth) + size_t(gx)];
    const GLint viewport[4] = {0, 0, width, height};
    VekMath::Vector3d out;
    gluUnProject(p.x(), height - 1 - p.y(), z, modelview, projection, viewport, &out.x, &out.y,
                 &out.z);
    if (hit)
        *hit = z < 1.0;
    return out;
}
