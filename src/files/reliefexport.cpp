#include "files/reliefexport.h"

#include "files/regularsavefile.h"
#include "mesh/facetreducer.h"
#include "mesh/facetshape.h"
#include "mesh/objfilewriter.h"
#include "mesh/stlfilewriter.h"
#include "relief/progressmonitor.h"
#include "relief/relief.h"

#include <QDataStream>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Each coordinate is a height / 128 times the Z scale, written as a float at
// least in STL: a height or Z scale that makes one not a finite number fails
// the export rather than reaching the file.
bool coordinatesFinite(const Relief& relief)
{
    const float* h = relief.heights();
    float highest = 0.0f;
    for (size_t i = 0, n = relief.cellCount(); i < n; ++i) {
        if (!std::isfinite(h[i]))
            return false;
        highest = std::max(highest, std::fabs(h[i]));
    }
    return std::isfinite(float(double(highest) / 128.0 * std::fabs(relief.zScale())));
}

// Facets (in an OBJ of the grid, vertices and faces) written between the
// times the file is taken to the disk.
const int SyncEvery = 1 << 18;

// The bar's steps when the writing has all of it.
const int WritingSteps = 1000;

// Takes the file to the disk as it is written: each call starts the disk on
// what was written since the last and waits for what it was started on
// then, so the disk works while the writing goes on, the bar does not run
// ahead of the disk and saving finds little left to wait for.
class DiskFollower
{
public:
    explicit DiskFollower(QFileDevice& file) : file(file) {}

    void follow()
    {
        file.flush();
#if defined(Q_OS_LINUX)
        const qint64 end = file.pos();
        ::sync_file_range(file.handle(), started, end - started, SYNC_FILE_RANGE_WRITE);
        if (started > 0)
            ::sync_file_range(file.handle(), 0, started,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        started = end;
#elif defined(Q_OS_UNIX)
        ::fdatasync(file.handle());
#endif
    }

private:
    QFileDevice& file;
    qint64 started = 0;
};

// Hands a reduction all of the bar but the last part, which the writing
// moves through; without one the writing has all of it. The bar reaches its
// end only once the file is written.
class ExportBar : public ProgressMonitor
{
public:
    explicit ExportBar(ProgressMonitor& bar) : bar(bar) {}

    void setMaximum(int maximum) override
    {
        reduction = maximum;
        total = maximum + std::max(1, maximum / 8);
        bar.setMaximum(total);
    }
    void setValue(int value) override { bar.setValue(value); }
    int value() const override { return bar.value(); }
    void setAutoClose(bool close) override { bar.setAutoClose(close); }
    void show() override { bar.show(); }
    void processEvents() override { bar.processEvents(); }
    bool wasCanceled() const override { return bar.wasCanceled(); }

    // For writing with no reduction before it.
    void writingOnly()
    {
        reduction = 0;
        total = WritingSteps;
        bar.setMaximum(total);
    }

    // Shows written of count written; false once cancelled.
    bool written(int written, int count)
    {
        const int value = reduction + int((long long)(total - reduction) * written / std::max(count, 1));
        if (value > bar.value())
            bar.setValue(value);
        bar.processEvents();
        return !bar.wasCanceled();
    }

private:
    ProgressMonitor& bar;
    int reduction = 0;
    int total = 0;
};

} // namespace

QString ReliefExport::stlHeader(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.mid(slash) : path;
}

ReliefExport::Outcome ReliefExport::write(const QString& path, Format format, const Relief& relief,
                                          double tolerance, ProgressMonitor* monitor)
{
    if (!coordinatesFinite(relief))
        return Failed;
    FacetShape reduced;
    const bool reduce = tolerance != 0.0;
    std::unique_ptr<ExportBar> bar(monitor ? new ExportBar(*monitor) : nullptr);
    // Shown before the first event is let through, however short the export
    // turns out: its Cancel is then what the user can reach.
    if (monitor)
        monitor->show();
    if (reduce) {
        bool ok = true;
        reduced = FacetReducer().reduceRelief(relief, bar.get(), tolerance, 0, &ok);
        if (monitor && monitor->wasCanceled())
            return Cancelled;
        if (!ok)
            return Failed;
    } else if (bar) {
        bar->writingOnly();
    }

    RegularSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failed;
    // The facets go to the disk while the bar moves, rather than all at
    // once on saving with the bar at its end.
    DiskFollower disk(file);
    std::function<bool(int, int)> told;
    if (bar)
        told = [&](int n, int count) {
            if (n > 0 && n % SyncEvery == 0)
                disk.follow();
            return bar->written(n, count);
        };
    bool written = false;
    if (format == Stl) {
        QDataStream out(&file);
        written = reduce ? writeFacetShapeStl(out, reduced, stlHeader(path), told)
                         : writeHeightFieldStl(out, relief.width(), relief.height(), relief.zScale(),
                                               relief.heights(), stlHeader(path), told);
    } else {
        QTextStream out(&file);
        written = reduce ? writeFacetShapeObj(out, reduced, told)
                         : writeHeightFieldObj(out, relief.width(), relief.height(), relief.zScale(),
                                               relief.heights(), told);
        out.flush();
        written = written && out.status() == QTextStream::Ok;
    }
    if (!written || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return bar && bar->wasCanceled() ? Cancelled : Failed;
    }
    if (!file.commit())
        return Failed;
    if (bar)
        bar->written(1, 1);  // all of it: the bar at its end
    return Written;
}
