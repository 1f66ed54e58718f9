#include "views/facetwin.h"

#include "mesh/facetshape.h"
#include "views/cursors.h"
#include "views/lightpreset.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

#include <new>
#include <utility>

using VekMath::Quaternion;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

const int floatsPerVertex = 6;
const int floatsPerFacet = 3 * floatsPerVertex;
const GLsizei vertexStride = GLsizei(floatsPerVertex * sizeof(float));
const long long driverWorkingBytes = 64LL << 20;

void setMaterial(QOpenGLFunctions_2_1* gl, GLenum face, GLenum what, float r, float g, float b,
                 float a)
{
    const GLfloat v[4] = {r, g, b, a};
    gl->glMaterialfv(face, what, v);
}

} // namespace

bool FacetWin::ShapeStamp::operator==(const ShapeStamp& o) const
{
    return shape == o.shape && data == o.data && count == o.count && low == o.low
        && high == o.high && applied == o.applied;
}

FacetWin::ShapeStamp FacetWin::stampOf(const FacetShape* shape)
{
    ShapeStamp s;
    s.shape = shape;
    if (shape) {
        s.data = shape->facets().constData();
        s.count = shape->facetCount();
        s.low = shape->boundsMin();
        s.high = shape->boundsMax();
        s.applied = shape->appliedTransform();
    }
    return s;
}

FacetWin::FacetWin(QWidget* parent)
    : QOpenGLWidget(parent), font(QString(), 16, 63)
{
    initCursors();
}

FacetWin::~FacetWin()
{
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    makeCurrent();
    releaseBuffer();
    doneCurrent();
}

std::vector<float> FacetWin::vertexArray(const FacetShape& shape, const std::atomic<bool>* stop)
{
    // Facets between looks at stop: a few milliseconds' work.
    const int look = 1 << 16;
    // Floats far from the origin would shift and merge the corners of a
    // small mesh: they are taken relative to the centre of its bounds.
    const Vector3d centre = (shape.boundsMin() + shape.boundsMax()) * 0.5;
    const QVector<Facet>& facets = shape.facets();
    std::vector<float> out(size_t(facets.size()) * floatsPerFacet);
    float* v = out.data();
    for (int i = 0; i < facets.size(); ++i) {
        if (stop && i % look == 0 && stop->load(std::memory_order_relaxed))
            return std::vector<float>();
        const Facet& f = facets[i];
        for (const Vector3d& corner : f.corners) {
            v[0] = float(f.normal.x);
            v[1] = float(f.normal.y);
            v[2] = float(f.normal.z);
            v[3] = float(corner.x - centre.x);
            v[4] = float(corner.y - centre.y);
            v[5] = float(corner.z - centre.z);
            v += floatsPerVertex;
        }
    }
    return out;
}

long long FacetWin::drawingBytes(long long facets)
{
    return 2 * facets * floatsPerFacet * (long long)sizeof(float) + driverWorkingBytes;
}

void FacetWin::setFacetShape(FacetShape* s, bool fit)
{
    setFacetShape(s, fit, s ? vertexArray(*s) : std::vector<float>());
}

void FacetWin::setFacetShape(FacetShape* s, bool fit, std::vector<float> prepared)
{
    shape = s;
    vertices = std::move(prepared);
    builtStamp = stampOf(shape);
    uploadedStamp = ShapeStamp();
    if (fit)
        fitToView();
    else
        update();
}

void FacetWin::releaseBuffer()
{
    if (vertexBuffer != 0 && isValid())
        glDeleteBuffers(1, &vertexBuffer);
    vertexBuffer = 0;
    uploadedStamp = ShapeStamp();
    drawCount = 0;
}

void FacetWin::syncArrays()
{
    const ShapeStamp now = stampOf(shape);
    if (now == uploadedStamp)
        return;
    if (!shape) {
        drawCount = 0;
        uploadedStamp = now;
        return;
    }
    if (!(now == builtStamp) || (vertices.empty() && shape->facetCount() > 0)) {
        // A mesh turned or scaled with too little memory left is not drawn
        // until there is room for its arrays again.
        vertices.clear();
        vertices.shrink_to_fit();
        try {
            vertices = vertexArray(*shape);
        } catch (const std::bad_alloc&) {
            drawCount = 0;
            return;
        }
        builtStamp = now;
    }
    drawCount = int(vertices.size() / floatsPerVertex);
    drawFromClient = false;
    if (vertexBuffer == 0)
        glGenBuffers(1, &vertexBuffer);
    // Only the upload's own error may decide where the facets are drawn from.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(float)),
                 vertices.empty() ? nullptr : vertices.data(), GL_STATIC_DRAW);
    const bool stored = glGetError() == GL_NO_ERROR;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    uploadedStamp = now;
    if (stored) {
        // The GPU holds the only copy needed; a new context rebuilds it from the mesh.
        vertices.clear();
        vertices.shrink_to_fit();
    } else {
        drawFromClient = true;
    }
}

void FacetWin::initializeGL()
{
    initializeOpenGLFunctions();
    // Buffers die with their context; a new one gets them uploaded again.
    vertexBuffer = 0;
    uploadedStamp = ShapeStamp();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this,
            [this]() {
                makeCurrent();
                releaseBuffer();
                doneCurrent();
            });
    ViewNavigation::initGlState(this, 1.0f);
}

void FacetWin::resizeGL(int w, int h)
{
    nav.resize(this, w, h, devicePixelRatioF());
    fitToView();
    resized = true;
}

void FacetWin::meshBox(Vector3d* low, Vector3d* high) const
{
    const Vector3d half = (shape->boundsMax() - shape->boundsMin()) * 0.5;
    *low = -half;
    *high = half;
}

void FacetWin::setupProjection()
{
    double depth = 0.0;
    if (shape)
        depth = nav.zoomFactor * Vector3d::distance(shape->boundsMin(), shape->boundsMax());
    nav.setupProjection(this, depth);
}

void FacetWin::setupLights()
{
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    // A directional light: only the direction of the preset counts.
    const double half = nav.width / 2.0;
    const Vector3d d = LightPreset::direction(lightIndex);
    const GLfloat position[4] = {float(d.x * half), float(d.y * half), float(half), 0.0f};
    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat specular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT1, GL_POSITION, position);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    setMaterial(this, GL_FRONT, GL_SPECULAR, 0.3f, 0.3f, 0.3f, 1.0f);
    glMaterialf(GL_FRONT, GL_SHININESS, 100.0f);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHT1);
}

void FacetWin::setLightPosition(int index)
{
    lightIndex = index;
    update();
}

void FacetWin::drawFacets()
{
    if (drawCount == 0)
        return;
    // The arrays hold the facets' own normals; rescaling undoes the zoom's
    // scale on them, as multiplying each normal by the zoom would.
    glEnable(GL_RESCALE_NORMAL);
    // Smoothed lines change nothing on triangles, but a software rasteriser
    // then sends every triangle down its slow path.
    glDisable(GL_LINE_SMOOTH);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    // Offsets into the buffer, or addresses when the GPU could not take it.
    const void* normals = nullptr;
    const void* positions = reinterpret_cast<const void*>(3 * sizeof(float));
    if (drawFromClient) {
        normals = vertices.data();
        positions = vertices.data() + 3;
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    }
    glNormalPointer(GL_FLOAT, vertexStride, normals);
    glVertexPointer(3, GL_FLOAT, vertexStride, positions);
    glDrawArrays(GL_TRIANGLES, 0, drawCount);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glEnable(GL_LINE_SMOOTH);
    glDisable(GL_RESCALE_NORMAL);
}

void FacetWin::drawPlate()
{
    // In the mesh's centred frame, as the facets are.
    const Vector3d& low = shape->boundsMin();
    const Vector3d& high = shape->boundsMax();
    const double ex = high.x - low.x;
    const double ey = high.y - low.y;
    const float x0 = float(-0.55 * ex), x1 = float(0.55 * ex);
    const float y0 = float(-0.55 * ey), y1 = float(0.55 * ey);
    // Three pixels thick on screen whatever the zoom.
    const double bottom = -(high.z - low.z) / 2.0;
    const float z0 = float(bottom), z1 = float(bottom - 3.0 / nav.zoomFactor);
    const float n = float(nav.zoomFactor);

    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    setMaterial(this, GL_FRONT, GL_AMBIENT_AND_DIFFUSE, 0.0f, 0.6f, 0.0f, 0.2f);
    setMaterial(this, GL_BACK, GL_AMBIENT_AND_DIFFUSE, 0.6f, 0.0f, 0.0f, 0.2f);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, n);
    glVertex3f(x0, y1, z0);
    glVertex3f(x0, y0, z0);
    glVertex3f(x1, y0, z0);
    glVertex3f(x1, y1, z0);
    glNormal3f(0.0f, 0.0f, -n);
    glVertex3f(x0, y1, z1);
    glVertex3f(x0, y0, z1);
    glVertex3f(x1, y0, z1);
    glVertex3f(x1, y1, z1);
    glEnd();
    setMaterial(this, GL_FRONT, GL_AMBIENT_AND_DIFFUSE, 0.0f, 0.0f, 0.6f, 0.3f);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, n, 0.0f);
    glVertex3f(x0, y1, z0);
    glVertex3f(x1, y1, z0);
    glVertex3f(x1, y1, z1);
    glVertex3f(x0, y1, z1);
    glNormal3f(0.0f, -n, 0.0f);
    glVertex3f(x1, y0, z0);
    glVertex3f(x0, y0, z0);
    glVertex3f(x0, y0, z1);
    glVertex3f(x1, y0, z1);
    glNormal3f(-n, 0.0f, 0.0f);
    glVertex3f(x0, y0, z0);
    glVertex3f(x0, y1, z0);
    glVertex3f(x0, y1, z1);
    glVertex3f(x0, y0, z1);
    glNormal3f(n, 0.0f, 0.0f);
    glVertex3f(x1, y1, z0);
    glVertex3f(x1, y0, z0);
    glVertex3f(x1, y0, z1);
    glVertex3f(x1, y1, z1);
    glEnd();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void FacetWin::paintGL()
{
    syncArrays();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    setupProjection();
    glLoadIdentity();
    setupLights();
    setupModelview();
    glEnable(GL_LIGHTING);

    // The facets and the plate lie about the mesh's centre already.
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    setMaterial(this, GL_FRONT, GL_AMBIENT, 0.15f, 0.1f, 0.05f, 1.0f);
    setMaterial(this, GL_FRONT, GL_DIFFUSE, 0.6f, 0.4f, 0.2f, 1.0f);
    setMaterial(this, GL_BACK, GL_AMBIENT, 0.15f, 0.1f, 0.05f, 1.0f);
    setMaterial(this, GL_BACK, GL_DIFFUSE, 0.8f, 0.4f, 0.4f, 1.0f);
    glColor3f(0.6f, 0.4f, 0.2f);
    if (shape) {
        drawFacets();
        drawPlate();
    }
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    glDisable(GL_LIGHTING);

    drawViewCube();
}

Rect2di FacetWin::projectedRect(double zoom, int px, int py)
{
    if (!shape)
        return Rect2di(0, 0, -1, -1);
    Vector3d low, high;
    meshBox(&low, &high);
    return nav.projectedRect(low, high, trackball.matrix(), zoom, px, py);
}

void FacetWin::fitToView()
{
    if (shape && shape->facetCount() > 0) {
        Vector3d low, high;
        meshBox(&low, &high);
        nav.fit(low, high, trackball.matrix());
    }
    update();
}

void FacetWin::drawViewCube()
{
    cube.draw(this, trackball.matrix(), nav.width, nav.height, devicePixelRatioF(), resized,
              false);
    resized = false;
    nav.restoreViewport(this);
}

void FacetWin::setRotation(const Quaternion& quat)
{
    trackball.setRotation(quat);
    update();
}

void FacetWin::setViewTool(int mode)
{
    nav.viewTool = mode;
    setCursor(navigationCursor(mode, true, normalCursor));
}

void FacetWin::mousePressEvent(QMouseEvent* event)
{
    // A second button pressed during a drag would save the drag's own mode,
    // which the releases then restore for good.
    if (event->buttons() == event->button())
        nav.savedViewTool = nav.viewTool;
    nav.mousePos = ViewNavigation::position(event->localPos());
    // The corner grants the turn, whether or not a face lies under the press.
    cubeGrab = cube.inCorner(nav.mousePos);
    const int mode =
        ViewNavigation::turningPressTool(event->button(), event->modifiers(), cubeGrab);
    if (mode > 0)
        setViewTool(mode);
    else
        event->ignore();
}

void FacetWin::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        event->ignore();
        return;
    }
    const QPoint old = nav.mousePos;
    nav.mousePos = ViewNavigation::position(event->localPos());
    const int before = nav.viewTool;
    if (!nav.turnDrag(old, nav.mousePos, &trackball, cube, cubeGrab)) {
        event->ignore();
        return;
    }
    if (nav.viewTool != before)
        setViewTool(nav.viewTool);
    update();
}

void FacetWin::mouseReleaseEvent(QMouseEvent* event)
{
    const int oldTool = nav.viewTool;
    setViewTool(nav.savedViewTool);
    nav.mousePos = ViewNavigation::position(event->localPos());
    if (oldTool == 4)
        trackball.endDrag();
    else if (oldTool == 0 || oldTool > 4)
        event->ignore();
}

void FacetWin::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint& p = nav.mousePos;
    if (cube.inCorner(p)) {
        const int face = cube.pickWidget(p, nav.height);
        if (face != -1) {
            trackball.setRotation(viewOrientation(face));
            update();
        }
    }
    event->ignore();
}

void FacetWin::wheelEvent(QWheelEvent* event)
{
    nav.wheelZoom(ViewNavigation::wheelDelta(event), ViewNavigation::position(event->position()));
    update();
}
