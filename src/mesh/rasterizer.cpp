#include "mesh/rasterizer.h"

#include "geometry/plane.h"
#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/memorylimit.h"
#include "mesh/threadstart.h"
#include "relief/progressmonitor.h"
#include "relief/reliefsource.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

using VekMath::Vector3d;

namespace {

// Work shorter than this shows no progress and lets no events through.
const std::chrono::milliseconds Moment(250);
// How often the monitor is looked at after that.
const std::chrono::milliseconds Look(20);
// A thread's stack, which may stay reserved after the thread has ended.
const long long ThreadBytes = 16LL << 20;
// Rows drawn together: the facets over them are set up once for all.
const int MaxBandRows = 32;

inline double cross2(double ux, double uy, double vx, double vy)
{
    return ux * vy - uy * vx;
}

// Sine of the angle from an edge to the vector d; 0 when either is a point.
inline double sine(double ex, double ey, double el, double dx, double dy)
{
    const double dl = std::sqrt(dx * dx + dy * dy);
    if (dl == 0.0 || el == 0.0)
        return 0.0;
    return cross2(ex, ey, dx, dy) / (dl * el);
}

const double SideEps = 1e-12;

// The sine from an edge to the point must agree in sign with the corner's own.
inline bool sameSide(double t, double s)
{
    return (t >= -SideEps && s >= -SideEps) || (t <= SideEps && s <= SideEps);
}

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// One facet in grid coordinates, drawn a band of rows at a time. Each grid
// point it may cover is tested as a point alone, except where the facet's
// row span is provably inside it.
class FacetRaster
{
public:
    // Only the corners, edges and rows: enough to tell whether it is drawn
    // and over which rows.
    FacetRaster(const Facet& f, const Vector3d& origin, const HeightGrid& grid)
        : p1(f.corners[0] - origin)
        , p2(f.corners[1] - origin)
        , p3(f.corners[2] - origin)
        , e1x(p2.x - p1.x), e1y(p2.y - p1.y)
        , e2x(p3.x - p2.x), e2y(p3.y - p2.y)
        , e3x(p1.x - p3.x), e3y(p1.y - p3.y)
    {
        // Only facets running counter-clockwise seen from above are drawn.
        facingUp = cross2(e1x, e1y, e2x, e2y) > 0.0;
        const double yLo = std::floor(std::min({p1.y, p2.y, p3.y}));
        const double yHi = std::ceil(std::max({p1.y, p2.y, p3.y}));
        y0 = int(std::max(yLo, 0.0));
        y1 = int(std::min(yHi, double(grid.height - 1)));
    }

    bool facingUp = false;
    int y0 = 0;
    int y1 = -1;

    // The rest, for drawing; false when the facet faces down or stands.
    bool prepare(const HeightGrid& grid)
    {
        l1 = std::sqrt(e1x * e1x + e1y * e1y);
        l2 = std::sqrt(e2x * e2x + e2y * e2y);
        l3 = std::sqrt(e3x * e3x + e3y * e3y);
        sA = (l1 == 0.0 || l3 == 0.0) ? 0.0 : cross2(e1x, e1y, -e3x, -e3y) / (l1 * l3);
        sB = (l1 == 0.0 || l2 == 0.0) ? 0.0 : cross2(e2x, e2y, -e1x, -e1y) / (l1 * l2);
        sC = (l2 == 0.0 || l3 == 0.0) ? 0.0 : cross2(e3x, e3y, -e2x, -e2y) / (l2 * l3);
        plane = VekMath::Plane(p1, p2, p3);
        if (plane.c < 1e-6)
            return false;
        zTop = std::max({p1.z, p2.z, p3.z});
        const double xLo = std::floor(std::min({p1.x, p2.x, p3.x}));
        const double xHi = std::ceil(std::max({p1.x, p2.x, p3.x}));
        x0 = int(std::max(xLo, 0.0));
        x1 = int(std::min(xHi, double(grid.width - 1)));
        // With every corner's sine clearly positive a point is covered just
        // when its sine to each edge is at least -SideEps: a hair beyond the
        // edge at most, far below a cell's width. Otherwise an edge may pass
        // points on either side, and whole rows are tested.
        spans = sA > SideEps && sB > SideEps && sC > SideEps && l1 > 0.0 && l2 > 0.0 && l3 > 0.0;
        return true;
    }

    void drawRows(HeightGrid& grid, int from, int to) const
    {
        const int last = std::min(to, y1);
        for (int y = std::max(from, y0); y <= last; ++y) {
            float* row = grid.heights + size_t(y) * size_t(grid.width);
            const double py = y;
            int lo = x0, hi = x1;
            int inLo = hi + 1, inHi = hi;
            if (spans) {
                if (!span(py, -1.0, lo, hi))
                    continue;
                if (span(py, 1.0, inLo, inHi)) {
                    inLo = std::max(inLo, lo);
                    inHi = std::min(inHi, hi);
                }
                if (inLo > inHi) {
                    inLo = hi + 1;
                    inHi = hi;
                }
            }
            for (int x = lo; x < inLo; ++x)
                testAndDraw(row, x, py);
            for (int x = inLo; x <= inHi; ++x)
                draw(row, x, py);
            for (int x = std::max(inLo, inHi + 1); x <= hi; ++x)
                testAndDraw(row, x, py);
        }
    }

private:
    void draw(float* row, int x, double py) const
    {
        // Plane::zAt written out, so that the loop over a row keeps to
        // registers.
        const double px = x;
        const float z = float(std::min(zTop, -(plane.a * px + plane.b * py + plane.d) / plane.c));
        if (z > row[x])
            row[x] = z;
    }

    void testAndDraw(float* row, int x, double py) const
    {
        const double px = x;
        const double t1 = sine(e1x, e1y, l1, px - p1.x, py - p1.y);
        const double t2 = sine(e2x, e2y, l2, px - p2.x, py - p2.y);
        const double t3 = sine(e3x, e3y, l3, px - p3.x, py - p3.y);
        if (sameSide(t1, sA) && sameSide(t2, sB) && sameSide(t3, sC))
            draw(row, x, py);
    }

    // The points of row py, within the facet's box, that lie on the inner
    // side of every edge by at least `cells` (a cell's width outside it when
    // negative), with another cell's width to spare for rounding. A cell's
    // width dwarfs both the test's tolerance and the rounding of these
    // bounds: a point outside the span with cells = -1 fails the exact
    // test, and one inside it with cells = 1 passes it on every edge.
    bool span(double py, double cells, int& lo, int& hi) const
    {
        double from = x0, to = x1;
        if (!bound(p1, e1x, e1y, l1, py, cells, from, to) || !bound(p2, e2x, e2y, l2, py, cells, from, to)
            || !bound(p3, e3x, e3y, l3, py, cells, from, to) || !(from <= to))
            return false;
        lo = int(std::ceil(from));
        hi = int(std::floor(to));
        return lo <= hi;
    }

    // Narrows [from, to] to the x where the point lies on the inner side of
    // the edge from p along e by `cells` at least: cross(e, P - p) >= cells * l.
    static bool bound(const Vector3d& p, double ex, double ey, double l, double py, double cells, double& from,
                      double& to)
    {
        const double a = ex * (py - p.y) - cells * l;
        if (ey > 0.0)
            to = std::min(to, p.x + a / ey - cells);
        else if (ey < 0.0)
            from = std::max(from, p.x + a / ey + cells);
        else if (a < 0.0)
            return false;
        return true;
    }

    Vector3d p1, p2, p3;
    double e1x, e1y, e2x, e2y, e3x, e3y;
    double l1 = 0.0, l2 = 0.0, l3 = 0.0;
    double sA = 0.0, sB = 0.0, sC = 0.0;
    VekMath::Plane plane;
    double zTop = 0.0;
    int x0 = 0;
    int x1 = -1;
    bool spans = false;
};

// The grid's rows in bands, and for each band the facets over it in their
// own order, so that every point still sees the facets in order.
class Bands
{
public:
    Bands(const HeightGrid& grid, const QVector<Facet>& facets, const Vector3d& origin, unsigned int threads)
        : grid(grid), facets(facets), origin(origin)
    {
        // Several bands a thread, so that they end together.
        rows = std::max(1, std::min(MaxBandRows, grid.height / int(threads * 8)));
        count = (grid.height + rows - 1) / rows;
        try {
            index(count);
        } catch (const std::bad_alloc&) {
            // Without room for the index each band looks through all facets.
            starts.clear();
            starts.shrink_to_fit();
            order.clear();
            order.shrink_to_fit();
        }
    }

    int count = 0;

    // False when goOn(), asked before each facet, said to stop before the
    // band was done.
    template <typename GoOn>
    bool draw(int band, HeightGrid& out, GoOn goOn) const
    {
        const int from = band * rows;
        const int to = std::min(from + rows, grid.height) - 1;
        auto drawOne = [&](int i) {
            FacetRaster r(facets[i], origin, grid);
            if (r.facingUp && r.y0 <= to && r.y1 >= from && r.prepare(grid))
                r.drawRows(out, from, to);
        };
        if (starts.empty()) {
            for (int i = 0; i < facets.size(); ++i) {
                if (!goOn())
                    return false;
                if (finite(i))
                    drawOne(i);
            }
            return true;
        }
        for (size_t k = starts[size_t(band)]; k < starts[size_t(band) + 1]; ++k) {
            if (!goOn())
                return false;
            drawOne(order[k]);
        }
        return true;
    }

private:
    bool finite(int i) const
    {
        const Facet& f = facets[i];
        return isFinite(f.corners[0]) && isFinite(f.corners[1]) && isFinite(f.corners[2]);
    }

    // Calls f(band, facet) for every band each upward, finite facet lies over.
    template <typename F>
    void forEachPair(F f) const
    {
        for (int i = 0; i < facets.size(); ++i) {
            if (!finite(i))
                continue;
            const FacetRaster r(facets[i], origin, grid);
            if (!r.facingUp || r.y0 > r.y1)
                continue;
            for (int b = r.y0 / rows; b <= r.y1 / rows; ++b)
                f(b, i);
        }
    }

    void index(int bands)
    {
        starts.assign(size_t(bands) + 1, 0);
        forEachPair([this](int b, int) { ++starts[size_t(b) + 1]; });
        for (int b = 0; b < bands; ++b)
            starts[size_t(b) + 1] += starts[size_t(b)];
        order.resize(starts[size_t(bands)]);
        std::vector<size_t> next(starts.begin(), starts.end() - 1);
        forEachPair([this, &next](int b, int i) { order[next[size_t(b)]++] = i; });
    }

    const HeightGrid& grid;
    const QVector<Facet>& facets;
    const Vector3d origin;
    int rows = 1;
    std::vector<size_t> starts;
    std::vector<int> order;
};

// Threads for a grid: one a core, but under an address-space limit only as
// many as leave room for the relief the grid is made into.
unsigned int threadsFor(const HeightGrid& grid)
{
    const unsigned int cores = std::max(1u, std::thread::hardware_concurrency());
    if (!MemoryLimit::addressSpaceLimited())
        return cores;
    const long long gridBytes = (long long)grid.width * grid.height * (long long)sizeof(float);
    const long long spare = (MemoryLimit::room() - 4 * gridBytes) / ThreadBytes;
    return unsigned(std::max(1LL, std::min<long long>(cores, spare)));
}

// Shows the bands done once the work has lasted a moment, and takes in a
// cancel.
class Reporter
{
public:
    Reporter(ProgressMonitor* progress, int bands) : progress(progress), bands(bands) {}

    // False once cancelled. Asked often, it looks at the monitor once a
    // look's time.
    bool report(int done)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!progress || now - start < Moment || now - looked < Look)
            return !cancelled;
        looked = now;
        if (!shown) {
            // Shown to the end: once it hid, events would reach the window
            // while the raster is still being finished.
            progress->setAutoClose(false);
            progress->setMaximum(bands);
            progress->show();
            shown = true;
        }
        progress->setValue(done);
        progress->processEvents();
        cancelled = progress->wasCanceled();
        return !cancelled;
    }

private:
    ProgressMonitor* progress;
    int bands;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point looked;
    bool shown = false;
    bool cancelled = false;
};

} // namespace

bool rasterizeFacetShape(HeightGrid& grid, const FacetShape& shape, ProgressMonitor* progress)
{
    grid.release();
    const Vector3d& lo = shape.boundsMin();
    const Vector3d& hi = shape.boundsMax();
    const double w = std::ceil(hi.x - lo.x);
    const double h = std::ceil(hi.y - lo.y);
    // The grid becomes a relief's source: one too large for a relief is
    // refused before it is allocated.
    if (!(w >= 1.0 && h >= 1.0 && w < 2147483648.0 && h < 2147483648.0) || !isFinite(lo)
        || !ReliefSource::fits((long long)w, (long long)h))
        return true;
    if (!grid.allocate((long long)w, (long long)h))
        throw std::bad_alloc();

    const unsigned int threads = threadsFor(grid);
    const Bands bands(grid, shape.facets(), lo, threads);
    Reporter reporter(progress, bands.count);
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    // Bands go to whichever thread is free; no two threads write one row.
    auto work = [&](bool reports) {
        // A thread that reports looks at the monitor between facets too: a
        // band may take long, and no other thread takes in a cancel.
        int facets = 0;
        const auto goOn = [&] {
            if (reports && ++facets % 64 == 0 && !reporter.report(done.load()))
                stop.store(true);
            return !stop.load(std::memory_order_relaxed);
        };
        for (int b; !stop.load() && (b = next.fetch_add(1)) < bands.count;) {
            if (bands.draw(b, grid, goOn))
                done.fetch_add(1);
            if (reports && !reporter.report(done.load()))
                stop.store(true);
        }
    };

    std::mutex mutex;
    std::condition_variable changed;
    unsigned int finished = 0;
    std::vector<std::thread> workers;
    // With a monitor this thread watches it; without one it draws as well.
    const unsigned int helpers = std::min<unsigned int>(progress ? threads : threads - 1, unsigned(bands.count));
    for (unsigned int t = 0; t < helpers; ++t) {
        const bool started = startThread(workers, [&] {
            work(false);
            std::lock_guard<std::mutex> lock(mutex);
            ++finished;
            changed.notify_all();
        });
        if (!started)
            break;
    }
    if (!progress || workers.empty()) {
        work(true);
    } else {
        std::unique_lock<std::mutex> lock(mutex);
        while (finished < workers.size()) {
            changed.wait_for(lock, std::chrono::milliseconds(20));
            lock.unlock();
            if (!reporter.report(done.load()))
                stop.store(true);
            lock.lock();
        }
    }
    for (std::thread& t : workers)
        t.join();
    if (stop.load()) {
        grid.release();
        return false;
    }
    return true;
}
