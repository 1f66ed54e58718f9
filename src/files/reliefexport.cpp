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
    if (reduce) {
        bool ok = true;
        reduced = FacetReducer().reduceRelief(relief, monitor, tolerance, 0, &ok);
        if (monitor && monitor->wasCanceled())
            return Cancelled;
        if (!ok)
            return Failed;
    }

    RegularSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Failed;
    bool written = false;
    if (format == Stl) {
        QDataStream out(&file);
        written = reduce ? writeFacetShapeStl(out, reduced, stlHeader(path))
                         : writeHeightFieldStl(out, relief.width(), relief.height(), relief.zScale(),
                                               relief.heights(), stlHeader(path));
    } else {
        QTextStream out(&file);
        written = reduce ? writeFacetShapeObj(out, reduced)
                         : writeHeightFieldObj(out, relief.width(), relief.height(), relief.zScale(),
                                               relief.heights());
        out.flush();
        written = written && out.status() == QTextStream::Ok;
    }
    if (!written || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return Failed;
    }
    return file.commit() ? Written : Failed;
}
