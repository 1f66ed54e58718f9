#pragma once

#include "geometry/quaternion.h"
#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"
#include "relief/tool.h"
#include "views/depthpicker.h"
#include "views/reliefmesh.h"
#include "views/trackball.h"
#include "views/viewcube.h"
#include "views/viewnavigation.h"

#include <QColor>
#include <QFont>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>

class QMouseEvent;
class QShowEvent;
class QWheelEvent;
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
    void readDepthBuffer() { depthCopy.read(this, this); }
    // The model point under the widget pixel p, from the last depth copy;
    // *hit tells whether it lies on the surface.
    VekMath::Vector3d pickPoint(const QPoint& p, bool* hit = nullptr) const
    {
        return depthCopy.pick(p, nav.modelview, nav.projection, hit);
    }
    VekMath::Rect2d visibleRect() const;
    void setupProjection();
    void setupModelview() { nav.setupModelview(this, trackball.matrix()); }
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
    void buildViewCubeFaces() { cube.buildFaces(); }
    void drawViewCube();
    // The cube face under the OpenGL window pixel g (origin bottom-left), or -1.
    int pickViewCubeFace(const QPoint& g) const { return cube.pick(g); }

    void setUndo(SculptUndo* stack) { undo = stack; }
    void setShowToolOutline(bool show);
    Tool* currentTool() const { return tool; }
    double zoom() const { return nav.zoomFactor; }
    QPoint pan() const { return QPoint(nav.panX, nav.panY); }
    const ReliefMesh& mesh() const { return reliefMesh; }
    Shader* currentShader() const { return shader; }

public slots:
    void setRotation(VekMath::Quaternion quat);
    void statusTimeout();

    // Import settings of the relief's source; each regenerates the relief
    // (or marks it for the next explicit update) and reports the source's
    // dirty flag. Nothing happens without a relief and its source.
    void setFlipY(bool on);
    void setInvertZ(bool on);
    void setImportKeepTransparency(bool on);
    void setPreview(bool on);
    void setSmoothSteps(double steps);
    void setRaiseLowerSteps(int steps);
    void setTrimSteps(int steps);
    void setTilt(int horizontal, int vertical);
    void setGridSize(int size);
    void setContrastFactor(int factor);
    void setSmoothness(int smoothness);
    void updateRelief(bool apply);
    void setBasReliefEnabled(bool on);

    // Fields of the current tool; no signal goes back.
    void setToolSize(double size);
    void setToolStrength(double strength);
    void setToolKeepTransparency(bool keep);
    void setToolMode(Tool::Mode mode);
    void setToolForm(Tool::Form form);
    void setToolHardness(double hardness);
    void setToolAspectRatio(double aspectRatio);
    void setToolAxisAngle(double degrees);
    void setToolDecayLength(double length);
    void setToolUseSmoothing(bool on);
    void setToolUseDecayLength(bool on);
    void setToolSmoothLength(int length);
    void setToolClip(bool clip);

    // Makes the type current and reports all of its settings.
    void setTool(Tool::Type type);
    void stepToolSize(int i);
    void stepToolStrength(int i);
    void setViewTool(int mode);
    void resetRotation();
    void zoomBy(double f) { nav.zoomBy(f); }
    void zoom(double f) { nav.zoom(f); }
    void zoomAt(double f, const QPoint& p) { nav.zoomAt(f, p); }

signals:
    void ToolChanged(Tool::Type type);
    void ToolStrengthChanged(double strength);
    void ToolSizeChanged(double size);
    void ToolKeepTransparencyChanged(bool keep);
    void ToolModeChanged(Tool::Mode mode);
    void ToolFormChanged(Tool::Form form);
    void ToolHardnessChanged(double hardness);
    void ToolAspectRatioChanged(double aspectRatio);
    void ToolAxisAngleChanged(double axisAngle);
    void ToolUseDecayLengthChanged(bool useDecayLength);
    void ToolDecayLengthChanged(double decayLength);
    void ToolUseSmoothingChanged(bool useSmoothing);
    void ToolSmoothLengthChanged(int length);
    void ToolClipChanged(bool clip);
    void ReliefDirtyChanged(bool dirty);
    void Status(QString msg);
    void Initialized();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Relief* relief = nullptr;
    Shader* shader = nullptr;
    ReliefMesh reliefMesh{true};
    QFont font;
    // View tool, mouse position, zoom, pan, matrices and size.
    ViewNavigation nav;
    Trackball trackball;
    bool resized = false;
    bool cubeGrab = false;
    int lightIndex = 0;
    ViewCube cube;
    Tool* tool = nullptr;
    DepthPicker depthCopy;
    SculptUndo* undo = nullptr;
    QTimer statusTimer;
    bool mouseMoved = false;
    bool showToolOutline = true;
    int axisLock = 0;

private:
    // One stroke step towards the mouse, with the axis lock applied.
    void strokeStep(const QPoint& old, QMouseEvent* event);
    // Applies a source setting: marks the source dirty when asked,
    // regenerates the relief and reports the dirty flag.
    template <class Change>
    void changeSource(bool markDirty, bool rebuild, Change change);
    double pixelRatio() const { return devicePixelRatioF(); }
    void updateMesh();
};
