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

QString ReliefExport::stlHeader(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.mid(slash) : path;
}

ReliefExport::Outcome ReliefExport::write(const QString& path, Format format, const Relief& relief,
                                          double tolerance, ProgressMonitor* monitor)
{
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
