#include "views/sculptwin.h"

#include "app/logfile.h"
#include "relief/relief.h"
#include "relief/toolregistry.h"
#include "views/cursors.h"
#include "views/shader/shader.h"
#include "views/shader/shaderfactory.h"
#include "views/viewgeometry.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

using VekMath::Quaternion;
using VekMath::Rect2d;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

void storeColour(float* target, const QColor& c)
{
    target[0] = float(c.red() / 255.0);
    target[1] = float(c.green() / 255.0);
    target[2] = float(c.blue() / 255.0);
    target[3] = float(c.alpha() / 255.0);
}

QColor readColour(const float* source)
{
    int channel[4];
    for (int i = 0; i < 4; ++i) {
        channel[i] = int(source[i] * 255.0);
        if (channel[i] < 0 || channel[i] > 255)
            return QColor();
    }
    return QColor(channel[0], channel[1], channel[2], channel[3]);
}

} // namespace

SculptWin::SculptWin(QWidget* parent)
    : QOpenGLWidget(parent), font(QString(), 16, 63)
{
    for (int i = 0; i < 16; ++i)
        modelview[i] = projection[i] = (i % 5 == 0) ? 1.0 : 0.0;
    initCursors();
    tool = ToolRegistry::select(Tool::Smooth);
}

SculptWin::~SculptWin()
{
    makeCurrent();
    cube.faces.clear();
    delete shader;
    doneCurrent();
}

void SculptWin::initializeGL()
{
    initializeOpenGLFunctions();
    if (!shader) {
        shader = ShaderFactory::getShader(ShaderFactory::Relief3d);
        if (relief)
            shader->size = std::max(relief->width(), relief->height());
    }
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_MULTISAMPLE);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_STIPPLE);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
    emit Initialized();
}

void SculptWin::resizeGL(int w, int h)
{
    viewWidth = w;
    viewHeight = h;
    // The frame buffer has device pixels; the model keeps logical ones.
    const double ratio = pixelRatio();
    depthWidth = int(std::lround(w * ratio));
    depthHeight = int(std::lround(h * ratio));
    glViewport(0, 0, depthWidth, depthHeight);
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = w;
    viewport[3] = h;
    depth.assign(size_t(std::max(0, depthWidth)) * size_t(std::max(0, depthHeight)), 1.0f);
    fitToView();
    readDepthBuffer();
    resized = true;
}

void SculptWin::readDepthBuffer()
{
    // A view never shown has no context to read from.
    if (depth.empty() || !isValid())
        return;
    makeCurrent();
    glReadPixels(0, 0, depthWidth, depthHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
}

Vector3d SculptWin::pickPoint(const QPoint& p, bool* hit) const
{
    const double ratio = pixelRatio();
    const int gx = int(p.x() * ratio);
    const int gy = depthHeight - 1 - int(p.y() * ratio);
    double z = 1.0;
    if (gx >= 0 && gx < depthWidth && gy >= 0 && gy < depthHeight && !depth.empty())
        z = depth[size_t(gy) * size_t(depthWidth) + size_t(gx)];
    Vector3d out;
    gluUnProject(p.x(), viewHeight - 1 - p.y(), z, modelview, projection, viewport, &out.x,
                 &out.y, &out.z);
    if (hit)
        *hit = z < 1.0;
    return out;
}

Rect2d SculptWin::visibleRect() const
{
    Rect2d r = ViewGeometry::unprojectedWindow(modelview, projection, viewWidth, viewHeight);
    if (!relief)
        return r;
    r += VekMath::Vector2d(relief->width() / 2.0, relief->height() / 2.0);
    return r.intersected(Rect2d(0, 0, relief->width(), relief->height()));
}

void SculptWin::reliefBox(Vector3d* low, Vector3d* high) const
{
    const double halfW = relief->width() / 2.0;
    const double halfH = relief->height() / 2.0;
    const double halfZ = (relief->heightMax() - relief->heightMin()) * relief->zScale() / 2.0;
    *low = Vector3d(-halfW, -halfH, -halfZ);
    *high = Vector3d(halfW, halfH, halfZ);
}

void SculptWin::setupProjection()
{
    double d = 0.0;
    if (relief) {
        // The heights as drawn, Z scale included, measured from the origin
        // the view turns about: a relief standing high above 0 must not clip.
        const double m = std::max(std::fabs(relief->heightMin()), std::fabs(relief->heightMax()))
                       * std::fabs(relief->zScale());
        const Vector3d a(-relief->width() / 2.0, -relief->height() / 2.0, -m);
        const Vector3d b(relief->width() / 2.0, relief->height() / 2.0, m);
        d = zoomFactor * Vector3d::distance(a, b);
    }
    if (!relief || d == 0.0 || !std::isfinite(d))
        d = 5000.0;
    ViewGeometry::projection(projection, viewWidth, viewHeight, d);
    nearPlane = -d;
    farPlane = d;
    eyeZ = 0.0;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
}

void SculptWin::setupModelview()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ViewGeometry::modelview(modelview, panX, panY, eyeZ, zoomFactor, trackball.matrix());
    glLoadMatrixd(modelview);
}

Rect2di SculptWin::projectedRect(double zoom, int px, int py)
{
    if (!relief)
        return Rect2di(0, 0, -1, -1);
    Vector3d low, high;
    reliefBox(&low, &high);
    return ViewGeometry::projectedRect(low, high, trackball.matrix(), zoom, px, py, viewWidth,
                                       viewHeight);
}

void SculptWin::fitToView()
{
    if (relief && viewWidth > 0 && viewHeight > 0) {
        Vector3d low, high;
        reliefBox(&low, &high);
        const ViewGeometry::Fit fit =
            ViewGeometry::fitToView(low, high, trackball.matrix(), viewWidth, viewHeight);
        zoomFactor = fit.zoom;
        panX = fit.panX;
        panY = fit.panY;
    }
    update();
}

void SculptWin::setRelief(Relief* r, bool fit)
{
    relief = r;
    if (shader && relief)
        shader->size = std::max(relief->width(), relief->height());
    // Arrays of another relief must not survive it.
    if (relief)
        relief->setRemesh(true);
    if (fit)
        fitToView();
    else
        update();
    readDepthBuffer();
}

void SculptWin::setZScale(double zScale)
{
    if (!relief)
        return;
    relief->setZScale(zScale);
    update();
    readDepthBuffer();
}

void SculptWin::setShowToolOutline(bool show)
{
    showToolOutline = show;
    update();
}

void SculptWin::updateMesh()
{
    const Rect2d visible = visibleRect();
    if (reliefMesh.outgrown(visible) || resized || relief->remesh()) {
        reliefMesh.remesh(*relief, visible, viewWidth, viewHeight);
        const uint32_t n = uint32_t(reliefMesh.vertexCount());
        shader->setArrays(reliefMesh.positions.data(), 12 * n, reliefMesh.normals.data(), 12 * n,
                          reliefMesh.selection.data(), 4 * n, reliefMesh.indices.data(),
                          uint32_t(4 * reliefMesh.indexCount()));
        relief->resetChangedRect();
    } else if (relief->changed()) {
        const ReliefMesh::Range range = reliefMesh.refresh(*relief, relief->changedRect());
        if (range.count > 0)
            shader->updateVertices(reliefMesh.positions.data(), reliefMesh.normals.data(),
                                   reliefMesh.selection.data(), range.first, range.count);
        relief->resetChangedRect();
    }
}

void SculptWin::paintGL()
{
    setupProjection();
    setupModelview();
    if (relief && shader) {
        updateMesh();
        shader->bind();
        shader->draw();
        shader->release();
        if ((viewTool == 0 || viewTool == 5) && showToolOutline) {
            bool hit = false;
            const Vector3d centre = pickPoint(mousePos, &hit);
            if (hit)
                drawToolOutline(centre);
        }
        drawViewCube();
    }
    logGlErrors();
}

void SculptWin::logGlErrors()
{
    for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError())
        LogFile::warning() << "OpenGL error " << code << "\n";
}

Quaternion SculptWin::lightRotation(int index)
{
    double x = 0.3, y = -0.3;
    switch (index) {
    case 1: x = 0.5; y = 0.0; break;
    case 2: x = 0.3; y = 0.3; break;
    case 3: x = 0.0; y = 0.5; break;
    case 4: x = 0.0; y = -0.5; break;
    case 5: x = -0.3; y = -0.3; break;
    case 6: x = -0.5; y = 0.0; break;
    case 7: x = -0.3; y = 0.3; break;
    default: break;
    }
    return Quaternion(0.85, x, y, 0.0);
}

Vector3d SculptWin::lightDirection(int index)
{
    Trackball turn;
    turn.setRotation(lightRotation(index));
    const double* m = turn.matrix();
    const double lx = m[8];
    const double ly = -(lx * m[1] + m[9]);
    return Vector3d(lx, ly, 1.0);
}

void SculptWin::setLightPosition(int index)
{
    lightIndex = index;
    if (shader) {
        const Vector3d d = lightDirection(index);
        shader->lightPosition[0] = float(d.x);
        shader->lightPosition[1] = float(d.y);
        shader->lightPosition[2] = float(d.z);
    }
    update();
}

void SculptWin::setAmbientMaterial(const QColor& c)
{
    if (shader)
        storeColour(shader->ambientMaterial, c);
    update();
}

void SculptWin::setDiffuseMaterial(const QColor& c)
{
    if (shader)
        storeColour(shader->diffuseMaterial, c);
    update();
}

void SculptWin::setSpecularMaterial(const QColor& c)
{
    if (shader)
        storeColour(shader->specularMaterial, c);
    update();
}

void SculptWin::setMaterialShinyness(double shinyness)
{
    if (shader)
        shader->shinyness = float(shinyness);
    update();
}

QColor SculptWin::ambientMaterial() const
{
    return shader ? readColour(shader->ambientMaterial) : QColor();
}

QColor SculptWin::diffuseMaterial() const
{
    return shader ? readColour(shader->diffuseMaterial) : QColor();
}

QColor SculptWin::specularMaterial() const
{
    return shader ? readColour(shader->specularMaterial) : QColor();
}

double SculptWin::materialShinyness() const
{
    return shader ? shader->shinyness : 0.0;
}

void SculptWin::drawToolOutline(const Vector3d& centre)
{
    if (!relief || !tool)
        return;
    const GLfloat lightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, lightDiffuse);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 0.15f};
    const GLfloat diffuse[4] = {1.0f, 0.0f, 0.0f, 0.5f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glPolygonMode(GL_FRONT, GL_FILL);

    const int w = relief->width();
    const int h = relief->height();
    const double zs = relief->zScale();
    const double r = tool->size * 0.1 * std::sqrt(double(w) * w + double(h) * h);
    const double b = r / tool->aspectRatio;
    const double theta = tool->axisAngle * M_PI / 180.0;
    const double c = std::cos(theta), s = std::sin(theta);
    auto vertex = [&](double u, double v) {
        const double x = u * c - v * s + centre.x;
        const double y = u * s + v * c + centre.y;
        const double z = relief->heightAt(int(w / 2.0 + x), int(h / 2.0 + y)) * zs;
        glVertex3f(float(x), float(y), float(z));
    };

    glBegin(GL_POLYGON);
    glNormal3f(0.0f, 0.0f, float(zoomFactor));
    if (tool->form == Tool::Round) {
        const int n = int(2.0 * M_PI * r * zoomFactor);
        for (int k = 0; k < n; ++k) {
            const double t = k * 2.0 * M_PI / (n + 1);
            vertex(r * std::cos(t), b * std::sin(t));
        }
        vertex(r, 0.0);
    } else if (tool->form == Tool::Square) {
        // Each edge from its first corner, one pixel a step.
        const double step = 1.0 / zoomFactor;
        const struct { double u, v, du, dv, length; } edges[4] = {
            {r, b, -step, 0, 2 * r}, {-r, b, 0, -step, 2 * b},
            {-r, -b, step, 0, 2 * r}, {r, -b, 0, step, 2 * b}};
        for (const auto& e : edges) {
            const int n = int(e.length * zoomFactor);
            for (int k = 0; k < n; ++k)
                vertex(e.u + k * e.du, e.v + k * e.dv);
        }
        vertex(r, b);
    }
    glEnd();

    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glDisable(GL_LIGHTING);
}

void SculptWin::buildViewCubeFaces()
{
    cube.buildFaces();
}

void SculptWin::drawViewCube()
{
    cube.draw(this, trackball.matrix(), viewWidth, viewHeight, pixelRatio(), resized, true);
    resized = false;
    glViewport(0, 0, depthWidth, depthHeight);
}

int SculptWin::pickViewCubeFace(const QPoint& g) const
{
    return cube.pick(g);
}
