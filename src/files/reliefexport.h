#pragma once

#include <QString>

class ProgressMonitor;
class Relief;

// Writes a relief as a binary STL or OBJ mesh, directly from its grid or
// through the facet reducer. The file is written beside its target and
// replaces it only once all of it was written: a failed or cancelled export
// leaves any earlier file as it was, and a target that is not a regular file
// is refused.
class ReliefExport
{
public:
    enum Format { Stl, Obj };
    enum Outcome { Written, Cancelled, Failed };

    // tolerance 0 writes the grid itself; any other value reduces the facets
    // first. The monitor (which may be null) shows the reduction and the
    // writing, and reaches its end once the file is written; a cancel
    // returns Cancelled. A relief that would give a coordinate that is not
    // a finite number fails without writing.
    static Outcome write(const QString& path, Format format, const Relief& relief, double tolerance,
                         ProgressMonitor* monitor);

    // The STL header: the path from its last "/" on, that slash included.
    static QString stlHeader(const QString& path);
};
