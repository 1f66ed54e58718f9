#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class FacetShape;
class ProgressMonitor;

// Reads an OBJ or STL file on a worker thread while the calling thread
// watches the monitor: once the work has lasted a moment its progress shows
// there and events go through, and a cancel stops the reader.
class MeshFileRead
{
public:
    enum Format { Obj, Stl };
    enum Outcome { Read, OpenFailed, Failed, Cancelled };
    // Runs on the worker once the mesh is read, to make what showing it
    // takes; a std::bad_alloc from it fails the read. Once stop is set the
    // read is given up: the work may end early, and what it made is dropped.
    using Prepare = std::function<void(const FacetShape&, const std::atomic<bool>& stop)>;

    // The mesh read is put into mesh only with the outcome Read. Without a
    // monitor, or when no thread can be started, the work runs on the
    // calling thread. A std::bad_alloc from the monitor stops the worker as
    // a cancel does, and the read fails.
    static Outcome read(const QString& path, Format format, ProgressMonitor* progress, const Prepare& prepare,
                        std::unique_ptr<FacetShape>& mesh);
};
