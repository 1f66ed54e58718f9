#include "mesh/facetreducer.h"
#include "mesh/facetreducerimpl.h"

#include "base/veksettings.h"
#include "mesh/reductionprogress.h"
#include "mesh/stlfilereader.h"
#include "mesh/stlfilewriter.h"
#include "mesh/stripschedule.h"
#include "relief/progressmonitor.h"
#include "relief/relief.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

using VekMath::Vector3d;

namespace {

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Where a strip reduced with every face kept up is parked beside the plain one.
QString facesUpPath(const QString& path)
{
    return path + "up";
}

// One strip's rows of cells, triangulated straight into the reducer (in the
// order a shape of them would give; each grid point becomes a vertex when a
// triangle first uses it). Returns the number of faces.
int triangulate(FacetReducer::Impl& reducer, const Relief& relief, int firstRow, int endRow,
                ReductionProgress& progress)
{
    const int width = relief.width();
    const float* heights = relief.heights();
    const double zScale = relief.zScale();
    auto point = [&](int x, int y) {
        return Vector3d(x / 128.0, y / 128.0, double(heights[size_t(y) * size_t(width) + size_t(x)]) * zScale / 128.0);
    };
    reducer.clear();
    reducer.reserveFor(size_t(2) * size_t(endRow - firstRow) * size_t(width),
                       size_t(endRow - firstRow) * size_t(width));

    progress.phase = ReductionProgress::Triangulating;
    progress.start = firstRow;
    progress.end = endRow;
    // Vertices of the grid points of the two rows of the present cells.
    std::vector<int> rowAbove(size_t(width), -1), rowBelow(size_t(width), -1);
    int added = 0;
    for (int j = firstRow; j < endRow; ++j) {
        progress.current = j;
        progress.update();
        rowAbove.swap(rowBelow);
        std::fill(rowBelow.begin(), rowBelow.end(), -1);
        auto vertex = [&](int x, int y) {
            int& slot = (y == j ? rowAbove : rowBelow)[size_t(x)];
            if (slot < 0)
                slot = reducer.vertexAt(point(x, y));
            return slot;
        };
        for (int i = 0; i + 1 < width; ++i) {
            const Vector3d p00 = point(i, j), p10 = point(i + 1, j);
            const Vector3d p01 = point(i, j + 1), p11 = point(i + 1, j + 1);
            // A corner that is not a number would never meet its neighbours.
            const bool finite00 = isFinite(p00), finite11 = isFinite(p11);
            if (finite00 && finite11 && isFinite(p10) && !(p00.z == 0 && p10.z == 0 && p11.z == 0)) {
                const int a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1);
                reducer.makeFace(a, b, c);
                ++added;
            }
            if (finite00 && finite11 && isFinite(p01) && !(p11.z == 0 && p01.z == 0 && p00.z == 0)) {
                const int a = vertex(i + 1, j + 1), b = vertex(i, j + 1), c = vertex(i, j);
                reducer.makeFace(a, b, c);
                ++added;
            }
        }
    }
    return added;
}

// The reducer's faces parked in a file: their number, or -1 when the file
// could not be written.
int park(const FacetReducer::Impl& reducer, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    // Straight from the reducer's faces: a shape of them beside a full
    // reducer would add to every worker's peak.
    const int count = reducer.facetCount();
    size_t at = 0;
    QDataStream out(&file);
    if (!writeFacetsStl(out, quint32(count), [&](Facet* f) { return reducer.nextFacet(at, f); },
                        file.fileName())
        || !file.flush())
        return -1;
    return count;
}

// One strip triangulated, reduced (with keepUp refusing every collapse that
// turns a face over) and parked in the file at path: the number of facets
// parked, or -1 when the file could not be written.
int reduceOnce(FacetReducer::Impl& reducer, const Relief& relief, int firstRow, int endRow, unsigned int target,
               double maxCost, ReductionProgress& progress, const QString& path, bool keepUp)
{
    const int added = triangulate(reducer, relief, firstRow, endRow, progress);
    progress.phase = ReductionProgress::Building;
    progress.start = 0;
    progress.end = progress.current = added;
    progress.update();

    progress.phase = ReductionProgress::Reducing;
    progress.start = progress.current = reducer.faceCount();
    progress.end = int(target);
    reducer.keepFacesUp = keepUp;
    reducer.reduce(target, maxCost, &progress);
    reducer.keepFacesUp = false;
    return park(reducer, path);
}

// One strip reduced and parked: the number of facets parked, or -1 when the
// file could not be written. When the plain reduction turned a face over,
// the strip is reduced once more refusing every collapse that would, and
// that is parked beside it (*facesUp its number of facets, else -2): the
// plain strips serve an export that ends up without a fold, so that it
// comes out as it always did.
int reduceStrip(FacetReducer::Impl& reducer, const Relief& relief, int firstRow, int endRow,
                unsigned int target, double maxCost, ReductionProgress& progress, const QString& path,
                int* facesUp)
{
    *facesUp = -2;
    // A strip that cannot be parked would leave a hole in the mesh.
    const int parked = reduceOnce(reducer, relief, firstRow, endRow, target, maxCost, progress, path, false);
    if (parked >= 0 && !progress.cancelled && reducer.hasFoldedFace()) {
        progress.hold = true;
        *facesUp = reduceOnce(reducer, relief, firstRow, endRow, target, maxCost, progress, facesUpPath(path), true);
        progress.hold = false;
    }
    return *facesUp == -1 ? -1 : parked;
}

// A parked strip read back and made ready to be joined; null when it could
// not be read.
std::unique_ptr<FacetReducer::Impl::Piece> readStrip(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    QDataStream in(&file);
    StlFileReader reader(&in);
    const std::unique_ptr<FacetShape> shape(readStl(reader));
    if (!shape)
        return nullptr;
    return FacetReducer::Impl::preparePiece(shape->facets().constData(), shape->facetCount());
}

// One export: the strips reduced and parked, then joined in a final
// reducer in strip order.
class ReliefExport
{
public:
    ReliefExport(const Relief& relief, unsigned int rows, unsigned int strips, unsigned int target,
                 double maxCost, QString folder, FacetReducer::Impl& final, ReductionProgress& progress)
        : relief(relief), rows(rows), strips(strips), target(target), maxCost(maxCost),
          folder(std::move(folder)), final(final), progress(progress), parked(strips, -1), parkedUp(strips, -2),
          done(strips), prepared(strips)
    {
    }

    ~ReliefExport() { stopUpright(); }

    QString stripPath(unsigned int s) const
    {
        return QDir::toNativeSeparators(folder) + QDir::separator() + "stltmp" + QString::number(s);
    }

    // In this thread, one strip after another: the final reducer's memory
    // serves the strips first.
    bool reduceHere()
    {
        for (unsigned int s = 0; s < strips; ++s) {
            if (progress.cancelled)
                return true;
            progress.strip = int(s);
            parked[s] = reduce(final, s, progress);
            if (parked[s] < 0)
                return false;
            progress.phase = ReductionProgress::Triangulating;
            progress.strip = int(s + 1);
            progress.start = 0;
            progress.end = 1;
            progress.current = 0;
            progress.update();
        }
        final.clear();
        return true;
    }

    // On worker threads; this thread shows the progress of the first strip
    // not done, passes a cancel on and joins the strips done so far while
    // the others are still at work.
    bool reduceOnWorkers(unsigned int threads)
    {
        std::atomic<bool> stop{false};
        std::vector<std::atomic<int>> values(strips);
        for (unsigned int s = 0; s < strips; ++s)
            values[s].store(int(s) * 100);
        // A strip's upright reduction stops when its own flag is set: when
        // it is dropped, or when the export stops.
        std::vector<std::atomic<bool>> dropUp(strips);
        auto stopAll = [&] {
            stop.store(true);
            for (std::atomic<bool>& d : dropUp)
                d.store(true);
        };
        startUpright();
        // The strips of most facets first, so that no worker is left with a
        // long strip at the end while the others wait.
        const std::vector<unsigned int> order = heaviestFirst();
        StripSchedule schedule(strips);
        std::mutex mutex;
        std::condition_variable changed;
        unsigned int running = threads;
        std::vector<std::thread> workers;
        for (unsigned int t = 0; t < threads; ++t) {
            workers.emplace_back([&] {
                std::unique_ptr<FacetReducer::Impl> reducer;
                std::unique_lock<std::mutex> lock(mutex);
                for (;;) {
                    const StripSchedule::Task task = schedule.take(order, stop.load());
                    if (task.kind == StripSchedule::None)
                        break;
                    if (task.kind == StripSchedule::Wait) {
                        // Its memory goes back while it waits.
                        if (reducer) {
                            lock.unlock();
                            reducer.reset();
                            lock.lock();
                        } else {
                            changed.wait_for(lock, std::chrono::milliseconds(5));
                        }
                        continue;
                    }
                    lock.unlock();
                    const unsigned int s = task.strip;
                    const bool keepUp = task.kind == StripSchedule::Upright;
                    ReductionProgress mine;
                    mine.strip = int(s);
                    mine.stop = keepUp ? &dropUp[s] : &stop;
                    mine.shownValue = &values[s];
                    mine.hold = keepUp;
                    int count = -1;
                    bool folded = false;
                    // Out of memory on a worker fails the export rather
                    // than the program.
                    try {
                        if (!reducer) {
                            reducer.reset(new FacetReducer::Impl);
                            reducer->keepOutline = true;
                        }
                        count = reduceOnce(*reducer, s, mine, keepUp);
                        folded = !keepUp && count >= 0 && !mine.cancelled && reducer->hasFoldedFace();
                    } catch (const std::bad_alloc&) {
                        if (reducer)
                            reducer->clear();
                    }
                    lock.lock();
                    const StripSchedule::Outcome outcome = keepUp ? schedule.uprightDone(s, count, mine.cancelled)
                                                                  : schedule.plainDone(s, count, folded);
                    if (outcome.dropUpright) {
                        dropUp[s].store(true);
                        QFile::remove(facesUpPath(stripPath(s)));
                    }
                    // A strip that could not be parked ends the export.
                    if (outcome.failed)
                        stopAll();
                    if (outcome.done) {
                        parked[s] = schedule.parked(s);
                        parkedUp[s] = schedule.parkedUp(s);
                        done[s].store(true);
                    }
                    changed.notify_all();
                }
                --running;
                changed.notify_all();
            });
        }
        unsigned int first = 0;
        bool unreadable = false;
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            while (first < strips && done[first].load())
                ++first;
            lock.unlock();
            if (dialog() && !progress.cancelled) {
                progress.show(first < strips ? values[first].load(std::memory_order_relaxed) : int(first) * 100);
                if (progress.cancelled)
                    stopAll();
            }
            const bool joining = joined < first && !stop.load();
            if (joining) {
                // The workers must be waited for whatever happens here.
                bool joinedOne = false;
                try {
                    joinedOne = joinNext(nullptr);
                } catch (const std::bad_alloc&) {
                }
                if (!joinedOne) {
                    unreadable = true;
                    stopAll();
                }
            }
            // Waiting for the next strip in order, this thread reads and
            // makes ready one done after it.
            bool readAhead = false;
            if (!joining && !stop.load()) {
                for (unsigned int t = joined + 1; t < strips && !readAhead; ++t) {
                    if (done[t].load() && parked[t] >= 0 && !prepared[t]) {
                        try {
                            prepared[t] = readStrip(stripPath(t));
                        } catch (const std::bad_alloc&) {
                        }
                        // Unreadable: it is read again, and fails, in order.
                        readAhead = prepared[t] != nullptr;
                    }
                }
            }
            lock.lock();
            if (!joining && !readAhead)
                changed.wait_for(lock, std::chrono::milliseconds(20));
        }
        lock.unlock();
        for (std::thread& w : workers)
            w.join();
        if (progress.cancelled)
            return true;
        if (unreadable)
            return false;
        for (unsigned int s = 0; s < strips; ++s)
            if (!done[s].load() || parked[s] < 0)
                return false;
        progress.show(int(strips) * 100);
        return true;
    }

    // The parked strips not joined yet, with their share of the progress.
    bool join()
    {
        long long total = 0;
        for (unsigned int s = 0; s < strips; ++s)
            total += std::max(0, parked[s]);
        if (total > FacetShape::MaxFacets)
            return false;
        progress.phase = ReductionProgress::Building;
        progress.strip = int(strips);
        progress.start = 0;
        progress.end = int(total);
        final.reserveFor(size_t(total - joinedFacets), size_t(total) / 2);
        // The files left are read side by side, as many at a time as there
        // are readers, and added in order; only those few wait in memory.
        const unsigned int readers = std::max(1u, std::min(strips - joined, threadsToRead));
        std::unique_ptr<std::unique_ptr<FacetReducer::Impl::Piece>[]> parts(
            new std::unique_ptr<FacetReducer::Impl::Piece>[readers]);
        while (joined < strips) {
            const unsigned int count = std::min(readers, strips - joined);
            std::vector<std::thread> helpers;
            for (unsigned int t = 0; t < count; ++t)
                parts[t] = std::move(prepared[joined + t]);
            for (unsigned int t = 1; t < count; ++t)
                if (!parts[t])
                    helpers.emplace_back([&, t] {
                        // Out of memory on a helper must not end the program:
                        // the strip is then read again on this thread.
                        try {
                            parts[t] = readStrip(stripPath(joined + t));
                        } catch (const std::bad_alloc&) {
                        }
                    });
            if (!parts[0])
                parts[0] = readStrip(stripPath(joined));
            for (std::thread& h : helpers)
                h.join();
            for (unsigned int t = 0; t < count; ++t)
                if (!joinNext(&progress, std::move(parts[t])))
                    return false;
        }
        return true;
    }

    // Every strip into an empty reducer, those parked twice as they were
    // with every face kept up; false when a file could not be read.
    bool joinUprightInto(FacetReducer::Impl& into) const
    {
        long long total = 0;
        for (unsigned int s = 0; s < strips; ++s)
            total += std::max(0, parkedUp[s] >= 0 ? parkedUp[s] : parked[s]);
        if (total > FacetShape::MaxFacets)
            return false;
        into.reserveFor(size_t(total), size_t(total) / 2);
        for (unsigned int s = 0; s < strips; ++s) {
            const std::unique_ptr<FacetReducer::Impl::Piece> part =
                readStrip(parkedUp[s] >= 0 ? facesUpPath(stripPath(s)) : stripPath(s));
            if (!part)
                return false;
            into.addPiece(*part, nullptr, 0);
        }
        return true;
    }

    // The joined mesh reduced refusing every collapse that turns a face
    // over, from the strips as they were parked with every face kept up;
    // made beside the plain one when there were workers, else now in the
    // spare reducer. Waits for it, keeping the progress shown and passing a
    // cancel on; null when it could not be made.
    std::unique_ptr<FacetReducer::Impl> takeUpright(std::unique_ptr<FacetReducer::Impl> spare)
    {
        if (uprightThread.joinable()) {
            while (!uprightDone.load() && !progress.cancelled) {
                progress.refresh();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            uprightStop.store(progress.cancelled);
            uprightThread.join();
            if (!uprightDeferred) {
                spare.reset();
                return uprightJoined ? std::move(upright) : nullptr;
            }
        }
        spare->clear();
        if (!joinUprightInto(*spare))
            return nullptr;
        reduceUpright(*spare, progress);
        return spare;
    }

    void stopUpright()
    {
        uprightStop.store(true);
        if (uprightThread.joinable())
            uprightThread.join();
        upright.reset();
    }

    bool cancelled() const { return progress.cancelled; }
    void removeFiles() const
    {
        for (unsigned int s = 0; s < strips; ++s) {
            QFile::remove(stripPath(s));
            QFile::remove(facesUpPath(stripPath(s)));
        }
    }

    unsigned int threadsToRead = 1;

private:
    ProgressMonitor* dialog() const { return progress.dialog; }

    void reduceUpright(FacetReducer::Impl& reducer, ReductionProgress& p) const
    {
        reducer.keepOutline = true;
        reducer.keepFacesUp = true;
        reducer.threads = int(threadsToRead);
        if (!p.cancelled)
            reducer.reduce(target, maxCost, &p);
        reducer.keepFacesUp = false;
    }

    // Joins the strips as they are done, in order, then reduces them.
    void startUpright()
    {
        upright.reset(new FacetReducer::Impl);
        uprightThread = std::thread([this] {
            try {
                // While no strip has folded, the joined mesh would be the
                // plain one over again: it is made only once one has, and
                // else later in the plain one's memory, should that fold.
                for (bool folded = false, all = false; !folded && !uprightStop.load();) {
                    all = true;
                    for (unsigned int s = 0; s < strips; ++s) {
                        all = all && done[s].load();
                        folded = folded || (done[s].load() && parkedUp[s] >= 0);
                    }
                    if (all && !folded) {
                        uprightDeferred = true;
                        break;
                    }
                    if (!folded)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                // Strips are added in order, but read as soon as they are
                // done, while an earlier one is still being reduced.
                std::vector<std::unique_ptr<FacetReducer::Impl::Piece>> readAhead(strips);
                std::vector<bool> read(strips, false);
                auto readIn = [&](unsigned int t) {
                    readAhead[t] = readStrip(parkedUp[t] >= 0 ? facesUpPath(stripPath(t)) : stripPath(t));
                };
                auto readDone = [&](unsigned int t) {
                    read[t] = true;
                    readIn(t);
                };
                for (unsigned int s = 0; s < strips && !uprightDeferred; ++s) {
                    while (!done[s].load() && !uprightStop.load()) {
                        unsigned int t = s + 1;
                        while (t < strips && (read[t] || !done[t].load() || parked[t] < 0))
                            ++t;
                        if (t < strips)
                            readDone(t);
                        else
                            std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    }
                    if (uprightStop.load() || parked[s] < 0)
                        break;
                    // The strips done and not read yet are read side by side.
                    if (!read[s]) {
                        std::vector<std::thread> readers;
                        for (unsigned int t = s + 1; t < strips && readers.size() + 1 < threadsToRead; ++t) {
                            if (!read[t] && done[t].load() && parked[t] >= 0) {
                                read[t] = true;
                                readers.emplace_back([&readIn, t] {
                                    // Out of memory here leaves the strip
                                    // unread, which ends the join below.
                                    try {
                                        readIn(t);
                                    } catch (const std::bad_alloc&) {
                                    }
                                });
                            }
                        }
                        readDone(s);
                        for (std::thread& r : readers)
                            r.join();
                    }
                    const std::unique_ptr<FacetReducer::Impl::Piece> part = std::move(readAhead[s]);
                    if (!part)
                        break;
                    reserveForAll(*upright, part->facets, true);
                    upright->addPiece(*part, nullptr, 0);
                    uprightJoined = s + 1 == strips;
                }
                ReductionProgress quiet;
                quiet.stop = &uprightStop;
                if (uprightJoined && !uprightDeferred)
                    reduceUpright(*upright, quiet);
            } catch (const std::bad_alloc&) {
                uprightJoined = false;
            }
            uprightDone.store(true);
        });
    }

    // The strips by the number of grid points above zero in their rows,
    // most first; alike, in strip order.
    std::vector<unsigned int> heaviestFirst() const
    {
        const int width = relief.width();
        const float* heights = relief.heights();
        std::vector<long long> weight(strips, 0);
        for (unsigned int s = 0; s < strips; ++s) {
            const int firstRow = int(s * rows);
            const int endRow = s + 1 == strips ? relief.height() - 1 : firstRow + int(rows);
            for (int j = firstRow; j <= endRow && j < relief.height(); ++j) {
                const float* row = heights + size_t(j) * size_t(width);
                weight[s] += width - std::count(row, row + width, 0.0f);
            }
        }
        std::vector<unsigned int> order(strips);
        for (unsigned int s = 0; s < strips; ++s)
            order[s] = s;
        std::stable_sort(order.begin(), order.end(),
                         [&](unsigned int a, unsigned int b) { return weight[a] > weight[b]; });
        return order;
    }

    int reduce(FacetReducer::Impl& reducer, unsigned int s, ReductionProgress& p)
    {
        const int firstRow = int(s * rows);
        const int endRow = s + 1 == strips ? relief.height() - 1 : firstRow + int(rows);
        return reduceStrip(reducer, relief, firstRow, endRow, target / strips, maxCost, p, stripPath(s),
                           &parkedUp[s]);
    }

    int reduceOnce(FacetReducer::Impl& reducer, unsigned int s, ReductionProgress& p, bool keepUp)
    {
        const int firstRow = int(s * rows);
        const int endRow = s + 1 == strips ? relief.height() - 1 : firstRow + int(rows);
        return ::reduceOnce(reducer, relief, firstRow, endRow, target / strips, maxCost, p,
                            keepUp ? facesUpPath(stripPath(s)) : stripPath(s), keepUp);
    }

    // Room in a reducer joined strip by strip for all of them, guessed from
    // the strips done so far: grown strip by strip, it would be copied again
    // and again. upright: the strips as they are joined with every face up.
    void reserveForAll(FacetReducer::Impl& into, int more, bool upright) const
    {
        long long sum = 0;
        unsigned int count = 0;
        for (unsigned int s = 0; s < strips; ++s) {
            if (done[s].load() && parked[s] >= 0) {
                sum += upright && parkedUp[s] >= 0 ? parkedUp[s] : parked[s];
                ++count;
            }
        }
        const long long guess = count ? sum / count * strips * 5 / 4 : 0;
        const long long room = std::max<long long>(more, guess - into.faceCount());
        into.reserveFor(size_t(room), size_t(room) / 2, false);
        into.reserveFor(size_t(more), size_t(more) / 2);
    }

    // Adds the next strip's facets to the final reducer; false when its file
    // could not be read.
    bool joinNext(ReductionProgress* p, std::unique_ptr<FacetReducer::Impl::Piece> part = nullptr)
    {
        if (!part)
            part = prepared[joined] ? std::move(prepared[joined]) : readStrip(stripPath(joined));
        ++joined;
        if (!part)
            return false;
        if (!p)
            reserveForAll(final, part->facets, false);
        final.addPiece(*part, p, int(joinedFacets));
        joinedFacets += part->facets;
        return true;
    }

    const Relief& relief;
    const unsigned int rows;
    const unsigned int strips;
    const unsigned int target;
    const double maxCost;
    const QString folder;
    FacetReducer::Impl& final;
    ReductionProgress& progress;
    std::vector<int> parked;
    std::vector<int> parkedUp;  // strips parked once more with every face up; -2 where not
    std::vector<std::atomic<bool>> done;
    std::unique_ptr<FacetReducer::Impl> upright;
    std::thread uprightThread;
    std::atomic<bool> uprightStop{false};
    std::atomic<bool> uprightDone{false};
    bool uprightJoined = false;
    bool uprightDeferred = false;  // no strip folded: made later, when needed
    unsigned int joined = 0;
    long long joinedFacets = 0;
    // Strips done and read back ahead of their turn to be joined.
    std::vector<std::unique_ptr<FacetReducer::Impl::Piece>> prepared;
};

} // namespace

FacetShape FacetReducer::reduceRelief(const Relief& relief, ProgressMonitor* dialog, double tolerance,
                                      unsigned int targetFaces, bool* ok)
{
    if (ok)
        *ok = true;
    if (tolerance < 0)
        tolerance = 0.5 / 128;
    const unsigned int target = targetFaces ? targetFaces : 1;
    const double maxCost = tolerance * tolerance;
    const int width = relief.width();
    const int height = relief.height();
    if (width < 1 || height < 1)
        return FacetShape();

    // Strips of about ten square inches bound the reducer's memory.
    const unsigned int rows = (163840u + unsigned(width) - 1) / unsigned(width);
    const unsigned int strips = (rows + unsigned(height) - 1) / rows;

    QDir home(VekSettings::homeDir());
    const QString folderName = "tmp_" + QString::number(QCoreApplication::applicationPid(), 16);
    home.mkdir(folderName);

    d->clear();
    d->keepOutline = true;
    ReductionProgress progress;
    progress.dialog = dialog;
    if (dialog) {
        dialog->setMaximum(int(strips + 1) * 100);
        dialog->setValue(0);
    }

    // The strips are independent until they are joined; each is reduced
    // alike on whichever thread takes it, and joined in the same order.
    const unsigned int cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned int threads = threadCount > 0 ? unsigned(threadCount) : cores;
    ReliefExport work(relief, rows, strips, target, maxCost, home.filePath(folderName), *d, progress);
    work.threadsToRead = threads;
    bool parked = std::min(strips, threads) <= 1 ? work.reduceHere() : work.reduceOnWorkers(std::min(strips, threads));
    if (parked && !work.cancelled())
        parked = work.join();

    // The joined mesh likewise: when its plain reduction turns a face over,
    // the one reduced refusing every collapse that does takes its place.
    if (parked && !work.cancelled()) {
        progress.phase = ReductionProgress::Reducing;
        progress.start = progress.current = d->faceCount();
        progress.end = int(target);
        d->threads = int(threads);
        d->reduce(target, maxCost, &progress);
        if (!progress.cancelled && d->hasFoldedFace()) {
            progress.hold = true;
            d = work.takeUpright(std::move(d));
            parked = d != nullptr;
            if (!d)
                d.reset(new Impl);
        }
    }
    work.stopUpright();
    d->keepOutline = false;
    d->keepFacesUp = false;
    d->threads = 1;
    progress.hold = false;
    work.removeFiles();
    home.rmdir(folderName);

    if (!parked && ok)
        *ok = false;
    if (work.cancelled() || !parked) {
        d->clear();
        return FacetShape();
    }
    d->keepOnlyFaces();
    FacetShape result = d->toFacetShape();

    progress.phase = ReductionProgress::Triangulating;
    progress.strip = int(strips + 1);
    progress.start = 0;
    progress.end = 1;
    progress.update();

    d->clear();
    result.center();
    return result;
}
