#pragma once

#include "app/units.h"
#include "geometry/matrix3d.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class FacetShape;
class FacetWin;
class HeightGrid;
class QButtonGroup;
class QDoubleSpinBox;
class QPushButton;
class Relief;
class ReliefSource;
class Ribbon;

// The "Orient / Scale" tab: turns, flips, units, scale and target size of an
// imported mesh, the size limit, and the conversion of the oriented mesh into
// a relief. The window owns the mesh and the relief handed out on Accept.
class MeshOrientControls : public QObject
{
    Q_OBJECT

public:
    explicit MeshOrientControls(FacetWin* meshView, QObject* parent = nullptr);
    ~MeshOrientControls() override;

    // Builds "Orient Model", "Imported", "Scale & Size", "Working" and
    // "Accept" into the ribbon's tab.
    void addGroups(Ribbon* ribbon, const QString& tab);
    void addGroups(Ribbon* ribbon, int tab);

    // The mesh to orient (not owned), or null. A new mesh starts with all
    // scale factors at 1.0; the size fields and Accept then describe it.
    void setMesh(FacetShape* shape);
    FacetShape* mesh() const { return shape; }

    // A length in the given units, in inches.
    static double toInches(double length, int units);
    // Relief cells per imported unit.
    static double cellsPerUnit(int units);
    // Footprint below which a mesh may be accepted, in square inches.
    static constexpr double MaxFootprint = 2000.0;

    int importUnits() const { return imported; }
    int workingUnits() const { return working; }
    double unitFactor() const { return factor; }
    QString unitSuffix() const { return suffix; }
    double scaleX() const { return scale[0]; }
    double scaleY() const { return scale[1]; }
    double scaleZ() const { return scale[2]; }
    int aspectMode() const { return aspect; }
    bool acceptEnabled() const;

    // Memory the views take to draw a relief: an accepted relief without
    // room for it beside what is held is refused as memory running out.
    using DrawingBytes = std::function<long long(const Relief&)>;
    void setDrawingBytes(DrawingBytes bytes) { drawingBytes = std::move(bytes); }

    void setWorkingUnits(int units);
    void setImportUnits(int units);
    void setMeshScale(int axis, double newScale);
    void setMeshSize(int axis, double size);
    void setAspectMode(int mode);
    void transformMesh(const VekMath::Matrix3d& matrix);

    QDoubleSpinBox* sizeField(int axis) const { return sizeFields[axis]; }
    QPushButton* acceptButton() const { return accept; }
    QPushButton* scaleButton(int axis) const { return scaleButtons[axis]; }
    QPushButton* aspectButton() const { return aspectLock; }
    QButtonGroup* importUnitsGroup() const { return importGroup; }
    QButtonGroup* workingUnitsGroup() const { return workingGroup; }

public slots:
    void rotateLeft();
    void rotateUp();
    void rotateDown();
    void rotateRight();
    void spinRight();
    void spinLeft();
    void flip();
    void flipZ();
    void resetAxes();
    void unitsChanged();
    void xScaleChanged();
    void yScaleChanged();
    void zScaleChanged();
    void lockAspectChanged();
    void xSizeChanged();
    void ySizeChanged();
    void zSizeChanged();
    void acceptFacetShape();
    void updateMeshSizeFields();

signals:
    // Fill the import settings (flip, invert, transparency, tilt, smoothing)
    // of the source the accepted relief is built from.
    void importSettingsNeeded(ReliefSource* source);
    // The accepted relief; the receiver takes ownership. Emitted while the
    // mesh is still held: a receiver that runs out of memory deletes the
    // relief and throws std::bad_alloc, and the mesh is kept.
    void reliefAccepted(Relief* relief);
    // The mesh left the view on Accept; the receiver deletes it.
    void meshReleased(FacetShape* shape);
    // Accept is done, with or without a relief: sculpting may start.
    void acceptFinished(bool reliefMade);
    void zoomToAllRequested();
    // Around the several tab changes that follow Accept, so that the receiver
    // can act once, on the tab current at the end.
    void tabSwitchBegins();
    void tabSwitchEnds();

private:
    void standardTurn(int code);
    void scaleMenuChosen(int axis);
    void sizeEdited(int axis);
    // The mesh scaled to cells and rasterised under a progress dialog;
    // false when the user cancelled it. Throws std::bad_alloc when memory
    // runs out, the mesh left as it was.
    bool rasterizeInCells(HeightGrid& grid);
    // The relief of the mesh, or null when the mesh gives no heights; null
    // and *cancelled when the user cancelled the raster. Throws
    // std::bad_alloc when memory runs out.
    Relief* makeRelief(bool* cancelled);
    void switchTabsAfterAccept();
    double extent(int axis) const;

    // What updateMeshSizeFields last wrote into each field: leaving a field
    // unchanged must not rescale the mesh by the rounding of its text.
    double shownSize[3] = {0.0, 0.0, 0.0};

    FacetWin* view;
    FacetShape* shape = nullptr;
    DrawingBytes drawingBytes;
    Ribbon* ribbon = nullptr;
    QString orientTab;
    int imported = Units::Inch;
    int working = Units::Inch;
    double factor = 1.0;
    QString suffix;
    double scale[3] = {1.0, 1.0, 1.0};
    int aspect = 0;

    QButtonGroup* importGroup = nullptr;
    QButtonGroup* workingGroup = nullptr;
    QDoubleSpinBox* sizeFields[3] = {nullptr, nullptr, nullptr};
    QPushButton* scaleButtons[3] = {nullptr, nullptr, nullptr};
    QPushButton* aspectLock = nullptr;
    QPushButton* accept = nullptr;
};
