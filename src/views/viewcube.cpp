#include "views/viewcube.h"

#include "geometry/line3d.h"
#include "views/trackball.h"
#include "views/viewgeometry.h"

#include <QOpenGLFunctions_2_1>

#include <GL/glu.h>

#include <algorithm>
#include <limits>

using VekMath::Vector3d;

namespace {

const double half = 37.5;

const double corners[8][3] = {{-half, -half, half}, {half, -half, half}, {half, half, half},
                              {-half, half, half},  {-half, -half, -half}, {half, -half, -half},
                              {half, half, -half},  {-half, half, -half}};
const int faceCorners[6][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {3, 2, 6, 7},
                               {4, 5, 1, 0}, {1, 5, 6, 2}, {4, 0, 3, 7}};
const float faceNormals[6][3] = {{0, 0, 1}, {0, 0, -1}, {0, 1, 0},
                                 {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};

void drawAxis(QOpenGLFunctions_2_1* gl, GLUquadric* quadric)
{
    const double length = 48.75;
    gluCylinder(quadric, 1.0, 1.0, length, 16, 16);
    gl->glTranslatef(0.0f, 0.0f, float(length));
    gluCylinder(quadric, 3.0, 0.0, 6.0, 16, 16);
    gluDisk(quadric, 0.0, 3.0, 16, 16);
}

} // namespace

int ViewCube::sideFor(int height)
{
    return height < 600 ? 150 : height / 4;
}

void ViewCube::buildFaces()
{
    faces.clear();
    const double t[3] = {0.0, 0.0, half};
    for (int id = 0; id < 6; ++id) {
        double frame[16];
        orientationViewMatrix(frame, id, VekMath::Quaternion(), t);
        auto face = std::make_unique<ViewCubeFace>();
        face->id = id;
        face->plane = viewCubeFacePlane(frame);
        face->bounds = VekMath::Rect2d(-half, -half, 2 * half, 2 * half);
        faces.push_back(std::move(face));
    }
}

void ViewCube::draw(QOpenGLFunctions_2_1* gl, const double* rotation, int width, int height,
                    double pixelRatio, bool rebuildFaces, bool ownLight)
{
    const int s = sideFor(height);
    viewport[0] = 0;
    viewport[1] = std::max(0, height - s);
    viewport[2] = std::min(width, s);
    viewport[3] = std::min(height, s);
    gl->glViewport(0, GLint(viewport[1] * pixelRatio), GLsizei(viewport[2] * pixelRatio),
                   GLsizei(viewport[3] * pixelRatio));

    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glOrtho(-s / 2.0, s / 2.0, -s / 2.0, s / 2.0, -5000, 5000);
    gl->glGetDoublev(GL_PROJECTION_MATRIX, projection);
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadIdentity();
    gl->glTranslatef(0.0f, 0.0f, 4000.0f);
    if (rebuildFaces)
        buildFaces();
    gl->glMultMatrixd(rotation);
    gl->glGetDoublev(GL_MODELVIEW_MATRIX, modelview);

    if (ownLight) {
        const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
        const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        gl->glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
        gl->glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
        gl->glEnable(GL_LIGHT1);
    }
    gl->glEnable(GL_LIGHTING);
    gl->glDepthMask(GL_FALSE);
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const GLfloat faceColour[4] = {0.25f, 0.3f, 1.0f, 0.15f};
    const GLfloat faceDiffuse[4] = {0.6f, 0.6f, 0.6f, 0.5f};
    for (int f = 0; f < 6; ++f) {
        gl->glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, faceColour);
        gl->glMaterialfv(GL_FRONT, GL_DIFFUSE, faceDiffuse);
        gl->glPolygonMode(GL_FRONT, GL_FILL);
        gl->glBegin(GL_POLYGON);
        gl->glNormal3fv(faceNormals[f]);
        for (int c : faceCorners[f])
            gl->glVertex3dv(corners[c]);
        gl->glEnd();
    }
    gl->glDisable(GL_BLEND);
    gl->glDepthMask(GL_TRUE);
    gl->glDisable(GL_LIGHTING);

    GLUquadric* quadric = gluNewQuadric();
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluQuadricOrientation(quadric, GLU_OUTSIDE);
    const float origin = -24.375f;
    gl->glPushMatrix();
    gl->glTranslatef(origin, origin, origin);
    gl->glColor3f(1.0f, 1.0f, 0.0f);
    gluSphere(quadric, 4.0, 16, 16);
    const struct { float r, g, b, angle, ax, ay; } axes[3] = {
        {1, 0, 0, 90, 0, 1}, {0, 1, 0, -90, 1, 0}, {0, 0, 1, 0, 0, 0}};
    for (const auto& axis : axes) {
        gl->glPushMatrix();
        gl->glColor3f(axis.r, axis.g, axis.b);
        if (axis.angle != 0.0f)
            gl->glRotatef(axis.angle, axis.ax, axis.ay, 0.0f);
        drawAxis(gl, quadric);
        gl->glPopMatrix();
    }
    gl->glPopMatrix();
    gluDeleteQuadric(quadric);
}

int ViewCube::pick(const QPoint& g) const
{
    Vector3d nearPoint, farPoint;
    gluUnProject(g.x(), g.y(), 0.0, modelview, projection, viewport, &nearPoint.x, &nearPoint.y,
                 &nearPoint.z);
    gluUnProject(g.x(), g.y(), 1.0, modelview, projection, viewport, &farPoint.x, &farPoint.y,
                 &farPoint.z);
    const VekMath::Line3d line(nearPoint, farPoint - nearPoint);
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (const auto& face : faces) {
        Vector3d hit;
        if (!face->plane.intersect(line, &hit))
            continue;
        double u = hit.x, v = hit.y;
        if (face->id == 1 || face->id == 4)
            v = hit.z;
        else if (face->id == 2 || face->id == 5)
            u = hit.z;
        const VekMath::Rect2d& b = face->bounds;
        if (u < b.x1 || u > b.x2 || v < b.y1 || v > b.y2)
            continue;
        const double distance = Vector3d::distance(nearPoint, hit);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = face->id;
        }
    }
    return best;
}
