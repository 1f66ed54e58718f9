#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector2d.h"
#include "geometry/vector3d.h"
#include "relief/selectionmode.h"
#include "relief/tool.h"
#include "views/depthpicker.h"
#include "views/reliefmesh.h"
#include "views/viewnavigation.h"

#include <QCursor>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLWidget>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <vector>

class Relief;
class SculptUndo;
class Shader;

// The relief seen from straight above, coloured by its heights in a number
// of levels, where the user selects (magic, rectangle, ellipse, polygon),
// crops, samples the base level and paints with the Brush, Fill and Erase
// tools. It repaints only when something it shows has changed.
class FlatWin : public QOpenGLWidget, protected QOpenGLFunctions_2_1
{
    Q_OBJECT

public:
    explicit FlatWin(QWidget* parent = nullptr);
    ~FlatWin() override;

    QSize sizeHint() const override { return QSize(800, 600); }

    virtual void fitToView();
    void setRelief(Relief* relief, bool fit);
    Relief* currentRelief() const { return relief; }
    void setUndo(SculptUndo* stack) { undo = stack; }
    void readDepthBuffer() { depthCopy.read(this, this); }
    // The model point under the widget pixel p, from the last depth copy;
    // *hit tells whether it lies on the relief.
    VekMath::Vector3d pickPoint(const QPoint& p, bool* hit = nullptr) const
    {
        return depthCopy.pick(p, nav.modelview, nav.projection, hit);
    }
    VekMath::Rect2d visibleRect() const;
    void setupProjection();
    void setupModelview() { nav.setupModelview(this, nullptr); }
    VekMath::Rect2di projectedRect(double zoom, int panX, int panY);

    void setTool(Tool::Type type);
    Tool* currentTool() const { return tool; }
    void setTolerance(double tolerance);
    void setContinuousSelection(bool continuous);
    void setColorOffset(double offset);
    double colorOffset() const;
    void setQuantization(double levels);
    double quantizationLevels() const { return quantization; }
    // The ribbon's SelectionMode (0 Normal, 1 Additive, 2 Subtractive).
    void setSelectionMode(int mode) { selectionMode = mode; }
    // 0 idle, 1 pan, 2 zoom, 3 working with the current tool.
    void setViewTool(int mode);

    void zoomBy(double f);
    void zoom(double f);
    void zoomAt(double f, const QPoint& p);
    double zoom() const { return nav.zoomFactor; }
    QPoint pan() const { return QPoint(nav.panX, nav.panY); }
    const ReliefMesh& mesh() const { return reliefMesh; }

    // Selection and crop shapes, in model coordinates (the relief centred
    // on the origin).
    void setRectangleShape(const VekMath::Vector3d& a, const VekMath::Vector3d& b);
    void setEllipseShape(const VekMath::Vector3d& a, const VekMath::Vector3d& b);
    VekMath::Rect2d shapeBounds() const;
    void applyRectangleSelection();
    void applyEllipseSelection();
    void addPolygonPoint(const VekMath::Vector3d& p);
    void closePolygon();
    void beginCrop(const VekMath::Vector3d& p);
    // 0-8 by thirds of the crop box, row 0 at its low y, 4 the middle.
    int cropHandleAt(const VekMath::Vector3d& p) const;
    void dragCrop(const QPoint& from, const QPoint& to);
    static VekMath::Rect2d movedCropRect(int handle, const VekMath::Rect2d& r,
                                         const VekMath::Vector2d& d);

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
    void SampleChanged(double sample);

public slots:
    void statusTimeout();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    Relief* relief = nullptr;
    Shader* shader = nullptr;
    ReliefMesh reliefMesh{false};
    // View tool, mouse position, zoom, pan, matrices and size.
    ViewNavigation nav;
    Tool* tool = nullptr;
    DepthPicker depthCopy;
    SculptUndo* undo = nullptr;
    QTimer statusTimer;
    bool mouseMoved = false;
    bool showToolOutline = true;
    int axisLock = 0;
    QPoint pressPos;
    int cropHandle = 9;
    int selectionMode = 0;
    int selectionOp = 0;
    double quantization = 128.0;
    const QCursor* toolCursor = nullptr;
    // Kept for a shader made later.
    float colourOffset = 0.0f;

private:
    void updateMesh();
    void drawShapesAndOutline();
    bool outlineFollowsMouse() const;
    // Rebuilds the arrays at the next paint and asks for one: for changes
    // the relief's own flags do not carry (selections, levels, size).
    void rebuild();
    VekMath::Vector3d pick(const QPoint& p) const;
    void applyShapeSelection(void (Relief::*select)(const VekMath::Rect2d&, SelectionMode));
    // The exact extremes of the first shape's points; all zero without one.
    VekMath::Rect2d shapeExtent() const;
    void replaceShapes(int kind, const VekMath::Rect2d& r);
    void clearShapes();
    void lockAxis(const QPoint& old);

    bool meshStale = true;
};
