#include "views/tooloutline.h"

#include "relief/relief.h"
#include "relief/tool.h"

#include <QOpenGLFunctions_2_1>

#include <cmath>

using VekMath::Vector3d;

std::vector<Vector3d> ToolOutline::points(const Tool& tool, const Relief& relief,
                                          const Vector3d& centre, double zoom)
{
    std::vector<Vector3d> out;
    const int w = relief.width();
    const int h = relief.height();
    const double zScale = relief.zScale();
    const double r = tool.size * 0.1 * std::sqrt(double(w) * w + double(h) * h);
    const double b = r / tool.aspectRatio;
    const double theta = tool.axisAngle * M_PI / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    auto add = [&](double u, double v) {
        const double x = u * c - v * s + centre.x;
        const double y = u * s + v * c + centre.y;
        out.emplace_back(x, y, relief.heightAt(int(w / 2.0 + x), int(h / 2.0 + y)) * zScale);
    };

    if (tool.form == Tool::Round) {
        const int n = int(2.0 * M_PI * r * zoom);
        for (int k = 0; k < n; ++k) {
            const double t = k * 2.0 * M_PI / (n + 1);
            add(r * std::cos(t), b * std::sin(t));
        }
        add(r, 0.0);
    } else if (tool.form == Tool::Square) {
        // Each edge walked from its first corner, a pixel a step.
        const double step = 1.0 / zoom;
        const struct
        {
            double u, v, du, dv, length;
        } edges[4] = {{r, b, -step, 0, 2 * r},
                      {-r, b, 0, -step, 2 * b},
                      {-r, -b, step, 0, 2 * r},
                      {r, -b, 0, step, 2 * b}};
        for (const auto& e : edges) {
            const int n = int(e.length * zoom);
            for (int k = 0; k < n; ++k)
                add(e.u + k * e.du, e.v + k * e.dv);
        }
        add(r, b);
    }
    return out;
}

void ToolOutline::draw(QOpenGLFunctions_2_1* gl, const std::vector<Vector3d>& points, double zoom)
{
    if (points.empty())
        return;
    const GLfloat lightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 0.15f};
    const GLfloat diffuse[4] = {1.0f, 0.0f, 0.0f, 0.5f};
    gl->glLightfv(GL_LIGHT1, GL_AMBIENT, lightAmbient);
    gl->glLightfv(GL_LIGHT1, GL_DIFFUSE, lightDiffuse);
    gl->glEnable(GL_LIGHT1);
    gl->glEnable(GL_LIGHTING);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDepthMask(GL_FALSE);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    gl->glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    gl->glPolygonMode(GL_FRONT, GL_FILL);

    gl->glBegin(GL_POLYGON);
    gl->glNormal3f(0.0f, 0.0f, float(zoom));
    for (const Vector3d& p : points)
        gl->glVertex3f(float(p.x), float(p.y), float(p.z));
    gl->glEnd();

    gl->glEnable(GL_DEPTH_TEST);
    gl->glDisable(GL_BLEND);
    gl->glDepthMask(GL_TRUE);
    gl->glDisable(GL_LIGHTING);
}
