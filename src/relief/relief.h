#pragma once

#include "geometry/rect2d.h"
#include "geometry/rect2di.h"
#include "geometry/vector2d.h"
#include "relief/selectionmode.h"

#include <QList>
#include <QPointF>

#include <memory>
#include <vector>

class ProgressMonitor;
class QDataStream;
class ReliefSource;
class SculptStroke;
class SculptUndo;
class SelectionShape;
class Tool;

// Owning pointer whose deleter is captured where the pointee's type is
// complete, so the relief can own strokes and shapes declared elsewhere.
template <class T>
using OwnedPtr = std::unique_ptr<T, void (*)(T*)>;

template <class T>
OwnedPtr<T> makeOwned(T* p)
{
    return OwnedPtr<T>(p, [](T* q) { delete q; });
}

// The editable height field: a grid of float heights, 128 cells to the inch,
// with the masks and snapshots that sculpting, selections and undo need.
// Heights are in cells; the Z scale applies only when meshing or exporting.
class Relief
{
public:
    Relief(int width, int height);
    explicit Relief(const ReliefSource& source);
    ~Relief();
    // A relief holds several grid-sized buffers: never copied by accident.
    Relief(const Relief&) = delete;
    Relief& operator=(const Relief&) = delete;

    // The most cells a relief may hold. Reading a file into a relief takes
    // up to 36 bytes a cell, so the largest takes some 2.4 GB; every reader
    // refuses a larger grid from its header, before allocating anything.
    static constexpr long long MaxCells = 1LL << 26;
    // Whether a grid of width x height cells is not empty and within MaxCells.
    static bool fits(long long width, long long height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    size_t cellCount() const { return size_t(m_width) * size_t(m_height); }

    float* heights() { return m_heights.data(); }
    const float* heights() const { return m_heights.data(); }
    float* selection() { return m_selection.data(); }
    const float* selection() const { return m_selection.data(); }
    float* workMask() { return m_workMask.data(); }
    const float* workMask() const { return m_workMask.data(); }
    float* strokeSnapshot() { return m_strokeSnapshot.data(); }
    const float* strokeSnapshot() const { return m_strokeSnapshot.data(); }
    float* referenceHeights() { return m_referenceHeights.data(); }
    const float* referenceHeights() const { return m_referenceHeights.data(); }
    // Null until the first bas-relief.
    float* basReliefCache() { return m_basReliefCache.empty() ? nullptr : m_basReliefCache.data(); }
    const float* basReliefCache() const { return m_basReliefCache.empty() ? nullptr : m_basReliefCache.data(); }

    double heightAtCell(int x, int y) const;
    double heightAt(int x, int y) const;
    double selectionAt(int x, int y) const;
    void clearSelection();

    double zScale() const { return m_zScale; }
    void setZScale(double zScale);
    double heightMin() const { return m_heightMin; }
    void setHeightMin(double v) { m_heightMin = v; }
    double heightMax() const { return m_heightMax; }
    void setHeightMax(double v) { m_heightMax = v; }
    double baseLevel() const { return m_baseLevel; }
    void setBaseLevel(double v) { m_baseLevel = v; }

    bool changed() const { return m_changed; }
    void setChanged(bool v) { m_changed = v; }
    bool remesh() const { return m_remesh; }
    void setRemesh(bool v) { m_remesh = v; }
    bool selectionActive() const { return m_selectionActive; }
    void setSelectionActive(bool v) { m_selectionActive = v; }
    void setStrokeRect(const VekMath::Rect2di& r) { m_strokeArea = r; }

    VekMath::Rect2di fullRect() const { return VekMath::Rect2di(0, 0, m_width, m_height); }
    VekMath::Rect2di changedRect() const { return m_changedArea; }
    // Takes in a changed rectangle (clipped to the grid) and marks the
    // heights changed, so the views refresh that area.
    void mergeChangedRect(const VekMath::Rect2di& r);
    void resetChangedRect();
    VekMath::Rect2di strokeRect() const { return m_strokeArea; }
    VekMath::Rect2d contentBounds() const;

    ReliefSource* source() { return m_source.get(); }
    const ReliefSource* source() const { return m_source.get(); }
    void freeSource();

    SculptStroke* stroke() { return m_stroke.get(); }
    std::vector<OwnedPtr<SelectionShape>>& selectionShapes() { return m_selectionShapes; }
    const std::vector<OwnedPtr<SelectionShape>>& selectionShapes() const { return m_selectionShapes; }

    // Strokes: the first dab, dabs along the path, and the undo record.
    void beginStroke(Tool* tool, const VekMath::Vector2d& p, SculptUndo* undo, SelectionMode mode);
    void strokeTo(const VekMath::Vector2d& p, bool force);
    void endStroke(const VekMath::Vector2d& p, bool strokeToFirst);

    // One dab of the running stroke's tool, and the tool kernels; each
    // returns the cells it changed.
    void applyTool(const VekMath::Vector2d& p);
    VekMath::Rect2di smoothDab(const VekMath::Vector2d& p);
    VekMath::Rect2di smudgeDab(const VekMath::Vector2d& p);
    VekMath::Rect2di depositDab(const VekMath::Vector2d& p);
    VekMath::Rect2di removeDab(const VekMath::Vector2d& p);
    VekMath::Rect2di undoDab(const VekMath::Vector2d& p);
    VekMath::Rect2di eraseDab(const VekMath::Vector2d& p);
    VekMath::Rect2di brushDab(const VekMath::Vector2d& p);
    VekMath::Rect2di fillSelection();
    VekMath::Rect2di sampleHeight(const VekMath::Vector2d& p);

    // Selections: mark cells in the work mask and merge them into the
    // selection by the mode; shapes reaching off the grid are clipped.
    void selectRectangle(const VekMath::Rect2d& r, SelectionMode mode);
    void selectEllipse(const VekMath::Rect2d& r, SelectionMode mode);
    void selectPolygon(const QList<QPointF>& points, SelectionMode mode);
    VekMath::Rect2di magicSelect(const VekMath::Vector2d& p, double tolerance, bool continuous,
                                 SelectionMode mode);
    // Keeps the heights inside the first shape's box, zeroes the rest.
    void crop(SculptUndo* undo);

    // Regenerates the heights from the source (requires one). apply is the
    // user's explicit update request, the only case that runs a bas-relief;
    // progress may be null (then the bas-relief cannot be cancelled).
    void rebuild(bool apply, ProgressMonitor* progress = nullptr);
    // Trims the edge of the non-zero area by n cells.
    void erodePasses(int n);
    // Smooths the whole grid; fractional pass counts blend the last pass.
    void smoothPasses(double steps, bool keepZero);

    // Workspace stream. save is true when the stream is still in order;
    // load gives a new relief, or null on a stream error, an impossible size,
    // or a Z scale or height that is not a finite number.
    bool save(QDataStream& stream) const;
    static Relief* load(QDataStream& stream);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<float> m_heights;
    std::vector<float> m_selection;
    std::vector<float> m_workMask;
    std::vector<float> m_basReliefCache;   // empty: no bas-relief yet
    std::vector<float> m_strokeSnapshot;
    std::vector<float> m_referenceHeights;
    double m_heightMin = 0.0;
    double m_heightMax = 0.0;
    double m_zScale = 1.0;
    bool m_changed = true;
    bool m_remesh = true;
    bool m_selectionActive = false;
    VekMath::Rect2di m_changedArea;
    VekMath::Rect2di m_strokeArea;
    std::unique_ptr<ReliefSource> m_source;
    OwnedPtr<SculptStroke> m_stroke{nullptr, nullptr};
    double m_baseLevel = 0.0;
    std::vector<OwnedPtr<SelectionShape>> m_selectionShapes;
};
