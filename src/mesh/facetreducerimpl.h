#pragma once

// The reducer's own records and steps, shared by its source files only.

#include "geometry/plane.h"
#include "geometry/vector3d.h"
#include "mesh/facet.h"
#include "mesh/facetreducer.h"
#include "mesh/facetshape.h"
#include "mesh/indexlist.h"
#include "mesh/vertextable.h"

#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

// Squared distances to planes: the upper triangle of a symmetric 4 x 4
// matrix, row by row.
struct Quadric
{
    double q[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

    static Quadric ofPlane(const VekMath::Plane& p);
    Quadric& operator+=(const Quadric& o)
    {
        for (int i = 0; i < 10; ++i)
            q[i] += o.q[i];
        return *this;
    }
    // v^T Q v with v = (x, y, z, 1).
    double error(const VekMath::Vector3d& v) const
    {
        const double x = v.x, y = v.y, z = v.z;
        return x * (q[0] * x + q[1] * y + q[2] * z + q[3]) + y * (q[1] * x + q[4] * y + q[5] * z + q[6])
               + z * (q[2] * x + q[5] * y + q[7] * z + q[8]) + (q[3] * x + q[6] * y + q[8] * z + q[9]);
    }
    // The position of least error, by the inverse of the matrix with its
    // last row replaced by (0, 0, 0, 1); false when that matrix's
    // determinant is within 1e-6 of 0. With that last row the
    // determinant is that of the upper 3 x 3 block, and the last column
    // of the inverse is the cofactors of the last row over it.
    bool minimum(VekMath::Vector3d* at) const
    {
        const double Q[3][4] = {{q[0], q[1], q[2], q[3]}, {q[1], q[4], q[5], q[6]}, {q[2], q[5], q[7], q[8]}};
        auto det3 = [&](int c0, int c1, int c2) {
            return Q[0][c0] * (Q[1][c1] * Q[2][c2] - Q[1][c2] * Q[2][c1])
                   - Q[0][c1] * (Q[1][c0] * Q[2][c2] - Q[1][c2] * Q[2][c0])
                   + Q[0][c2] * (Q[1][c0] * Q[2][c1] - Q[1][c1] * Q[2][c0]);
        };
        const double det = det3(0, 1, 2);
        if (!(det > 1e-6 || det < -1e-6))
            return false;
        *at = VekMath::Vector3d(-det3(1, 2, 3) / det, det3(0, 2, 3) / det, -det3(0, 1, 3) / det);
        return true;
    }
};

struct FacetReducer::Impl
{
    void clear();
    void addShape(const QVector<Facet>& facets, ReductionProgress* progress);
    // addShape without making room first; the progress counter runs from
    // counterBase.
    void addFacets(const Facet* facets, int n, ReductionProgress* progress, int counterBase);
    void reduce(unsigned int targetFaces, double maxCost, ReductionProgress* progress);
    FacetShape toFacetShape() const;
    // The next face still standing from face i on, as toFacetShape gives
    // it; i moves past it. False when there is none.
    bool nextFacet(size_t& i, Facet* facet) const;

    // The facets of one piece of a mesh (a strip) made ready on any thread,
    // to be added after the pieces before it: its vertices, edges and faces
    // numbered among themselves as adding its facets would number the new
    // ones, so that addPiece leaves the reducer just as addFacets would, with
    // only the few vertices and edges it shares with those pieces to find.
    struct Piece
    {
        std::vector<VekMath::Vector3d> positions;  // in the order first met
        std::vector<uint64_t> hashes;
        std::vector<int> edgeEnds;     // two an edge, as the first face on it runs
        std::vector<int> faceCorners;  // three a face
        std::vector<int> faceEdges;    // three a face
        std::vector<VekMath::Plane> planes;
        int facets = 0;  // facets it was made of, faces or not
    };
    static std::unique_ptr<Piece> preparePiece(const Facet* facets, int n);
    // The progress counter runs from counterBase, as in addFacets.
    void addPiece(const Piece& piece, ReductionProgress* progress, int counterBase);
    // The number of facets toFacetShape gives.
    int facetCount() const;
    int faceCount() const { return int(faces.size()); }
    // Gives back the memory of everything but the faces and the vertex
    // positions, before the faces are read out of a large mesh; only
    // toFacetShape and clear may follow.
    void keepOnlyFaces();

    // For a mesh of a height field, every face up: no collapse may move a
    // vertex of the outline, and with keepFacesUp none may turn a face down
    // or onto its side in plan view.
    bool keepOutline = false;
    bool keepFacesUp = false;
    // Whether a face still standing points down or lies on its side in plan.
    bool hasFoldedFace() const;
    // Threads that the steps over every vertex or edge may share out.
    int threads = 1;
    void inParallel(size_t count, const std::function<void(size_t, size_t)>& work) const;

    // Faces on an edge: up to two in the record itself; where more meet,
    // face[0] is the number of an outside list holding them all.
    static const uint8_t ManyFaces = 0xff;

    // The fields the walks over the sorted edges and the collapse tests
    // read together share one block: ends, faces, cost and removed flag.
    struct alignas(32) Edge
    {
        int first;
        int second;
        int face[2];
        double cost;    // 0 when new; the largest double once refused
        int staleSlot;  // its entry in staleEdges while stale, else -1
        uint8_t faceCount;
        bool removed;
        // While stale: whether its cost at the last sort was beyond the
        // limit, for the sort to come to know without a look elsewhere.
        bool restAtSort;

        int other(int v) const { return v == first ? second : first; }
    };
    static_assert(sizeof(Edge) == 32, "an edge record is half a cache line");

    struct FaceSpan
    {
        const int* data;
        int count;

        const int* begin() const { return data; }
        const int* end() const { return data + count; }
        int size() const { return count; }
    };

    // Corner k is edges[k]'s second end when flipped[k], else its first;
    // the corners are kept as well, so that the tests around a vertex need
    // not look at the edges for them. One cache line each.
    struct alignas(64) Face
    {
        int edges[3];
        int corners[3];
        bool flipped[3];
        bool removed = false;
        VekMath::Plane plane;
    };

    // Twelve bytes, not sixteen: the sorts' arrays are among the largest
    // of a strip, and the sorts move every byte of them several times.
#pragma pack(push, 4)
    struct SortKey
    {
        // Left unset: the sorts' working space is resized often and
        // written over at once.
        SortKey() {}
        SortKey(double cost, int edge) : cost(cost), edge(edge) {}

        double cost;
        int edge;
    };
#pragma pack(pop)

    // An edge whose cost changed since the last sort, with its cost then.
    struct StaleEntry
    {
        int edge;
        double oldCost;
    };

    static bool keyLess(const SortKey& a, const SortKey& b)
    {
        return a.cost < b.cost || (a.cost == b.cost && a.edge < b.edge);
    }

    FaceSpan facesOf(const Edge& e) const
    {
        if (e.faceCount != ManyFaces)
            return {e.face, e.faceCount};
        const std::vector<int>& list = manyFaces[size_t(e.face[0])];
        return {list.data(), int(list.size())};
    }
    void appendFace(Edge& e, int f);
    void removeFaceFrom(Edge& e, int f);

    int vertexAt(const VekMath::Vector3d& p, uint64_t hash);
    int vertexAt(const VekMath::Vector3d& p) { return vertexAt(p, VertexTable::hash(p)); }
    void makeFace(int a, int b, int c);
    // A new edge from one vertex to another, on no face yet.
    int newEdge(int from, int to);
    void vertexQuadric(int v);
    // Where the edge would collapse to, and the sum of its ends' quadrics.
    VekMath::Vector3d collapsePosition(int e, Quadric* sum) const;
    double edgeCost(int e) const;
    VekMath::Vector3d fallbackPosition(const Edge& e, const Quadric& q) const;
    void initCosts();
    void updateVertexEdgeCosts(int v);
    // On success also the position the edge collapses to.
    bool canCollapse(int e, VekMath::Vector3d* position) const;
    // Whether face f, with its corner u moved to to, still faces up in plan.
    bool facesUp(const Face& f, int u, const VekMath::Vector3d& to) const;
    int collapseFaces(int e);
    int collapseVertices(int e, const VekMath::Vector3d& position);
    void removeEdge(int e);
    // The corners of the faces on an edge whose ends changed.
    void refreshCorners(int e);
    void removeFace(int f);
    void markStale(int e);
    void setCost(int e, double cost);
    // Within the limit and not refused.
    bool cheap(double cost) const;
    bool deadIn(int e) const;
    // By cost, equal costs by edge number.
    void sortByCost(std::vector<SortKey>& keys, bool inEdgeOrder);
    void reserveFor(size_t facetCount, size_t collapses);
    // The room that so many more facets will fill, handed out by the
    // system now on several threads: filling fresh memory from one thread
    // waits on the system page by page. This thread reports the pieces
    // handed out as progress counters 0 to their number.
    void populateFor(size_t facetCount, int threads, ReductionProgress* progress = nullptr);
    // Where the walk over the sorted front has asked for memory so far.
    struct Lookahead
    {
        static const size_t Size = 64;
        size_t scanned = 0;   // entries whose edge records were asked for
        size_t screened = 0;  // entries looked at for edges to be tested
        size_t ring[Size];    // the places of those edges, the last Size of them
        size_t pushed = 0;
        size_t popped = 0;  // those behind the walk
        size_t positioned = 0;
        size_t surrounded = 0;
    };
    // The walk's order, merged from the sorted front (its entries of edges
    // moved since left out) and the recent entries as the walk goes, kept a
    // little ahead of the walk for the look-ahead.
    class Walk
    {
    public:
        explicit Walk(const Impl& reducer) : r(reducer), big(reducer.frontStart) {}
        // Whether the order has an entry at position i.
        bool has(size_t i)
        {
            while (made <= i)
                if (!make())
                    return false;
            return true;
        }
        // Only for a position that has been made and is at most Window - 1
        // behind the last made.
        const SortKey& at(size_t i) const { return window[i % Window]; }

    private:
        bool make();

        static const size_t Window = 128;
        const Impl& r;
        size_t big;
        size_t recent = 0;
        size_t made = 0;
        SortKey window[Window];
    };
    void prefetchAhead(size_t i, Lookahead& look, Walk& walk) const;
    // The first entry of the walk's order; false when there is none.
    bool firstEntry(SortKey* key) const;
    // into's entries that keep passes, merged with more (in the same order)
    // into into.
    template <typename Keep>
    void mergeInto(std::vector<SortKey>& into, const Keep& keep, const std::vector<SortKey>& more);
    bool moved(int e) const { return movedBits[size_t(e) >> 6] >> (e & 63) & 1; }
    void resort();
    // Whether key was the last entry of the last sort's order.
    bool lastOfSnapshot(const SortKey& key) const;

    // Vertices: positions, their live edges and quadrics, by index. The
    // edge lists have room for the edges of a vertex that collapses have
    // made busy; a list that had to move out to the heap would cost an
    // allocation and a read from elsewhere.
    std::vector<VekMath::Vector3d> positions;
    std::vector<IndexList<15>> vertexEdges;
    std::vector<Quadric> quadrics;
    VertexTable table;

    std::vector<Edge> edges;
    std::vector<std::vector<int>> manyFaces;
    std::vector<int> freeManyFaces;
    std::vector<Face> faces;

    // The walk's order is that of the last sort of every edge that was not
    // dead then. Only the front of it, the costs within the limit, is kept
    // in order; of the rest only the number, and the entries whose cost has
    // come within the limit since, by their place in that order. The front
    // is two sorted arrays merged as the walk goes: copying the whole of it
    // at every sort cost more than all else the sort does. The larger
    // holds an entry for every edge not moved (made stale) since it was
    // made, the smaller those moved since, at their costs then; the two
    // are merged into one once the smaller has grown.
    double limit = 0;
    std::vector<SortKey> sorted;
    size_t frontStart = 0;  // sorted's entries before it are all of edges moved
    std::vector<SortKey> recent;
    std::vector<uint64_t> movedBits;  // one bit an edge
    size_t restCount = 0;
    std::set<SortKey, bool (*)(const SortKey&, const SortKey&)> restDue{&FacetReducer::Impl::keyLess};
    std::vector<StaleEntry> staleEdges;
    std::vector<uint64_t> staleBits;  // one bit an edge, for the pass over the sorted front
    // Working space of the sorts, kept between them.
    std::vector<SortKey> fresh;
    std::vector<SortKey> radixSpare;  // also where the merges go
    std::vector<uint32_t> radixCounts;
};
