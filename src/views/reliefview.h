#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector3d.h"
#include "relief/tool.h"
#include "views/depthpicker.h"
#include "views/reliefmesh.h"
#include "views/shader/shaderfactory.h"
#include "views/viewnavigation.h"

#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>
#include <QPoint>
#include <QString>
#include <QTimer>

class QCursor;
class QWheelEvent;
class Relief;
class SculptUndo;
class Shader;

// What the views of a relief have in common: the relief and its mesh drawn
// through a shader, the camera and its navigation, the copy of the depth
// buffer the mouse picks from, the current tool with the signals that report
// its settings, the view tools and their cursors, the 100 ms status text and
// the wheel.
class ReliefView : public QOpenGLWidget, protected QOpenGLFunctions_2_1
{
    Q_OBJECT

public:
    ~ReliefView() override;

    QSize sizeHint() const override { return QSize(800, 600); }

    // Zoom and pan that show the whole relief, centred; repaints.
    virtual void fitToView();
    // With fit, the relief is fitted again as it is next drawn: a fresh
    // import's heights are generated after it is set, and the caller may
    // still turn the view.
    void setRelief(Relief* relief, bool fit);
    Relief* currentRelief() const { return relief; }
    void setUndo(SculptUndo* stack) { undo = stack; }
    Tool* currentTool() const { return tool; }
    // The copy picking reads, taken from the frame last drawn.
    void readDepthBuffer() { depthCopy.read(this, this, nav.modelview, nav.projection); }
    // The model point under the widget pixel p, from the last depth copy;
    // *hit tells whether it lies on the relief.
    VekMath::Vector3d pickPoint(const QPoint& p, bool* hit = nullptr) const
    {
        return depthCopy.pick(p, nav.modelview, nav.projection, hit);
    }
    VekMath::Rect2d visibleRect() const;
    void setupProjection();
    void setupModelview() { nav.setupModelview(this, rotation()); }
    VekMath::Rect2di projectedRect(double zoom, int panX, int panY);

    // The most memory drawing a relief of that size in a view of that many
    // pixels may take: the arrays, the driver's copies of them and the
    // driver's own working memory for a frame.
    long long drawingBytes(int reliefWidth, int reliefHeight, const QSize& pixels) const;

    double zoom() const { return nav.zoomFactor; }
    QPoint pan() const { return QPoint(nav.panX, nav.panY); }
    const ReliefMesh& mesh() const { return reliefMesh; }

public slots:
    void statusTimeout();
    // The view tool and its cursor.
    void setViewTool(int mode);

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
    // A view drawing through the shader of the type given, firstTool
    // current.
    ReliefView(ShaderFactory::ShaderType shaderType, Tool::Type firstTool, QWidget* parent);

    void initializeGL() override;
    void resizeGL(int w, int h) override;
    // The relief through the shader, then the view's overlays.
    void paintGL() override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

    // Brings the arrays up to date with the relief and the visible area.
    virtual void updateMesh() = 0;
    // What the view draws over the relief.
    virtual void drawOverlays() {}

    // The view's rotation (column-major), or null for none.
    virtual const double* rotation() { return nullptr; }
    // The cursor of a view tool.
    virtual const QCursor& viewToolCursor(int mode) const = 0;
    // The view's own OpenGL state, set up after the shared one.
    virtual void initializeViewGl() {}
    // Another relief, or none, is about to be shown.
    virtual void reliefReplaced() {}

    // The whole arrays to the shader.
    void uploadMesh();
    // Refreshes the vertices of the cells in area and hands the changed
    // ones to the shader.
    void uploadChanged(const VekMath::Rect2di& area);

    // Emits the current tool's settings, type first.
    void reportTool(Tool::Type type);
    // field of the current tool = value; repaints.
    template <class Field, class Value>
    void setToolField(Field Tool::*field, Value value)
    {
        tool->*field = value;
        update();
    }
    // The depth copy is taken again from the frame being drawn, and the
    // position text under a pointer over the view follows it.
    void retakeDepth();
    // At a press: the view tool is saved (with a fresh depth copy) unless
    // one is saved already.
    void saveViewTool();
    // A stroke step's axis lock on the move from old; the screen cursor
    // follows a position put back.
    void lockStrokeAxis(const QPoint& old);
    // At a release: the running stroke ends at the point under the mouse,
    // unless the left button is still held.
    void endStroke(Qt::MouseButtons held);

    Relief* relief = nullptr;
    Shader* shader = nullptr;
    ReliefMesh reliefMesh;
    // View tool, mouse position, zoom, pan, matrices and size.
    ViewNavigation nav;
    Tool* tool = nullptr;
    DepthPicker depthCopy;
    SculptUndo* undo = nullptr;
    QTimer statusTimer;
    bool mouseMoved = false;
    // The pointer is over the view, as its last move and leave tell.
    bool pointerInside = false;
    bool showToolOutline = true;
    int axisLock = 0;

private:
    // updateMesh; false, with the arrays dropped, when memory ran out.
    bool meshUpdated();
    // The relief's box in model space (ViewGeometry::reliefBox).
    void reliefBox(VekMath::Vector3d* low, VekMath::Vector3d* high) const;
    // Zoom and pan that show the whole relief, without a repaint.
    void fitRelief();

    ShaderFactory::ShaderType shaderType;
    bool fitPending = false;
};
