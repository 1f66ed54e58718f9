#pragma once

#include "geometry/quaternion.h"
#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"
#include "relief/tool.h"
#include "views/reliefmesh.h"
#include "views/trackball.h"
#include "views/viewcube.h"

#include <QColor>
#include <QFont>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>

#include <vector>

class Relief;
class SculptUndo;
class Shader;

// The 3-D view of the relief: a lit, shaded surface drawn through a shader,
// turned by a trackball, with the current tool's footprint draped over it
// and a view cube in the top-left corner.
class SculptWin : public QOpenGLWidget, protected QOpenGLFunctions_2_1
{
    Q_OBJECT

public:
    explicit SculptWin(QWidget* parent = nullptr);
    ~SculptWin() override;

    QSize sizeHint() const override { return QSize(800, 600); }

    virtual void fitToView();
    void setRelief(Relief* relief, bool fit);
    Relief* currentRelief() const { return relief; }
    void setZScale(double zScale);
    void readDepthBuffer();
    // The model point under the widget pixel p, from the last depth copy;
    // *hit tells whether it lies on the surface.
    VekMath::Vector3d pickPoint(const QPoint& p, bool* hit = nullptr) const;
    VekMath::Rect2d visibleRect() const;
    void setupProjection();
    void setupModelview();
    VekMath::Rect2di projectedRect(double zoom, int panX, int panY);

    void setLightPosition(int index);
    int lightPosition() const { return lightIndex; }
    // (lx, ly, 1): the light direction of a preset, as the lit program takes it.
    static VekMath::Vector3d lightDirection(int index);
    // The rotation of a light preset (not normalised).
    static VekMath::Quaternion lightRotation(int index);
    void setAmbientMaterial(const QColor& c);
    void setDiffuseMaterial(const QColor& c);
    void setSpecularMaterial(const QColor& c);
    void setMaterialShinyness(double shinyness);
    QColor ambientMaterial() const;
    QColor diffuseMaterial() const;
    QColor specularMaterial() const;
    double materialShinyness() const;

    void drawToolOutline(const VekMath::Vector3d& centre);
    void buildViewCubeFaces();
    void drawViewCube();
    // The cube face under the OpenGL window pixel g (origin bottom-left), or -1.
    int pickViewCubeFace(const QPoint& g) const;

    void setUndo(SculptUndo* stack) { undo = stack; }
    void setShowToolOutline(bool show);
    Tool* currentTool() const { return tool; }
    double zoom() const { return zoomFactor; }
    QPoint pan() const { return QPoint(panX, panY); }
    const ReliefMesh& mesh() const { return reliefMesh; }
    Shader* currentShader() const { return shader; }

signals:
    void Initialized();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    Relief* relief = nullptr;
    Shader* shader = nullptr;
    ReliefMesh reliefMesh{true};
    QFont font;
    int viewTool = 0;
    int savedViewTool = 0;
    QPoint mousePos;
    Trackball trackball;
    double zoomFactor = 1.0;
    double zoomDragDivisor = 300.0;
    int panX = 0;
    int panY = 0;
    double modelview[16];
    double projection[16];
    int viewport[4] = {0, 0, 0, 0};
    double nearPlane = 0.0;
    double farPlane = 0.0;
    double eyeZ = 0.0;
    // Widget size of the last resize (logical pixels).
    int viewWidth = 0;
    int viewHeight = 0;
    bool resized = false;
    bool cubeGrab = false;
    int lightIndex = 0;
    ViewCube cube;
    Tool* tool = nullptr;
    // Device pixels of the last resize, one float each.
    std::vector<float> depth;
    int depthWidth = 0;
    int depthHeight = 0;
    SculptUndo* undo = nullptr;
    QTimer statusTimer;
    bool mouseMoved = false;
    bool showToolOutline = true;
    int axisLock = 0;

private:
    // The relief box centred on the origin, heights scaled.
    void reliefBox(VekMath::Vector3d* low, VekMath::Vector3d* high) const;
    double pixelRatio() const { return devicePixelRatioF(); }
    void updateMesh();
    void logGlErrors();
};
