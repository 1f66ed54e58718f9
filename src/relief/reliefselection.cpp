#include "relief/reliefselection.h"

#include "relief/relief.h"
#include "relief/reliefpatch.h"
#include "relief/sculptmodifyevent.h"
#include "relief/sculptundo.h"
#include "relief/selectionshape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// trunc() of a coordinate, kept within int range; NaN lands off the grid.
int cellOf(double v)
{
    if (std::isnan(v))
        return -1;
    return static_cast<int>(std::clamp(v, -1.0e9, 1.0e9));
}

// Inclusive cell range [x0, x1] x [y0, y1].
struct Box
{
    int x0, y0, x1, y1;

    bool isEmpty() const { return x0 > x1 || y0 > y1; }
    bool contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
    Box clippedTo(int width, int height) const
    {
        return {std::max(x0, 0), std::max(y0, 0), std::min(x1, width - 1), std::min(y1, height - 1)};
    }
};

class Marker
{
public:
    explicit Marker(Relief& relief)
        : m_relief(relief)
        , m_work(relief.workMask())
        , m_width(relief.width())
        , m_height(relief.height())
    {
        std::fill(m_work, m_work + relief.cellCount(), 0.0f);
    }

    Box grid() const { return {0, 0, m_width - 1, m_height - 1}; }
    size_t index(int x, int y) const { return static_cast<size_t>(y) * m_width + x; }
    float* work() { return m_work; }

    void mark(int x, int y, float value = 1.0f)
    {
        if (x >= 0 && x < m_width && y >= 0 && y < m_height)
            m_work[index(x, y)] = value;
    }

    // 4-connected flood inside box over unmarked cells that accept() takes,
    // giving them value; the stack holds the seeds, already marked.
    template <class Accept>
    void flood(std::vector<size_t>& stack, const Box& box, float value, Accept accept)
    {
        while (!stack.empty()) {
            const size_t i = stack.back();
            stack.pop_back();
            const int x = static_cast<int>(i % m_width);
            const int y = static_cast<int>(i / m_width);
            auto visit = [&](int nx, int ny) {
                if (!box.contains(nx, ny))
                    return;
                const size_t j = index(nx, ny);
                if (m_work[j] == 0.0f && accept(j)) {
                    m_work[j] = value;
                    stack.push_back(j);
                }
            };
            visit(x - 1, y);
            visit(x + 1, y);
            visit(x, y - 1);
            visit(x, y + 1);
        }
    }

    // Every marked cell becomes selected, or deselected under Subtractive.
    void merge(SelectionMode mode)
    {
        const float value = mode == SelectionMode::Subtractive ? 0.0f : 1.0f;
        float* selection = m_relief.selection();
        const size_t cells = m_relief.cellCount();
        for (size_t i = 0; i < cells; ++i) {
            if (m_work[i] != 0.0f)
                selection[i] = value;
        }
        m_relief.setSelectionActive(true);
    }

private:
    Relief& m_relief;
    float* m_work;
    int m_width;
    int m_height;
};

const double kTwoPi = 2.0 * 3.14159265358979323846;

// Even-odd test of a point against the polygon closed from last to first.
bool insidePolygon(const QList<QPointF>& pts, double x, double y)
{
    bool inside = false;
    for (int i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        const QPointF& a = pts[i];
        const QPointF& b = pts[j];
        if ((a.y() > y) != (b.y() > y)) {
            const double cx = a.x() + (y - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
            if (x < cx)
                inside = !inside;
        }
    }
    return inside;
}

// The steps k in [0, n) at which p + d k / n can fall in [lo, hi) on one axis,
// widened by one step each way.
void limitSteps(double p, double d, double lo, double hi, int64_t n, double& kMin, double& kMax)
{
    if (d == 0.0) {
        if (!(p > lo - 1.0 && p < hi + 1.0))
            kMax = -1.0;
        return;
    }
    double a = (lo - 1.0 - p) * n / d;
    double b = (hi + 1.0 - p) * n / d;
    if (a > b)
        std::swap(a, b);
    kMin = std::max(kMin, std::floor(a) - 1.0);
    kMax = std::min(kMax, std::ceil(b) + 1.0);
}

} // namespace

namespace ReliefSelection {

void selectRectangle(Relief& relief, const VekMath::Rect2d& r, SelectionMode mode)
{
    Marker marker(relief);
    if (!std::isnan(r.x1) && !std::isnan(r.x2) && !std::isnan(r.y1) && !std::isnan(r.y2)) {
        const Box box = Box{cellOf(r.x1), cellOf(r.y1), cellOf(r.x2), cellOf(r.y2)}
                            .clippedTo(relief.width(), relief.height());
        for (int y = box.y0; y <= box.y1 && box.x0 <= box.x1; ++y) {
            float* row = marker.work() + marker.index(0, y);
            std::fill(row + box.x0, row + box.x1 + 1, 1.0f);
        }
    }
    marker.merge(mode);
}

void selectEllipse(Relief& relief, const VekMath::Rect2d& r, SelectionMode mode)
{
    Marker marker(relief);
    const VekMath::Vector2d c = r.center();
    const double a = (r.x2 - r.x1) / 2.0;
    const double b = (r.y2 - r.y1) / 2.0;
    const double s = 0.5 / std::sqrt(a * a + b * b);
    for (double t = 0.0; s > 0.0 && t < kTwoPi; t += s)
        marker.mark(cellOf(c.x + a * std::cos(t)), cellOf(c.y + b * std::sin(t)));

    // The flood stays in the ellipse's box: an ellipse too thin to enclose
    // its centre's neighbours would otherwise run over the whole grid.
    const Box box = Box{cellOf(std::min(r.x1, r.x2)), cellOf(std::min(r.y1, r.y2)),
                        cellOf(std::max(r.x1, r.x2)), cellOf(std::max(r.y1, r.y2))}
                        .clippedTo(relief.width(), relief.height());
    if (!box.isEmpty()) {
        int sx = cellOf(c.x);
        int sy = cellOf(c.y);
        bool seed = true;
        if (!box.contains(sx, sy)) {
            // Centre off the grid: the grid cell nearest to it is the most
            // inside one; on the outline, nothing of the inside is on the grid.
            sx = std::clamp(sx, box.x0, box.x1);
            sy = std::clamp(sy, box.y0, box.y1);
            seed = marker.work()[marker.index(sx, sy)] == 0.0f;
        }
        if (seed) {
            marker.mark(sx, sy);
            std::vector<size_t> stack{marker.index(sx, sy)};
            marker.flood(stack, box, 1.0f, [](size_t) { return true; });
        }
    }
    marker.merge(mode);
}

void selectPolygon(Relief& relief, const QList<QPointF>& points, SelectionMode mode)
{
    Marker marker(relief);
    const int width = relief.width();
    const int height = relief.height();
    for (int i = 0; i + 1 < points.size(); ++i) {
        const QPointF p = points[i];
        const QPointF q = points[i + 1];
        marker.mark(cellOf(p.x()), cellOf(p.y()));
        const double dx = q.x() - p.x();
        const double dy = q.y() - p.y();
        const double len = std::sqrt(dx * dx + dy * dy);
        // Beyond 2^52 steps the step count is no longer exact.
        if (!(2.0 * len + 0.5 < 4.5e15))
            continue;
        const int64_t n = static_cast<int64_t>(2.0 * len + 0.5);
        // Only the steps that can land on the grid are walked.
        double kMin = 0.0;
        double kMax = static_cast<double>(n) - 1.0;
        limitSteps(p.x(), dx, 0.0, width, n, kMin, kMax);
        limitSteps(p.y(), dy, 0.0, height, n, kMin, kMax);
        for (int64_t k = static_cast<int64_t>(kMin); k <= static_cast<int64_t>(kMax); ++k) {
            const double x = p.x() + dx * k / n;
            const double y = p.y() + dy * k / n;
            marker.mark(cellOf(x), cellOf(y));
        }
    }

    // The outside is flooded from every unmarked border cell that lies
    // outside the polygon, so an outline through a corner or a polygon
    // reaching off the grid keeps its inside.
    float* work = marker.work();
    std::vector<size_t> stack;
    auto seed = [&](int x, int y) {
        const size_t i = marker.index(x, y);
        if (work[i] == 0.0f && !insidePolygon(points, x + 0.5, y + 0.5)) {
            work[i] = 2.0f;
            stack.push_back(i);
        }
    };
    for (int x = 0; x < width; ++x) {
        seed(x, 0);
        seed(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        seed(0, y);
        seed(width - 1, y);
    }
    marker.flood(stack, marker.grid(), 2.0f, [](size_t) { return true; });

    const size_t cells = relief.cellCount();
    for (size_t i = 0; i < cells; ++i)
        work[i] = work[i] == 2.0f ? 0.0f : 1.0f;
    marker.merge(mode);
}

VekMath::Rect2di magicSelect(Relief& relief, const VekMath::Vector2d& p, double tolerance, bool continuous,
                             SelectionMode mode)
{
    const double fx = relief.width() / 2.0 + p.x;
    const double fy = relief.height() / 2.0 + p.y;
    if (!(fx >= 0.0 && fx < relief.width() && fy >= 0.0 && fy < relief.height()))
        return VekMath::Rect2di();
    const int x = static_cast<int>(fx);
    const int y = static_cast<int>(fy);

    Marker marker(relief);
    const size_t clicked = marker.index(x, y);
    if (mode == SelectionMode::Normal) {
        const bool wasSelected = relief.selection()[clicked] != 0.0f;
        relief.clearSelection();
        if (wasSelected)
            return VekMath::Rect2di();
    }

    const float* heights = relief.heights();
    const double h0 = heights[clicked];
    const double band = (relief.heightMax() - relief.heightMin()) * tolerance;
    const double lo = h0 - band;
    const double hi = h0 + band;
    auto inBand = [&](size_t i) { return heights[i] >= lo && heights[i] <= hi; };

    if (!continuous) {
        float* work = marker.work();
        const size_t cells = relief.cellCount();
        for (size_t i = 0; i < cells; ++i)
            work[i] = inBand(i) ? 1.0f : 0.0f;
    } else {
        marker.mark(x, y);
        std::vector<size_t> stack{clicked};
        marker.flood(stack, marker.grid(), 1.0f, inBand);
    }
    marker.merge(mode);
    return VekMath::Rect2di();
}

void crop(Relief& relief, SculptUndo* undo)
{
    const auto& shapes = relief.selectionShapes();
    if (shapes.empty() || !shapes.front())
        return;
    const QList<QPointF> points = shapes.front()->points();
    if (points.isEmpty())
        return;

    const size_t cells = relief.cellCount();
    float* heights = relief.heights();
    std::copy(heights, heights + cells, relief.strokeSnapshot());

    double xmin = points.front().x(), xmax = xmin;
    double ymin = points.front().y(), ymax = ymin;
    for (const QPointF& q : points) {
        xmin = std::min(xmin, q.x());
        xmax = std::max(xmax, q.x());
        ymin = std::min(ymin, q.y());
        ymax = std::max(ymax, q.y());
    }
    const double halfW = relief.width() / 2.0;
    const double halfH = relief.height() / 2.0;
    const Box keep{cellOf(std::trunc(xmin) + halfW), cellOf(std::trunc(ymin) + halfH),
                   cellOf(std::trunc(xmax) + halfW), cellOf(std::trunc(ymax) + halfH)};

    const int width = relief.width();
    for (int y = 0; y < relief.height(); ++y) {
        float* row = heights + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            if (!keep.contains(x, y))
                row[x] = 0.0f;
        }
    }

    relief.setChanged(true);
    // The views refresh only the changed area, so the whole grid goes in.
    relief.mergeChangedRect(relief.fullRect());
    relief.setStrokeRect(relief.fullRect());
    if (undo) {
        auto before = std::make_unique<ReliefPatch>(relief, relief.strokeSnapshot(), relief.fullRect());
        undo->push(new SculptModifyEvent(&relief, std::move(before)));
        undo->closeGroup();
    }
}

} // namespace ReliefSelection
