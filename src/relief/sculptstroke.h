#pragma once

#include "geometry/vector2d.h"

#include <QPointF>

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

class Tool;
class SculptUndo;

// The state of one brush stroke from press to release: its tool, the
// footprint mask and distance map made once for the whole stroke, the dab
// points laid along the path but not yet dabbed, and the length travelled.
class SculptStroke
{
public:
    // Heights a Smudge stroke picks up at its first dab and carries along.
    struct CarriedPatch
    {
        int width = 0;
        int height = 0;
        std::vector<float> heights;
    };

    // diagonal: the relief diagonal in cells, which sets the footprint radius.
    SculptStroke(Tool* tool, const VekMath::Vector2d& start, SculptUndo* undo, double diagonal);
    ~SculptStroke();
    SculptStroke(const SculptStroke&) = delete;
    SculptStroke& operator=(const SculptStroke&) = delete;

    Tool* tool() const { return m_tool; }
    SculptUndo* undo() const { return m_undo; }
    const VekMath::Vector2d& start() const { return m_start; }
    const VekMath::Vector2d& current() const { return m_current; }
    double radius() const { return m_radius; }

    // Footprint side n and the n x n mask (0 outside, 1 inside, 2 outline)
    // and distance map.
    int footprintSide() const { return m_n; }
    const unsigned char* mask() const { return m_mask.data(); }
    const double* dist() const { return m_dist.data(); }

    // Blend weight of every footprint cell: its falloff weight for the
    // tool's present hardness times the tool's strength, row by row, 0
    // outside the mask, followed by kWeightsTail more zeros so that a loop
    // may read a few cells past a row's end. Remade only when the hardness
    // or strength changes, so a dab costs no falloff evaluation.
    static constexpr int kWeightsTail = 8;
    const double* blendWeights();
    // The stretches of footprint columns inside the mask, row by row, as
    // (first, one past the last) pairs: those of row y are pairs
    // maskRunIndex()[y] to maskRunIndex()[y + 1] - 1 of maskRuns().
    const int* maskRuns() const { return m_maskRuns.data(); }
    const int* maskRunIndex() const { return m_maskRunIndex.data(); }
    // Scratch for one dab's bookkeeping, at least bytes long and aligned for
    // any scalar; kept for the stroke, so that dabs allocate nothing once it
    // has grown to the size they need.
    void* scratch(size_t bytes);

    double travelled() const { return m_travelled; }
    const VekMath::Vector2d& lastDab() const { return m_lastDab; }
    // Adds the way from the last dab point to p and makes p the last one.
    void advanceTo(const VekMath::Vector2d& p);

    CarriedPatch* carriedPatch() const { return m_carriedPatch.get(); }
    void setCarriedPatch(std::unique_ptr<CarriedPatch> patch) { m_carriedPatch = std::move(patch); }

    // Lays dab points from the end of the path towards p.
    void addPathPoints(const VekMath::Vector2d& p, bool force);
    // n = 0: every laid point, leaving none. n > 0: the first n points,
    // leaving the n-th of them as the first kept, so groups join up.
    std::vector<QPointF> takePoints(int n);
    int pointCount() const { return static_cast<int>(m_points.size()); }

private:
    Tool* m_tool;
    SculptUndo* m_undo;
    VekMath::Vector2d m_start;
    VekMath::Vector2d m_current;
    double m_radius = 1.0;
    std::vector<QPointF> m_points;
    std::unique_ptr<CarriedPatch> m_carriedPatch;
    double m_travelled = 0.0;
    VekMath::Vector2d m_lastDab;
    std::vector<unsigned char> m_mask;
    int m_n = 4;
    std::vector<double> m_dist;

    std::vector<int> m_maskRuns;
    std::vector<int> m_maskRunIndex;
    std::vector<double> m_weights;
    double m_weightsHardness = 0.0;
    double m_weightsStrength = 0.0;
    bool m_weightsValid = false;
    std::vector<std::max_align_t> m_scratch;
};

// Control points P0..P3 of a cubic Bezier curve.
using BezierControls = std::array<VekMath::Vector2d, 4>;

// Least-squares cubic through the points with the end points kept; falls back
// to the straight thirds when the fit is singular (three points, repeated or
// collinear parameters) or the path has no length.
BezierControls fitBezier(const std::vector<QPointF>& points);
VekMath::Vector2d bezierPoint(const BezierControls& p, double t);
