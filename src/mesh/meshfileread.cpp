#include "mesh/meshfileread.h"

#include "mesh/facetshape.h"
#include "mesh/objfilereader.h"
#include "mesh/stlfilereader.h"
#include "mesh/threadstart.h"
#include "mesh/watchedfile.h"
#include "relief/progressmonitor.h"

#include <QDataStream>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace {

// How long the work runs unseen before its progress shows.
const std::chrono::milliseconds Moment(250);
const int Steps = 1000;

FacetShape* readMesh(WatchedFile& file, MeshFileRead::Format format, const std::atomic<bool>& stop)
{
    if (format == MeshFileRead::Stl) {
        QDataStream stream(&file);
        StlFileReader reader(&stream);
        return readStl(reader);
    }
    QTextStream stream(&file);
    return ObjFileReader(&stream, &stop).read();
}

} // namespace

MeshFileRead::Outcome MeshFileRead::read(const QString& path, Format format, ProgressMonitor* progress,
                                         const Prepare& prepare, std::unique_ptr<FacetShape>& mesh)
{
    mesh.reset();
    WatchedFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return OpenFailed;
    // Asked here only: the worker owns the file while it reads.
    const qint64 size = file.size();

    // Set when the read is given up, before the file stops, so that the
    // reader does not take the stopped file for its end.
    std::atomic<bool> stop{false};
    const auto halt = [&] {
        stop.store(true);
        file.stop();
    };
    std::unique_ptr<FacetShape> result;
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    auto work = [&] {
        std::unique_ptr<FacetShape> shape;
        try {
            shape.reset(readMesh(file, format, stop));
            if (shape && prepare && !stop.load())
                prepare(*shape, stop);
        } catch (const std::bad_alloc&) {
            shape.reset();
        }
        std::lock_guard<std::mutex> lock(mutex);
        result = std::move(shape);
        finished = true;
        changed.notify_all();
    };

    bool cancelled = false;
    // Shows the progress once the work has lasted a moment and takes in a
    // cancel, until the worker is done.
    const auto watch = [&] {
        const auto start = std::chrono::steady_clock::now();
        bool shown = false;
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished) {
            changed.wait_for(lock, std::chrono::milliseconds(20));
            if (finished || std::chrono::steady_clock::now() - start < Moment)
                continue;
            lock.unlock();
            if (!shown) {
                // Shown to the end: once it hid, events would reach the
                // window while the mesh is still being prepared.
                progress->setAutoClose(false);
                progress->setMaximum(size > 0 ? Steps : 0);
                progress->show();
                shown = true;
            }
            if (size > 0)
                progress->setValue(int(std::min<qint64>(Steps - 1, file.reached() * Steps / size)));
            progress->processEvents();
            if (!cancelled && progress->wasCanceled()) {
                cancelled = true;
                halt();
            }
            lock.lock();
        }
    };

    bool watchFailed = false;
    std::vector<std::thread> worker;
    if (!progress || !startThread(worker, work)) {
        work();
    } else {
        try {
            watch();
        } catch (const std::bad_alloc&) {
            // The monitor found no memory, for its window most likely: the
            // worker is stopped as a cancel stops it, and the read fails.
            watchFailed = true;
            halt();
        }
        worker.front().join();
    }
    if (cancelled)
        return Cancelled;
    if (watchFailed || !result)
        return Failed;
    mesh = std::move(result);
    return Read;
}
