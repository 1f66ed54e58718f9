#pragma once

#include "mesh/facet.h"
#include "mesh/facetshape.h"

#include <QVector>

#include <memory>

class ProgressMonitor;
class Relief;
struct ReductionProgress;

// Simplifies a triangle mesh by edge collapses ordered by a quadric error
// metric: the cheapest edges collapse to the position of least summed
// squared distance from the planes around them while that error stays
// within a limit. Edges on the border of the mesh never collapse.
class FacetReducer
{
public:
    FacetReducer();
    ~FacetReducer();
    FacetReducer(const FacetReducer&) = delete;
    FacetReducer& operator=(const FacetReducer&) = delete;

    // Forgets every vertex, edge and face (keeping the memory for the next
    // mesh; the destructor frees it).
    void clear();
    // Adds the facets with shared vertices; a facet with two equal corners
    // (or a corner that is not finite) adds nothing.
    void addShape(const QVector<Facet>& facets, ReductionProgress* progress);
    // Collapses edges of cost at most maxCost (a squared distance) until no
    // more than targetFaces remain or no edge qualifies.
    void reduce(unsigned int targetFaces, double maxCost, ReductionProgress* progress);
    // The faces still standing, degenerate ones left out.
    FacetShape toFacetShape() const;
    // Faces ever added since the last clear, removed ones included.
    int faceCount() const;

    // A relief as a reduced mesh in inches, built strip by strip through
    // temporary STL files in the home folder, joined, reduced once more and
    // centred. tolerance is in inches (negative: half a cell); targetFaces 0
    // means 1. Returns an empty shape when cancelled through the dialog, and
    // also when a strip could not be written or read back: then *ok (when
    // given) is false. Call it on a fresh reducer.
    FacetShape reduceRelief(const Relief& relief, ProgressMonitor* dialog, double tolerance,
                            unsigned int targetFaces, bool* ok = nullptr);
    // Threads that reduceRelief reduces its strips on, the caller's own
    // included; 0 (the default) means one for each core. The result is the
    // same for any count.
    void setThreadCount(int threads) { threadCount = threads; }

    struct Impl;

private:
    std::unique_ptr<Impl> d;
    int threadCount = 0;
};
