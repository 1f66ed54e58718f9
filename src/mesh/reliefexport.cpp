#include "mesh/facetreducer.h"
#include "mesh/facetreducerimpl.h"

#include "base/veksettings.h"
#include "mesh/reductionprogress.h"
#include "mesh/stlfilereader.h"
#include "mesh/stlfilewriter.h"
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
#include <thread>
#include <vector>

using VekMath::Vector3d;

namespace {

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// One strip's rows of cells, triangulated straight into the reducer (in the
// order a shape of them would give; each grid point becomes a vertex when a
// triangle first uses it), reduced and parked in its file. The number of
// facets parked, or -1 when the file could not be written.
int reduceStrip(FacetReducer::Impl& reducer, const Relief& relief, int firstRow, int endRow,
                unsigned int target, double maxCost, ReductionProgress& progress, const QString& path)
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
    progress.phase = ReductionProgress::Building;
    progress.start = 0;
    progress.end = progress.current = added;
    progress.update();

    progress.phase = ReductionProgress::Reducing;
    progress.start = progress.current = reducer.faceCount();
    progress.end = int(target);
    reducer.reduce(target, maxCost, &progress);

    // A strip that cannot be parked would leave a hole in the mesh.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    const FacetShape shape = reducer.toFacetShape();
    QDataStream out(&file);
    if (!writeFacetShapeStl(out, shape, file.fileName()) || !file.flush())
        return -1;
    return shape.facetCount();
}

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
    auto stripRows = [&](unsigned int s, int* firstRow, int* endRow) {
        *firstRow = int(s * rows);
        *endRow = s + 1 == strips ? height - 1 : *firstRow + int(rows);
    };

    QDir home(VekSettings::homeDir());
    const QString folderName = "tmp_" + QString::number(QCoreApplication::applicationPid(), 16);
    home.mkdir(folderName);
    const QString folder = home.filePath(folderName);
    auto stripPath = [&](unsigned int s) {
        return QDir::toNativeSeparators(folder) + QDir::separator() + "stltmp" + QString::number(s);
    };

    d->heightField = true;
    ReductionProgress progress;
    progress.dialog = dialog;
    if (dialog) {
        dialog->setMaximum(int(strips + 1) * 100);
        dialog->setValue(0);
    }

    // The strips are independent until they are joined; each is reduced
    // alike on whichever thread takes it.
    const unsigned int cores = std::max(1u, std::thread::hardware_concurrency());
    const unsigned int threads = std::min(strips, threadCount > 0 ? unsigned(threadCount) : cores);
    std::vector<int> parked(strips, -1);
    bool failed = false;
    if (threads <= 1) {
        for (unsigned int s = 0; s < strips && !failed; ++s) {
            if (progress.cancelled)
                break;
            int firstRow, endRow;
            stripRows(s, &firstRow, &endRow);
            progress.strip = int(s);
            parked[s] = reduceStrip(*d, relief, firstRow, endRow, target / strips, maxCost, progress, stripPath(s));
            failed = parked[s] < 0;

            progress.phase = ReductionProgress::Triangulating;
            progress.strip = int(s + 1);
            progress.start = 0;
            progress.end = 1;
            progress.current = 0;
            progress.update();
        }
    } else {
        // Workers take the strips in order; this thread shows the progress
        // of the first strip not yet done and passes a cancel on.
        std::atomic<bool> stop{false};
        std::atomic<unsigned int> next{0};
        std::vector<std::atomic<int>> values(strips);
        std::vector<std::atomic<bool>> done(strips);
        for (unsigned int s = 0; s < strips; ++s) {
            values[s].store(int(s) * 100);
            done[s].store(false);
        }
        std::mutex mutex;
        std::condition_variable changed;
        unsigned int running = threads;
        std::vector<std::thread> workers;
        for (unsigned int t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                std::unique_ptr<Impl> own;
                Impl* reducer = d.get();
                if (t > 0) {
                    own.reset(new Impl);
                    own->heightField = true;
                    reducer = own.get();
                }
                for (;;) {
                    const unsigned int s = next.fetch_add(1);
                    if (s >= strips || stop.load())
                        break;
                    int firstRow, endRow;
                    stripRows(s, &firstRow, &endRow);
                    ReductionProgress mine;
                    mine.strip = int(s);
                    mine.stop = &stop;
                    mine.shownValue = &values[s];
                    parked[s] = reduceStrip(*reducer, relief, firstRow, endRow, target / strips, maxCost, mine,
                                            stripPath(s));
                    // A strip that could not be parked ends the export.
                    if (parked[s] < 0)
                        stop.store(true);
                    std::lock_guard<std::mutex> lock(mutex);
                    done[s].store(true);
                    changed.notify_one();
                }
                reducer->clear();
                std::lock_guard<std::mutex> lock(mutex);
                --running;
                changed.notify_one();
            });
        }
        unsigned int first = 0;
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            while (first < strips && done[first].load())
                ++first;
            if (dialog && !progress.cancelled) {
                lock.unlock();
                progress.show(first < strips ? values[first].load(std::memory_order_relaxed) : int(first) * 100);
                if (progress.cancelled)
                    stop.store(true);
                lock.lock();
            }
            changed.wait_for(lock, std::chrono::milliseconds(20));
        }
        lock.unlock();
        for (std::thread& w : workers)
            w.join();
        for (unsigned int s = 0; s < strips && !progress.cancelled; ++s)
            failed = failed || parked[s] < 0;
        if (!progress.cancelled && !failed)
            progress.show(int(strips) * 100);
    }
    d->clear();

    // The parked strips go straight into the reducer, one after another in
    // the order of their facets.
    if (!progress.cancelled && !failed) {
        long long total = 0;
        for (unsigned int s = 0; s < strips; ++s)
            total += std::max(0, parked[s]);
        progress.phase = ReductionProgress::Building;
        progress.strip = int(strips);
        progress.start = 0;
        progress.end = int(std::min<long long>(total, FacetShape::MaxFacets));
        failed = total > FacetShape::MaxFacets;
        d->reserveFor(size_t(total), size_t(total) / 2);
        int base = 0;
        for (unsigned int s = 0; s < strips && !failed; ++s) {
            QFile file(stripPath(s));
            std::unique_ptr<FacetShape> part;
            if (file.open(QIODevice::ReadOnly)) {
                QDataStream in(&file);
                StlFileReader reader(&in);
                part.reset(readStl(reader));
            }
            failed = !part;
            if (part) {
                d->addFacets(part->facets().constData(), part->facetCount(), &progress, base);
                base += part->facetCount();
            }
        }
    }
    for (unsigned int s = 0; s < strips; ++s)
        QFile::remove(stripPath(s));
    home.rmdir(folderName);

    if (failed && ok)
        *ok = false;
    if (progress.cancelled || failed) {
        d->clear();
        return FacetShape();
    }

    progress.phase = ReductionProgress::Reducing;
    progress.start = progress.current = d->faceCount();
    progress.end = int(target);
    d->reduce(target, maxCost, &progress);
    if (progress.cancelled) {
        d->clear();
        return FacetShape();
    }
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
