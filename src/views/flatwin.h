#pragma once

#include "geometry/rect2d.h"
#include "geometry/vector2d.h"
#include "geometry/vector3d.h"
#include "relief/selectionmode.h"
#include "relief/tool.h"
#include "views/reliefview.h"

#include <QCursor>
#include <QPoint>

#include <vector>

class QMouseEvent;
class QShowEvent;

// The relief seen from straight above, coloured by its heights in a number
// of levels, where the user selects (magic, rectangle, ellipse, polygon),
// crops, samples the base level and paints with the Brush, Fill and Erase
// tools. It repaints only when something it shows has changed.
class FlatWin : public ReliefView
{
    Q_OBJECT

public:
    explicit FlatWin(QWidget* parent = nullptr);

    void setTool(Tool::Type type);
    void setTolerance(double tolerance);
    void setContinuousSelection(bool continuous);
    void setColorOffset(double offset);
    double colorOffset() const;
    void setQuantization(double levels);
    double quantizationLevels() const { return quantization; }
    // The ribbon's SelectionMode (0 Normal, 1 Additive, 2 Subtractive).
    void setSelectionMode(int mode) { selectionMode = mode; }

    void zoomBy(double f);
    void zoom(double f);
    void zoomAt(double f, const QPoint& p);
    using ReliefView::zoom;

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
    void SampleChanged(double sample);

protected:
    void resizeGL(int w, int h) override;
    void updateMesh() override;
    // The selection shapes, then the tool outline.
    void drawOverlays() override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // 0 idle, 1 pan, 2 zoom, 3 working with the current tool.
    const QCursor& viewToolCursor(int mode) const override;
    void initializeViewGl() override;
    void reliefReplaced() override;

    QPoint pressPos;
    int cropHandle = 9;
    int selectionMode = 0;
    int selectionOp = 0;
    double quantization = 128.0;
    const QCursor* toolCursor = nullptr;
    // Kept for a shader made later.
    float colourOffset = 0.0f;

private:
    bool outlineFollowsMouse() const;
    // Rebuilds the arrays at the next paint and asks for one: for changes
    // the relief's own flags do not carry (selections, levels, size).
    void rebuild();
    VekMath::Vector3d pick(const QPoint& p) const;
    // The rectangle or ellipse of the shape's bounds, in the selection
    // mode of the press.
    void applyShapeSelection(bool ellipse);
    // The exact extremes of the first shape's points; all zero without one.
    VekMath::Rect2d shapeExtent() const;
    void replaceShapes(int kind, const VekMath::Rect2d& r);
    void clearShapes();

    bool meshStale = true;
};
