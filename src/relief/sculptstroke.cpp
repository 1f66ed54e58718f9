#include "relief/sculptstroke.h"

#include "relief/tool.h"

#include <algorithm>
#include <cmath>

namespace {

// The cubic Bernstein weights of the four control points at t.
std::array<double, 4> bernstein(double t)
{
    const double mt = 1 - t;
    return {mt * mt * mt, 3 * mt * mt * t, 3 * mt * t * t, t * t * t};
}

} // namespace

SculptStroke::SculptStroke(Tool* tool, const VekMath::Vector2d& start, SculptUndo* undo, double diagonal)
    : m_tool(tool), m_undo(undo), m_start(start), m_current(start), m_lastDab(start)
{
    m_radius = 0.1 * tool->size * diagonal;
    if (m_radius >= 1) {
        m_n = static_cast<int>(2 * static_cast<int>(std::ceil(m_radius)) * 1.4142135623730951 + 2.0);
    } else {
        m_radius = 1;
        m_n = 4;
    }
    const size_t cells = static_cast<size_t>(m_n) * static_cast<size_t>(m_n);
    m_mask.assign(cells, 0);
    m_dist.assign(cells, 0.0);
    tool->genMask(m_mask.data(), m_n, m_radius);
    Tool::genDistMap(m_dist.data(), m_mask.data(), m_n);
    m_maskRunIndex.assign(static_cast<size_t>(m_n) + 1, 0);
    for (int y = 0; y < m_n; ++y) {
        const unsigned char* row = m_mask.data() + static_cast<size_t>(y) * m_n;
        for (int x = 0; x < m_n;) {
            if (row[x] == 0) {
                ++x;
                continue;
            }
            const int first = x;
            while (x < m_n && row[x] != 0)
                ++x;
            m_maskRuns.push_back(first);
            m_maskRuns.push_back(x);
        }
        m_maskRunIndex[y + 1] = static_cast<int>(m_maskRuns.size() / 2);
    }
    // Room for a dab's bookkeeping, made here so that dabs allocate nothing:
    // a few numbers for each footprint column and for each stretch of the
    // mask.
    scratch(16 * (static_cast<size_t>(m_n) + 2) + 32 * m_maskRuns.size() + 64);
}

SculptStroke::~SculptStroke() = default;

const double* SculptStroke::blendWeights()
{
    const double hardness = m_tool->hardness;
    const double strength = m_tool->strength;
    if (m_weightsValid && hardness == m_weightsHardness && strength == m_weightsStrength)
        return m_weights.data();
    m_weights.assign(m_mask.size() + kWeightsTail, 0.0);
    for (int y = 0; y < m_n; ++y) {
        for (int x = 0; x < m_n; ++x) {
            const size_t k = static_cast<size_t>(y) * m_n + x;
            if (m_mask[k] != 0)
                m_weights[k] = m_tool->falloff(m_dist.data(), x, y, m_n) * strength;
        }
    }
    m_weightsHardness = hardness;
    m_weightsStrength = strength;
    m_weightsValid = true;
    return m_weights.data();
}

void* SculptStroke::scratch(size_t bytes)
{
    const size_t units = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    if (units > m_scratch.size())
        m_scratch.resize(units);
    return m_scratch.data();
}

void SculptStroke::advanceTo(const VekMath::Vector2d& p)
{
    m_travelled += VekMath::Vector2d::distance(m_lastDab, p);
    m_lastDab = p;
}

void SculptStroke::addPathPoints(const VekMath::Vector2d& p, bool force)
{
    // Large brushes space their dabs radius/50 apart to bound the dabs per
    // move; Smudge drags its patch and so always dabs every cell.
    const bool wide = m_tool->type != Tool::Smudge && m_radius > 50;
    const double spacing = wide ? m_radius / 50 : 1.0;
    const double dx = p.x - m_current.x;
    const double dy = p.y - m_current.y;
    const double len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 1) || !std::isfinite(len))
        return;
    if (wide && len <= spacing * spacing && !force)
        return;
    const double ux = dx / len;
    const double uy = dy / len;
    const int k = static_cast<int>(len / spacing);
    QPointF last;
    for (int i = 0; i <= k; ++i) {
        last = QPointF(m_current.x + ux * (i * spacing), m_current.y + uy * (i * spacing));
        m_points.push_back(last);
    }
    m_current = VekMath::Vector2d(last.x(), last.y());
}

std::vector<QPointF> SculptStroke::takePoints(int n)
{
    std::vector<QPointF> taken;
    if (n <= 0) {
        taken.swap(m_points);
        return taken;
    }
    const size_t count = std::min(static_cast<size_t>(n), m_points.size());
    if (count == 0)
        return taken;
    taken.assign(m_points.begin(), m_points.begin() + static_cast<std::ptrdiff_t>(count));
    m_points.erase(m_points.begin(), m_points.begin() + static_cast<std::ptrdiff_t>(count - 1));
    return taken;
}

BezierControls fitBezier(const std::vector<QPointF>& points)
{
    BezierControls c;
    const size_t k = points.size();
    if (k == 0)
        return c;
    const VekMath::Vector2d p0(points.front().x(), points.front().y());
    const VekMath::Vector2d p3(points.back().x(), points.back().y());
    c[0] = p0;
    c[3] = p3;
    c[1] = VekMath::Vector2d(p0.x + (p3.x - p0.x) / 3, p0.y + (p3.y - p0.y) / 3);
    c[2] = VekMath::Vector2d(p0.x + 2 * (p3.x - p0.x) / 3, p0.y + 2 * (p3.y - p0.y) / 3);
    if (k < 3)
        return c;

    double total = 0;
    for (size_t i = 0; i + 1 < k; ++i)
        total += std::hypot(points[i + 1].x() - points[i].x(), points[i + 1].y() - points[i].y());
    // Points that all coincide have no parameters: keep the thirds.
    if (!(total > 0) || !std::isfinite(total))
        return c;

    double c11 = 0, c12 = 0, c22 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double along = 0;
    for (size_t i = 0; i < k; ++i) {
        if (i > 0)
            along += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
        const std::array<double, 4> b = bernstein(i + 1 < k ? along / total : 1.0);
        const double b0 = b[0], b1 = b[1], b2 = b[2], b3 = b[3];
        c11 += b1 * b1;
        c12 += b1 * b2;
        c22 += b2 * b2;
        const double rx = points[i].x() - b0 * p0.x - b3 * p3.x;
        const double ry = points[i].y() - b0 * p0.y - b3 * p3.y;
        x1 += b1 * rx;
        x2 += b2 * rx;
        y1 += b1 * ry;
        y2 += b2 * ry;
    }
    // With one distinct inner parameter (three points, or repeated points)
    // the normal equations are singular; their solution would be NaN or wild
    // and carry dabs out of the grid.
    const double det = c11 * c22 - c12 * c12;
    if (!(det > 1e-10 * c11 * c22))
        return c;
    const VekMath::Vector2d q1((x1 * c22 - x2 * c12) / det, (y1 * c22 - y2 * c12) / det);
    const VekMath::Vector2d q2((c11 * x2 - c12 * x1) / det, (c11 * y2 - c12 * y1) / det);
    if (!std::isfinite(q1.x) || !std::isfinite(q1.y) || !std::isfinite(q2.x) || !std::isfinite(q2.y))
        return c;
    c[1] = q1;
    c[2] = q2;
    return c;
}

VekMath::Vector2d bezierPoint(const BezierControls& p, double t)
{
    const std::array<double, 4> b = bernstein(t);
    return VekMath::Vector2d(b[0] * p[0].x + b[1] * p[1].x + b[2] * p[2].x + b[3] * p[3].x,
                             b[0] * p[0].y + b[1] * p[1].y + b[2] * p[2].y + b[3] * p[3].y);
}
