#include "views/facetwin.h"

#include "mesh/facetshape.h"
#include "views/cursors.h"
#include "views/sculptwin.h"
#include "views/viewgeometry.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using VekMath::Quaternion;
using VekMath::Rect2di;
using VekMath::Vector3d;

namespace {

const int floatsPerVertex = 6;
const int floatsPerFacet = 3 * floatsPerVertex;
const GLsizei vertexStride = GLsizei(floatsPerVertex * sizeof(float));

int roundHalfAway(double v)
{
    return int(std::lround(v));
}

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
    for (int i = 0; i < 16; ++i)
        modelview[i] = projection[i] = (i % 5 == 0) ? 1.0 : 0.0;
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

std::vector<float> FacetWin::vertexArray(const FacetShape& shape)
{
    // Floats far from the origin would shift and merge the corners of a
    // small mesh: they are taken relative to the centre of its bounds.
    const Vector3d centre = (shape.boundsMin() + shape.boundsMax()) * 0.5;
    const QVector<Facet>& facets = shape.facets();
    std::vector<float> out(size_t(facets.size()) * floatsPerFacet);
    float* v = out.data();
    for (const Facet& f : facets) {
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

void FacetWin::setFacetShape(FacetShape* s, bool fit)
{
    shape = s;
    vertices.clear();
    vertices.shrink_to_fit();
    builtStamp = stampOf(shape);
    uploadedStamp = ShapeStamp();
    if (shape)
        vertices = vertexArray(*shape);
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
        vertices = vertexArray(*shape);
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
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_LINE_STIPPLE);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(1.0f);
}

int FacetWin::devicePixels(int logical) const
{
    return roundHalfAway(logical * devicePixelRatioF());
}

void FacetWin::resizeGL(int w, int h)
{
    viewWidth = w;
    viewHeight = h;
    glViewport(0, 0, devicePixels(w), devicePixels(h));
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = w;
    viewport[3] = h;
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
    double d = 0.0;
    if (shape)
        d = zoomFactor * Vector3d::distance(shape->boundsMin(), shape->boundsMax());
    if (!shape || d == 0.0 || !std::isfinite(d))
        d = 5000.0;
    ViewGeometry::projection(projection, viewWidth, viewHeight, d);
    nearPlane = -d;
    farPlane = d;
    eyeZ = 0.0;
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projection);
    glMatrixMode(GL_MODELVIEW);
}

void FacetWin::setupLights()
{
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    // A directional light: only the direction of the preset counts.
    const double half = viewWidth / 2.0;
    const Vector3d d = SculptWin::lightDirection(lightIndex);
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

void FacetWin::setupModelview()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ViewGeometry::modelview(modelview, panX, panY, eyeZ, zoomFactor, trackball.matrix());
    glLoadMatrixd(modelview);
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
    const float z0 = float(bottom), z1 = float(bottom - 3.0 / zoomFactor);
    const float n = float(zoomFactor);

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
    return ViewGeometry::projectedRect(low, high, trackball.matrix(), zoom, px, py, viewWidth,
                                       viewHeight);
}

void FacetWin::fitToView()
{
    if (shape && shape->facetCount() > 0 && viewWidth > 0 && viewHeight > 0) {
        Vector3d low, high;
        meshBox(&low, &high);
        const double* rotation = trackball.matrix();
        ViewGeometry::Fit fit = ViewGeometry::fitToView(low, high, rotation, viewWidth, viewHeight);
        const Rect2di r = projectedRect(fit.zoom, 0, 0);
        if (viewWidth / 2 > r.width() + 1 && viewHeight / 2 > r.height() + 1) {
            // The box projects onto a point (a single point, or a needle seen
            // end on): no zoom makes it fill the view, so show it at scale 1.
            const Rect2di atOne = projectedRect(1.0, 0, 0);
            fit.zoom = 1.0;
            fit.panX = viewWidth / 2 - (atOne.x1 + atOne.x2) / 2;
            fit.panY = viewHeight / 2 - (atOne.y1 + atOne.y2) / 2;
        }
        zoomFactor = fit.zoom;
        panX = fit.panX;
        panY = fit.panY;
    }
    update();
}

void FacetWin::buildViewCubeFaces()
{
    cube.buildFaces();
}

void FacetWin::drawViewCube()
{
    cube.draw(this, trackball.matrix(), viewWidth, viewHeight, devicePixelRatioF(), resized,
              false);
    resized = false;
    glViewport(0, 0, devicePixels(viewWidth), devicePixels(viewHeight));
}

int FacetWin::pickViewCubeFace(const QPoint& g) const
{
    return cube.pick(g);
}

void FacetWin::setRotation(const Quaternion& quat)
{
    trackball.setRotation(quat);
    update();
}

void FacetWin::zoomBy(double f)
{
    zoomFactor *= f;
    panX = roundHalfAway(panX * f);
    panY = roundHalfAway(panY * f);
}

void FacetWin::zoom(double f)
{
    if (f > 0.0)
        zoomBy(f);
}

void FacetWin::zoomAt(double f, const QPoint& p)
{
    panX += viewWidth / 2 - p.x();
    panY += viewHeight / 2 - p.y();
    zoom(f);
}

void FacetWin::setViewTool(int mode)
{
    viewTool = mode;
    switch (mode) {
    case 1: setCursor(panCursor); break;
    case 2: setCursor(zoomCursor); break;
    case 3:
    case 4: setCursor(rotateCursor); break;
    default: setCursor(normalCursor); break;
    }
}

void FacetWin::mousePressEvent(QMouseEvent* event)
{
    // A second button pressed during a drag would save the drag's own mode,
    // which the releases then restore for good.
    if (event->buttons() == event->button())
        savedViewTool = viewTool;
    mousePos = QPoint(roundHalfAway(event->localPos().x()), roundHalfAway(event->localPos().y()));
    cubeGrab = cube.inCorner(mousePos);
    const Qt::KeyboardModifiers mods = event->modifiers();
    switch (event->button()) {
    case Qt::RightButton:
        if (mods & Qt::ControlModifier)
            setViewTool(3);
        else if (mods & Qt::ShiftModifier)
            setViewTool(1);
        else
            event->ignore();
        break;
    case Qt::MiddleButton:
        setViewTool(3);
        break;
    case Qt::LeftButton:
        if ((mods & Qt::ShiftModifier) && !(mods & Qt::ControlModifier))
            setViewTool(2);
        else if (cubeGrab)
            setViewTool(3);
        else
            event->ignore();
        break;
    default:
        event->ignore();
        break;
    }
}

void FacetWin::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        event->ignore();
        return;
    }
    const QPoint old = mousePos;
    mousePos = QPoint(roundHalfAway(event->localPos().x()), roundHalfAway(event->localPos().y()));
    const int vw = cubeGrab ? cube.viewport[2] : viewWidth;
    const int vh = cubeGrab ? cube.viewport[3] : viewHeight;
    switch (viewTool) {
    case 3:
        trackball.beginDrag(old.x(), old.y(), vw, vh);
        setViewTool(4);
        trackball.drag(mousePos.x(), mousePos.y(), vw, vh);
        break;
    case 4:
        trackball.drag(mousePos.x(), mousePos.y(), vw, vh);
        break;
    case 1:
        panX += mousePos.x() - old.x();
        panY += mousePos.y() - old.y();
        break;
    case 2: {
        const double f = ((mousePos.y() - old.y()) / zoomDragDivisor + zoomFactor) / zoomFactor;
        if (f > 0.0)
            zoomBy(f);
        break;
    }
    default:
        event->ignore();
        return;
    }
    update();
}

void FacetWin::mouseReleaseEvent(QMouseEvent* event)
{
    const int oldTool = viewTool;
    setViewTool(savedViewTool);
    mousePos = QPoint(roundHalfAway(event->localPos().x()), roundHalfAway(event->localPos().y()));
    if (oldTool == 4)
        trackball.endDrag();
    else if (oldTool == 0 || oldTool > 4)
        event->ignore();
}

void FacetWin::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (cube.inCorner(mousePos)) {
        const int face = pickViewCubeFace(QPoint(mousePos.x(), viewHeight - 1 - mousePos.y()));
        if (face != -1) {
            trackball.setRotation(viewOrientation(face));
            update();
        }
    }
    event->ignore();
}

void FacetWin::wheelEvent(QWheelEvent* event)
{
    // Qt turns the wheel's delta sideways while Alt is held.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    // A fast flick gives deltas of thousands: the factor must stay positive,
    // or the pan moves while the zoom is refused.
    const double f = std::max(0.1, 1.0 - delta * 0.001);
    const QPoint q(roundHalfAway(event->position().x()), roundHalfAway(event->position().y()));
    const int cx = viewWidth / 2;
    const int cy = viewHeight / 2;
    zoomAt(f, QPoint(2 * cx - roundHalfAway((cx - q.x()) * f) - q.x(),
                     2 * cy - roundHalfAway((cy - q.y()) * f) - q.y()));
    update();
}
