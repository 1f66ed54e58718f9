#pragma once

#include "geometry/matrix3d.h"
#include "geometry/quaternion.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"
#include "views/trackball.h"
#include "views/viewcube.h"
#include "views/viewnavigation.h"

#include <QFont>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>
#include <QPoint>

#include <atomic>
#include <vector>

class FacetShape;
struct Facet;

// The view of an imported triangle mesh while the user turns and scales it:
// the mesh lit from both sides over a translucent plate at its lowest z,
// with the view cube in the top-left corner. Fixed-function drawing; the
// facets go to the GPU once per mesh, not once per frame.
class FacetWin : public QOpenGLWidget, protected QOpenGLFunctions_2_1
{
    Q_OBJECT

public:
    explicit FacetWin(QWidget* parent = nullptr);
    ~FacetWin() override;

    QSize sizeHint() const override { return QSize(800, 600); }

    // The mesh shown (not owned; null shows only the cube). A mesh changed in
    // place through FacetShape's own operations is noticed at the next paint.
    void setFacetShape(FacetShape* shape, bool fit);
    // The same with the shape's vertexArray made already, off this thread.
    void setFacetShape(FacetShape* shape, bool fit, std::vector<float> prepared);
    FacetShape* facetShape() const { return shape; }

    virtual void fitToView();
    void setupProjection();
    void setupLights();
    void setupModelview() { nav.setupModelview(this, trackball.matrix()); }
    // Window rectangle (widget rows, downwards) of the mesh's box centred on
    // the origin; (0, 0, -1, -1) without a mesh.
    VekMath::Rect2di projectedRect(double zoom, int panX, int panY);

    void buildViewCubeFaces() { cube.buildFaces(); }
    void drawViewCube();
    // The cube face under the OpenGL window pixel g (origin bottom-left), or -1.
    int pickViewCubeFace(const QPoint& g) const { return cube.pick(g); }

    void zoomBy(double f) { nav.zoomBy(f); }
    void zoom(double f) { nav.zoom(f); }
    void zoomAt(double f, const QPoint& p) { nav.zoomAt(f, p); }
    void setViewTool(int mode);

    // Light preset 0-7 of the lit views; repaints.
    void setLightPosition(int index);
    int lightPosition() const { return lightIndex; }

    double zoom() const { return nav.zoomFactor; }
    QPoint pan() const { return QPoint(nav.panX, nav.panY); }
    int currentViewTool() const { return nav.viewTool; }
    VekMath::Quaternion rotation() { return trackball.rotation(); }

    // Per corner of every facet: the facet's normal, then the corner less the
    // centre of the bounds, as floats (18 a facet). The normals keep the
    // length their maker gave them. Once stop is set, from any thread, the
    // work ends soon with an empty array.
    static std::vector<float> vertexArray(const FacetShape& shape, const std::atomic<bool>* stop = nullptr);
    // Memory that showing a mesh of that many facets takes: its arrays, the
    // driver's copy of them and the driver's own working memory.
    static long long drawingBytes(long long facets);

public slots:
    void setRotation(const VekMath::Quaternion& quat);

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    FacetShape* shape = nullptr;
    QFont font;
    // View tool, mouse position, zoom, pan, matrices and size.
    ViewNavigation nav;
    Trackball trackball;
    int lightIndex = 0;
    ViewCube cube;
    bool resized = false;
    bool cubeGrab = false;

private:
    // What identifies the content of a mesh: any change made through
    // FacetShape's operations alters one of these.
    struct ShapeStamp
    {
        const FacetShape* shape = nullptr;
        const Facet* data = nullptr;
        int count = 0;
        VekMath::Vector3d low;
        VekMath::Vector3d high;
        VekMath::Matrix3d applied;

        bool operator==(const ShapeStamp& o) const;
    };
    static ShapeStamp stampOf(const FacetShape* shape);

    // Builds the arrays anew when the mesh changed since they were built and
    // hands them to the GPU when they changed since the last upload.
    void syncArrays();
    void drawFacets();
    void drawPlate();
    void releaseBuffer();
    void meshBox(VekMath::Vector3d* low, VekMath::Vector3d* high) const;

    std::vector<float> vertices;
    ShapeStamp builtStamp;
    ShapeStamp uploadedStamp;
    unsigned int vertexBuffer = 0;
    // Vertices in the buffer, or in `vertices` when the buffer could not
    // take them.
    int drawCount = 0;
    bool drawFromClient = false;
};
