#include "mesh/facetreducer.h"
#include "mesh/facetreducerimpl.h"

#include "base/veksettings.h"
#include "mesh/memorylimit.h"
#include "mesh/reductionprogress.h"
#include "mesh/stlfilereader.h"
#include "mesh/stlfilewriter.h"
#include "mesh/stripschedule.h"
#include "mesh/threadstart.h"
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

// The memory the export plans with, in bytes of address space. A reducer
// at its peak, with its room for collapses and the sorts' working space,
// measured at about 360 bytes for each facet it was filled with.
long long reducerBytes(long long facets)
{
    return facets * 450;
}
// A strip read back and made ready to be joined, and the shape it is read
// into on the way.
long long pieceBytes(long long facets)
{
    return facets * 200;
}
// What a thread costs besides its work: its stack and the allocator's
// arena of its own.
const long long ThreadBytes = 72LL << 20;

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// After the strips the bar moves as far again through the stages that end
// the export, each over its share of that stretch, in hundredths.
enum Stage { ReadingBack, Populating, Joining, ReducingJoined, JoiningUpright, ReducingUpright, Shaping };
const int StageEnd[] = {25, 50, 65, 75, 80, 90, 100};

// Sets the progress to show the stage as its counters go from start to end.
void enterStage(ReductionProgress& progress, unsigned int strips, Stage stage, int start, int end)
{
    const int stretch = int(strips) * 100;
    progress.phase = ReductionProgress::Finishing;
    progress.from = stretch + (stage == ReadingBack ? 0 : stretch * StageEnd[stage - 1] / 100);
    progress.to = stretch + stretch * StageEnd[stage] / 100;
    progress.start = progress.current = start;
    progress.end = end;
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
          folder(std::move(folder)), final(&final), progress(progress), parked(strips, -1), parkedUp(strips, -2),
          done(strips), pieces(strips), piecesUp(strips), tried(strips), triedUp(strips)
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
        // The bar counts the strips done, a strip done first included.
        int shownDone = int(std::count_if(done.begin(), done.end(), [](const std::atomic<bool>& d) { return d.load(); }));
        for (unsigned int s = 0; s < strips; ++s) {
            if (done[s].load()) {
                if (parked[s] < 0)
                    return false;
                continue;
            }
            if (progress.cancelled)
                return true;
            progress.strip = shownDone;
            parked[s] = reduce(*final, s, progress);
            if (parked[s] < 0)
                return false;
            done[s].store(true);
            progress.phase = ReductionProgress::Triangulating;
            progress.strip = ++shownDone;
            progress.start = 0;
            progress.end = 1;
            progress.current = 0;
            progress.update();
        }
        final->clear();
        inTurn = true;
        planJoins();
        return true;
    }

    // Of so many workers, as many as have room for a strip each beside
    // what this process holds already; at least one.
    unsigned int workersThatFit(unsigned int workers) const
    {
        const long long fit = MemoryLimit::room() / workerBytes();
        return unsigned(std::max(1LL, std::min<long long>(workers, fit)));
    }

    // Under an address-space limit every thread started keeps its stack and
    // its allocator's arena reserved to the end, out of the joined meshes'
    // reach: the heaviest strip is reduced here first, and its facets for
    // its grid points tell how large the joined mesh will grow, and so
    // how many workers leave room for it. At least one.
    unsigned int workersAfterFirstStrip(unsigned int workers)
    {
        const std::vector<long long> weights = stripWeights();
        const unsigned int s = unsigned(std::max_element(weights.begin(), weights.end()) - weights.begin());
        progress.strip = 0;
        parked[s] = reduce(*final, s, progress);
        done[s].store(true);
        if (parked[s] < 0 || progress.cancelled || weights[s] == 0)
            return 1;
        long long points = 0;
        for (long long w : weights)
            points += w;
        // A quarter more for strips that reduce less well.
        const double perPoint = double(std::max(parked[s], parkedUp[s])) / double(weights[s]) * 1.25;
        const long long room = MemoryLimit::room();
        const long long forThreads = room - reducerBytes((long long)(perPoint * double(points)));
        return unsigned(std::max(1LL, std::min({(long long)workers, room / workerBytes(), forThreads / ThreadBytes})));
    }

    // On worker threads; this thread shows the work done over all strips,
    // passes a cancel on and reads back the strips done so far while the
    // others are still at work, made ready to be joined. Joining them waits
    // until the workers are done: the joined meshes are large.
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
        StripSchedule schedule(stripWeights());
        for (unsigned int s = 0; s < strips; ++s)
            if (done[s].load())
                schedule.doneElsewhere(s);
        const auto start = std::chrono::steady_clock::now();
        auto now = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
        std::mutex mutex;
        std::condition_variable changed;
        // Set when a worker ran out of memory: the strips not done whole
        // are then reduced here once the others have stopped.
        std::atomic<bool> starved{false};
        std::vector<std::atomic<bool>> cut(strips);
        unsigned int running = 0;
        std::vector<std::thread> workers;
        // The workers wait for this lock before they take a strip; one
        // that cannot be started leaves the strips to fewer.
        std::unique_lock<std::mutex> lock(mutex);
        for (unsigned int t = 0; t < threads; ++t) {
            const bool started = startThread(workers, [&] {
                std::unique_ptr<FacetReducer::Impl> reducer;
                std::unique_lock<std::mutex> lock(mutex);
                for (;;) {
                    const StripSchedule::Task task = schedule.take(stop.load(), now());
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
                    // Nothing thrown on a worker may end the program: it
                    // stops the workers, and this thread does the rest.
                    try {
                        if (!reducer) {
                            reducer.reset(new FacetReducer::Impl);
                            reducer->keepOutline = true;
                        }
                        count = reduceOnce(*reducer, s, mine, keepUp);
                        folded = !keepUp && count >= 0 && !mine.cancelled && reducer->hasFoldedFace();
                        if (!keepUp && mine.cancelled)
                            cut[s].store(true);
                    } catch (...) {
                        reducer.reset();
                        starved.store(true);
                        cut[s].store(true);
                    }
                    lock.lock();
                    const StripSchedule::Outcome outcome = keepUp ? schedule.uprightDone(s, count, mine.cancelled)
                                                                  : schedule.plainDone(s, count, folded, now());
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
            if (!started)
                break;
            ++running;
        }
        if (running == 0) {
            lock.unlock();
            return reduceHere();
        }
        // The workers take the heaviest strips first, in any order: the bar
        // adds up every strip's share, and never goes back.
        int shownSoFar = 0;
        auto workDone = [&] {
            int sum = 0;
            for (unsigned int s = 0; s < strips; ++s)
                sum += done[s].load() ? 100
                                      : std::max(0, std::min(99, values[s].load(std::memory_order_relaxed) - int(s) * 100));
            return sum;
        };
        while (running > 0) {
            lock.unlock();
            if (dialog() && !progress.cancelled) {
                shownSoFar = std::max(shownSoFar, workDone());
                progress.show(shownSoFar);
                if (progress.cancelled)
                    stopAll();
            }
            bool readOne = false;
            if (!stop.load() && MemoryLimit::room() > workerBytes() * (long long)(workers.size())) {
                try {
                    readOne = readAheadOne();
                } catch (...) {
                }
            }
            lock.lock();
            if (!readOne)
                changed.wait_for(lock, std::chrono::milliseconds(20));
        }
        lock.unlock();
        for (std::thread& w : workers)
            w.join();
        if (progress.cancelled)
            return true;
        if (starved.load()) {
            // As on one thread, in the memory the workers gave back.
            dropPieces();
            inTurn = true;
            for (unsigned int s = 0; s < strips; ++s) {
                if (done[s].load() && parked[s] >= 0 && !cut[s].load() && parkedUp[s] != -1)
                    continue;
                if (progress.cancelled)
                    return true;
                progress.strip = int(s);
                progress.hold = true;
                parked[s] = reduce(*final, s, progress);
                progress.hold = false;
                if (parked[s] < 0)
                    return false;
                done[s].store(true);
            }
            final->clear();
        }
        for (unsigned int s = 0; s < strips; ++s)
            if (!done[s].load() || parked[s] < 0)
                return false;
        progress.show(int(strips) * 100);
        planJoins();
        if (inTurn)
            return true;
        // Those not read yet are read side by side; both joins start at once.
        if (!readTheRest())
            return progress.cancelled;
        if (folds())
            startUpright();
        return true;
    }

    // Whether both joined meshes fit side by side, with the strips still to
    // be read; else they are made one after the other, each strip read back
    // as it is joined, as on one thread. Then as many threads to help with
    // them as leave them room.
    void planJoins()
    {
        long long plain = 0, up = 0, unread = 0;
        for (unsigned int s = 0; s < strips; ++s) {
            plain += std::max(0, parked[s]);
            up += std::max(0, parkedUp[s] >= 0 ? parkedUp[s] : parked[s]);
            unread += pieces[s] ? 0 : std::max(0, parked[s]);
            unread += parkedUp[s] >= 0 && !piecesUp[s] ? parkedUp[s] : 0;
        }
        long long need = inTurn ? 0
                                : reducerBytes(plain) + pieceBytes(unread) + (folds() ? reducerBytes(up) + ThreadBytes : 0);
        if (inTurn || need > MemoryLimit::room()) {
            inTurn = true;
            dropPieces();
            need = reducerBytes(std::max(plain, up));
        }
        // Under an address-space limit a thread's stack and arena stay
        // reserved once it has run.
        if (MemoryLimit::addressSpaceLimited()) {
            const long long spare = (MemoryLimit::room() - need) / ThreadBytes;
            threadsToRead = unsigned(std::max(1LL, std::min<long long>(threadsToRead, 1 + spare)));
        }
    }

    // The strips read back so far given back, to be read again one by one.
    void dropPieces()
    {
        for (unsigned int s = 0; s < strips; ++s) {
            pieces[s].reset();
            piecesUp[s].reset();
        }
    }

    // Once both joined meshes at once did not fit after all, or after a
    // worker ran out of memory: the joins from here on are made one after
    // the other into the reducer given, which the one before has left.
    void joinInTurn(FacetReducer::Impl& into)
    {
        stopUpright();
        inTurn = true;
        final = &into;
        planJoins();
    }

    // The parked strips joined in order, with their share of the progress;
    // false when a file could not be read.
    bool join()
    {
        long long total = 0;
        for (unsigned int s = 0; s < strips; ++s)
            total += std::max(0, parked[s]);
        if (total > FacetShape::MaxFacets)
            return false;
        enterStage(progress, strips, Populating, 0, 1);
        final->reserveFor(size_t(total), size_t(total) / 2);
        final->populateFor(size_t(total), int(threadsToRead), &progress);
        enterStage(progress, strips, Joining, 0, int(total));
        long long joined = 0;
        for (unsigned int s = 0; s < strips; ++s) {
            if (progress.cancelled)
                return true;
            // Read back only now when there were no workers to read it.
            const std::shared_ptr<const FacetReducer::Impl::Piece> piece =
                pieces[s] ? std::move(pieces[s]) : readStrip(stripPath(s));
            if (!piece)
                return false;
            final->addPiece(*piece, &progress, int(joined));
            joined += piece->facets;
        }
        return true;
    }

    // Every strip into an empty reducer, those parked twice as they were
    // with every face kept up; false when a file could not be read.
    bool joinUprightInto(FacetReducer::Impl& into)
    {
        enterStage(progress, strips, JoiningUpright, 0, int(strips));
        long long total = 0;
        for (unsigned int s = 0; s < strips; ++s)
            total += std::max(0, parkedUp[s] >= 0 ? parkedUp[s] : parked[s]);
        if (total > FacetShape::MaxFacets)
            return false;
        into.reserveFor(size_t(total), size_t(total) / 2);
        for (unsigned int s = 0; s < strips; ++s) {
            if (progress.cancelled)
                return true;
            const std::unique_ptr<FacetReducer::Impl::Piece> piece =
                readStrip(parkedUp[s] >= 0 ? facesUpPath(stripPath(s)) : stripPath(s));
            if (!piece)
                return false;
            into.addPiece(*piece, nullptr, 0);
            progress.current = int(s) + 1;
            progress.update();
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
                progress.show(uprightValue.load());
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            uprightStop.store(progress.cancelled);
            uprightThread.join();
            if (uprightJoined || progress.cancelled) {
                spare.reset();
                return uprightJoined ? std::move(upright) : nullptr;
            }
            // It ran out of memory beside the plain one: made now, in the
            // plain one's memory.
            upright.reset();
        }
        spare->clear();
        if (!joinUprightInto(*spare))
            return nullptr;
        enterStage(progress, strips, ReducingUpright, spare->faceCount(), int(target));
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
    // The joined meshes made one after the other, as on one thread.
    bool inTurn = false;

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

    // The strips joined with every face kept up where a strip was reduced
    // so, and reduced refusing every collapse that turns a face over, beside
    // the plain ones: as soon as a strip has folded the joined plain mesh
    // will most likely fold too.
    void startUpright()
    {
        std::vector<std::shared_ptr<const FacetReducer::Impl::Piece>> mine(strips);
        long long total = 0;
        for (unsigned int s = 0; s < strips; ++s) {
            mine[s] = parkedUp[s] >= 0 ? std::move(piecesUp[s]) : pieces[s];
            total += mine[s]->facets;
        }
        upright.reset(new FacetReducer::Impl);
        std::vector<std::thread> started;
        const bool ok = startThread(started, [this, total, mine = std::move(mine)]() mutable {
            try {
                ReductionProgress quiet;
                quiet.stop = &uprightStop;
                upright->reserveFor(size_t(total), size_t(total) / 2);
                upright->populateFor(size_t(total), int(threadsToRead), &quiet);
                for (unsigned int s = 0; s < strips && !uprightStop.load(); ++s) {
                    upright->addPiece(*mine[s], nullptr, 0);
                    mine[s].reset();
                    uprightJoined = s + 1 == strips;
                }
                quiet.shownValue = &uprightValue;
                enterStage(quiet, strips, ReducingUpright, upright->faceCount(), int(target));
                if (uprightJoined)
                    reduceUpright(*upright, quiet);
            } catch (...) {
                uprightJoined = false;
            }
            uprightDone.store(true);
        });
        // Without a thread for it, it is made once the plain one is done.
        if (ok)
            uprightThread = std::move(started.front());
        else
            upright.reset();
    }

    bool folds() const
    {
        return std::any_of(parkedUp.begin(), parkedUp.end(), [](int n) { return n >= 0; });
    }

    // A worker's strip reducer at its largest, and its thread.
    long long workerBytes() const
    {
        return reducerBytes(2LL * rows * relief.width()) + ThreadBytes;
    }

    // Reads back and makes ready one strip done and not read yet, plainly
    // parked or with every face up; false when there was none.
    bool readAheadOne()
    {
        for (unsigned int s = 0; s < strips; ++s) {
            if (!done[s].load() || parked[s] < 0)
                continue;
            if (!pieces[s] && !tried[s]) {
                tried[s] = true;
                pieces[s] = readStrip(stripPath(s));
                return true;
            }
            if (parkedUp[s] >= 0 && !piecesUp[s] && !triedUp[s]) {
                triedUp[s] = true;
                piecesUp[s] = readStrip(facesUpPath(stripPath(s)));
                return true;
            }
        }
        return false;
    }

    // Every strip not read back yet, side by side; false when one could not
    // be read.
    bool readTheRest()
    {
        std::vector<std::pair<unsigned int, bool>> left;
        for (unsigned int s = 0; s < strips; ++s) {
            if (!pieces[s])
                left.emplace_back(s, false);
            if (parkedUp[s] >= 0 && !piecesUp[s])
                left.emplace_back(s, true);
        }
        enterStage(progress, strips, ReadingBack, 0, int(left.size()));
        std::atomic<size_t> next{0};
        std::atomic<int> read{0};
        // This thread shows the strips read and takes in a cancel, which
        // leaves the rest unread.
        std::atomic<bool> stop{false};
        auto readSome = [&](bool here) {
            // Out of memory here leaves a strip unread, which fails below.
            try {
                for (size_t i; !stop.load() && (i = next.fetch_add(1)) < left.size();) {
                    const unsigned int s = left[i].first;
                    if (left[i].second)
                        piecesUp[s] = readStrip(facesUpPath(stripPath(s)));
                    else
                        pieces[s] = readStrip(stripPath(s));
                    ++read;
                    if (here) {
                        progress.current = read.load();
                        progress.update();
                        stop.store(progress.cancelled);
                    }
                }
            } catch (...) {
            }
        };
        std::atomic<int> reading{0};
        std::vector<std::thread> readers;
        for (unsigned int t = 1; t < std::min<size_t>(threadsToRead, left.size()); ++t) {
            ++reading;
            if (!startThread(readers, [&] {
                    readSome(false);
                    --reading;
                })) {
                --reading;
                break;
            }
        }
        readSome(true);
        // The last strips, read by the others.
        while (reading.load() > 0) {
            progress.current = read.load();
            progress.show(progress.value());
            stop.store(progress.cancelled);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (std::thread& r : readers)
            r.join();
        for (unsigned int s = 0; s < strips; ++s)
            if (!pieces[s] || (parkedUp[s] >= 0 && !piecesUp[s]))
                return false;
        return true;
    }

    // A strip's cells lie in rows [firstRowOf, endRowOf); the last strip
    // takes the rows left.
    int firstRowOf(unsigned int s) const { return int(s * rows); }
    int endRowOf(unsigned int s) const { return s + 1 == strips ? relief.height() - 1 : firstRowOf(s) + int(rows); }

    // Each strip's grid points above zero.
    std::vector<long long> stripWeights() const
    {
        const int width = relief.width();
        const float* heights = relief.heights();
        std::vector<long long> weight(strips, 0);
        for (unsigned int s = 0; s < strips; ++s) {
            const int firstRow = firstRowOf(s), endRow = endRowOf(s);
            for (int j = firstRow; j <= endRow && j < relief.height(); ++j) {
                const float* row = heights + size_t(j) * size_t(width);
                weight[s] += width - std::count(row, row + width, 0.0f);
            }
        }
        return weight;
    }

    int reduce(FacetReducer::Impl& reducer, unsigned int s, ReductionProgress& p)
    {
        return reduceStrip(reducer, relief, firstRowOf(s), endRowOf(s), target / strips, maxCost, p, stripPath(s),
                           &parkedUp[s]);
    }

    int reduceOnce(FacetReducer::Impl& reducer, unsigned int s, ReductionProgress& p, bool keepUp)
    {
        return ::reduceOnce(reducer, relief, firstRowOf(s), endRowOf(s), target / strips, maxCost, p,
                            keepUp ? facesUpPath(stripPath(s)) : stripPath(s), keepUp);
    }

    const Relief& relief;
    const unsigned int rows;
    const unsigned int strips;
    const unsigned int target;
    const double maxCost;
    const QString folder;
    FacetReducer::Impl* final;
    ReductionProgress& progress;
    std::vector<int> parked;
    std::vector<int> parkedUp;  // strips parked once more with every face up; -2 where not
    std::vector<std::atomic<bool>> done;
    std::unique_ptr<FacetReducer::Impl> upright;
    std::thread uprightThread;
    std::atomic<bool> uprightStop{false};
    std::atomic<bool> uprightDone{false};
    // The value the upright reduction beside the plain one would show.
    std::atomic<int> uprightValue{0};
    bool uprightJoined = false;
    // Strips read back and made ready to be joined, plainly parked and with
    // every face up; only with workers, which leave this thread the time.
    std::vector<std::shared_ptr<const FacetReducer::Impl::Piece>> pieces;
    std::vector<std::shared_ptr<const FacetReducer::Impl::Piece>> piecesUp;
    std::vector<bool> tried;
    std::vector<bool> triedUp;
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
        dialog->setMaximum(int(strips) * 200);
        dialog->setValue(0);
    }

    // The strips are independent until they are joined; each is reduced
    // alike on whichever thread takes it, and joined in the same order.
    const unsigned int cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned int threads = threadCount > 0 ? unsigned(threadCount) : cores;
    ReliefExport work(relief, rows, strips, target, maxCost, home.filePath(folderName), *d, progress);
    work.threadsToRead = threads;

    // The joined mesh likewise: when its plain reduction turns a face over,
    // the one reduced refusing every collapse that does takes its place.
    auto joinAndReduce = [&] {
        if (!work.join())
            return false;
        if (work.cancelled())
            return true;
        enterStage(progress, strips, ReducingJoined, d->faceCount(), int(target));
        d->threads = int(work.threadsToRead);
        d->reduce(target, maxCost, &progress);
        if (!progress.cancelled && d->hasFoldedFace()) {
            d = work.takeUpright(std::move(d));
            if (!d)
                return false;
        }
        return true;
    };
    // Workers only as many as there is memory for; the result is the same.
    bool parked = false;
    try {
        unsigned int workers = std::min(strips, threads) <= 1 ? 1 : work.workersThatFit(std::min(strips, threads));
        if (workers > 1 && MemoryLimit::addressSpaceLimited())
            workers = work.workersAfterFirstStrip(workers);
        parked = workers <= 1 ? work.reduceHere() : work.reduceOnWorkers(workers);
        if (parked && !work.cancelled()) {
            try {
                parked = joinAndReduce();
            } catch (const std::bad_alloc&) {
                if (work.inTurn)
                    throw;
                // The joined meshes side by side did not fit after all.
                if (d)
                    *d = Impl();
                else
                    d.reset(new Impl);
                d->keepOutline = true;
                work.joinInTurn(*d);
                progress.hold = true;
                parked = joinAndReduce();
            }
        }
    } catch (const std::exception&) {
        // Out of memory even one strip and one joined mesh at a time: the
        // export fails, the program goes on.
        parked = false;
    }
    if (!d)
        d.reset(new Impl);
    work.stopUpright();
    d->keepOutline = false;
    d->keepFacesUp = false;
    d->threads = 1;
    progress.hold = false;
    work.removeFiles();
    home.rmdir(folderName);

    if (!parked && ok)
        *ok = false;
    if (parked && !work.cancelled()) {
        enterStage(progress, strips, Shaping, 0, 2);
        progress.update();
    }
    if (work.cancelled() || !parked) {
        d->clear();
        return FacetShape();
    }
    d->keepOnlyFaces();
    FacetShape result = d->toFacetShape();
    progress.current = 1;
    progress.update();
    d->clear();
    result.center();
    progress.current = 2;
    progress.update();
    if (progress.cancelled)
        return FacetShape();
    return result;
}
