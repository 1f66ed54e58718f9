#include "mesh/facetreducer.h"
#include "mesh/facetreducerimpl.h"

#include "geometry/vekmath.h"
#include "mesh/largepages.h"
#include "mesh/reductionprogress.h"
#include "mesh/threadstart.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>
#include <type_traits>

using VekMath::Plane;
using VekMath::Vector3d;

namespace {

// Several times the relative rounding of a single float.
const double FloatSlack = 4.0 / (1 << 24);

// The cost of an edge refused by the collapse tests.
const double Refused = std::numeric_limits<double>::max();

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

bool samePosition(const Vector3d& a, const Vector3d& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Costs that are not numbers sort last, where nothing reaches them; -0.0
// sorts as 0.0.
double sortCost(double cost)
{
    if (cost == 0.0)
        return 0.0;
    return std::isnan(cost) ? std::numeric_limits<double>::infinity() : cost;
}

// The few vertices or faces around a vertex, kept in place.
using Neighbourhood = IndexList<24>;

bool contains(const Neighbourhood& set, int v)
{
    for (int x : set)
        if (x == v)
            return true;
    return false;
}

// False when v was there already.
bool insert(Neighbourhood& set, int v)
{
    if (contains(set, v))
        return false;
    set.append(v);
    return true;
}

// Asks for memory that will be read soon; a hint only. Into the second
// level cache: a collapse's neighbourhood asked for a few collapses ahead
// is more than the first level holds.
inline void prefetch(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p, 0, 1);
#else
    Q_UNUSED(p);
#endif
}

// VekMath::Plane(p1, p2, p3), its arithmetic written out for the many faces
// of a mesh and the flip tests.
inline Plane planeThrough(const Vector3d& p1, const Vector3d& p2, const Vector3d& p3)
{
    const double ux = p2.x - p1.x, uy = p2.y - p1.y, uz = p2.z - p1.z;
    const double vx = p3.x - p1.x, vy = p3.y - p1.y, vz = p3.z - p1.z;
    double a = uy * vz - uz * vy, b = uz * vx - ux * vz, c = ux * vy - uy * vx;
    const double length = std::sqrt(a * a + b * b + c * c);
    if (length != 0.0) {
        a /= length;
        b /= length;
        c /= length;
    }
    Plane plane;
    plane.a = a;
    plane.b = b;
    plane.c = c;
    plane.d = -(a * p1.x + b * p1.y + c * p1.z);
    return plane;
}

// cross(p1 - p0, p2 - p0), written out.
inline Vector3d crossOf(const Vector3d& p0, const Vector3d& p1, const Vector3d& p2)
{
    const double ux = p1.x - p0.x, uy = p1.y - p0.y, uz = p1.z - p0.z;
    const double vx = p2.x - p0.x, vy = p2.y - p0.y, vz = p2.z - p0.z;
    return Vector3d(uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx);
}

// Plane::value written out.
inline double valueAt(const Plane& plane, const Vector3d& x)
{
    return plane.a * x.x + plane.b * x.y + plane.c * x.z + plane.d;
}

// Doubles as unsigned integers of the same order.
uint64_t orderKey(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
}

// Vertices met lately, by their hash: the facets of a mesh share corners
// with those shortly before them, and this small table is at hand where
// the vertex table's entries lie scattered.
class RecentVertices
{
public:
    RecentVertices() : entries(Size, Entry{0, -1}) {}

    int find(const Vector3d& p, uint64_t h, const std::vector<Vector3d>& positions) const
    {
        const Entry& e = entries[h & (Size - 1)];
        return e.index >= 0 && e.tag == uint32_t(h >> 32) && samePosition(positions[size_t(e.index)], p) ? e.index : -1;
    }
    bool mayHold(uint64_t h) const
    {
        const Entry& e = entries[h & (Size - 1)];
        return e.index >= 0 && e.tag == uint32_t(h >> 32);
    }
    void put(uint64_t h, int index) { entries[h & (Size - 1)] = {uint32_t(h >> 32), index}; }

private:
    static const size_t Size = 16384;
    struct Entry
    {
        uint32_t tag;
        int index;
    };
    std::vector<Entry> entries;
};

} // namespace

// ---------------------------------------------------------------- quadrics

Quadric Quadric::ofPlane(const Plane& p)
{
    Quadric r;
    r.q[0] = p.a * p.a;
    r.q[1] = p.a * p.b;
    r.q[2] = p.a * p.c;
    r.q[3] = p.a * p.d;
    r.q[4] = p.b * p.b;
    r.q[5] = p.b * p.c;
    r.q[6] = p.b * p.d;
    r.q[7] = p.c * p.c;
    r.q[8] = p.c * p.d;
    r.q[9] = p.d * p.d;
    return r;
}

// ------------------------------------------------------------ mesh records

void FacetReducer::Impl::clear()
{
    // The arrays keep their room: a reducer filled strip after strip does
    // not ask the system for its memory again each time.
    positions.clear();
    vertexEdges.clear();
    quadrics.clear();
    table.clear();
    edges.clear();
    manyFaces.clear();
    freeManyFaces.clear();
    faces.clear();
    sorted.clear();
    frontStart = 0;
    recent.clear();
    movedBits.clear();
    restCount = 0;
    restDue.clear();
    fresh.clear();
    staleBits.clear();
    staleEdges.clear();
}

void FacetReducer::Impl::keepOnlyFaces()
{
    auto release = [](auto& v) { std::decay_t<decltype(v)>().swap(v); };
    release(vertexEdges);
    release(quadrics);
    table = VertexTable();
    release(edges);
    release(manyFaces);
    release(freeManyFaces);
    release(sorted);
    frontStart = 0;
    release(recent);
    release(movedBits);
    restCount = 0;
    restDue.clear();
    release(staleEdges);
    release(staleBits);
    release(fresh);
    release(radixSpare);
    release(radixCounts);
}

void FacetReducer::Impl::appendFace(Edge& e, int f)
{
    if (e.faceCount < 2) {
        e.face[e.faceCount++] = f;
        return;
    }
    if (e.faceCount == 2) {
        int slot;
        if (freeManyFaces.empty()) {
            slot = int(manyFaces.size());
            manyFaces.emplace_back();
        } else {
            slot = freeManyFaces.back();
            freeManyFaces.pop_back();
        }
        manyFaces[size_t(slot)].assign({e.face[0], e.face[1]});
        e.face[0] = slot;
        e.faceCount = ManyFaces;
    }
    manyFaces[size_t(e.face[0])].push_back(f);
}

void FacetReducer::Impl::removeFaceFrom(Edge& e, int f)
{
    if (e.faceCount != ManyFaces) {
        if (e.faceCount >= 1 && e.face[0] == f) {
            e.face[0] = e.face[1];
            --e.faceCount;
        } else if (e.faceCount == 2 && e.face[1] == f) {
            --e.faceCount;
        }
        return;
    }
    const int slot = e.face[0];
    std::vector<int>& list = manyFaces[size_t(slot)];
    const auto at = std::find(list.begin(), list.end(), f);
    if (at == list.end())
        return;
    list.erase(at);
    if (list.size() == 2) {
        e.face[0] = list[0];
        e.face[1] = list[1];
        e.faceCount = 2;
        list.clear();
        freeManyFaces.push_back(slot);
    }
}

int FacetReducer::Impl::vertexAt(const Vector3d& p, uint64_t hash)
{
    const int index = int(positions.size());
    const int found = table.findOrAdd(p, hash, index, positions.data());
    if (found != VertexTable::None)
        return found;
    positions.push_back(p);
    // Positions left behind by collapses have no records of their own.
    vertexEdges.resize(positions.size());
    quadrics.resize(positions.size());
    return index;
}

int FacetReducer::Impl::newEdge(int from, int to)
{
    const int index = int(edges.size());
    edges.emplace_back();
    Edge& e = edges.back();
    e.first = from;
    e.second = to;
    e.cost = 0.0;
    e.staleSlot = -1;
    e.faceCount = 0;
    e.removed = false;
    vertexEdges[size_t(from)].append(index);
    vertexEdges[size_t(to)].append(index);
    return index;
}

void FacetReducer::Impl::makeFace(int a, int b, int c)
{
    // Records are filled where they lie: one built aside and copied in
    // would be read back before its own writes have settled.
    const int index = int(faces.size());
    faces.emplace_back();
    Face& face = faces.back();
    const int from[3] = {a, b, c};
    const int to[3] = {b, c, a};
    for (int k = 0; k < 3; ++k) {
        int found = -1;
        bool flipped = false;
        for (int g : vertexEdges[size_t(from[k])]) {
            const Edge& e = edges[size_t(g)];
            if (e.removed)
                continue;
            if (e.second == to[k]) {
                found = g;
                break;
            }
            if (e.first == to[k]) {
                found = g;
                flipped = true;
                break;
            }
        }
        if (found < 0)
            found = newEdge(from[k], to[k]);
        appendFace(edges[size_t(found)], index);
        face.edges[k] = found;
        face.corners[k] = from[k];
        face.flipped[k] = flipped;
    }
    face.plane = planeThrough(positions[size_t(a)], positions[size_t(b)], positions[size_t(c)]);
}

void FacetReducer::Impl::reserveFor(size_t facetCount, size_t collapses)
{
    // A mesh of n facets has about n / 2 vertices and 3n / 2 edges, a few
    // more along its border.
    auto grow = [](auto& v, size_t more) {
        // Growing by half at least: a mesh added in parts moves its
        // records only a few times.
        const size_t wanted = std::max(v.size() + more + 16, v.capacity() + v.capacity() / 2);
        if (v.size() + more + 16 > v.capacity()) {
            v.reserve(wanted);
            adviseLargePages(v.data(), wanted * sizeof(v[0]));
        }
    };
    const size_t vertexCount = facetCount / 2 + facetCount / 32 + collapses;
    grow(positions, vertexCount);
    grow(vertexEdges, vertexCount);
    grow(quadrics, vertexCount);
    const size_t edgeCount = facetCount * 3 / 2 + facetCount / 32;
    grow(edges, edgeCount);
    grow(faces, facetCount);
    table.reserve(positions.size() + vertexCount + 16, positions.data());
}

void FacetReducer::Impl::populateFor(size_t facetCount, int threads, ReductionProgress* progress)
{
    // Only what the facets will fill: the room kept for collapses is mostly
    // never written.
    struct Range
    {
        char* begin;
        size_t bytes;
    };
    std::vector<Range> ranges;
    auto add = [&](auto& v, size_t count) {
        const size_t n = std::min(count, v.capacity() - v.size());
        ranges.push_back({reinterpret_cast<char*>(v.data() + v.size()), n * sizeof(v[0])});
    };
    const size_t vertexCount = facetCount / 2 + facetCount / 32;
    add(positions, vertexCount);
    add(vertexEdges, vertexCount);
    add(quadrics, vertexCount);
    add(edges, facetCount * 3 / 2 + facetCount / 32);
    add(faces, facetCount);
    // In pieces of a few megabytes, taken by whichever thread is free.
    const size_t Chunk = size_t(4) << 20;
    std::vector<Range> chunks;
    for (const Range& r : ranges)
        for (size_t at = 0; at < r.bytes; at += Chunk)
            chunks.push_back({r.begin + at, std::min(Chunk, r.bytes - at)});
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    // A cancel leaves the rest to be handed out as it is written.
    std::atomic<bool> stop{false};
    auto work = [&](ReductionProgress* report) {
        for (size_t i; !stop.load() && (i = next.fetch_add(1)) < chunks.size();) {
            populateForWriting(chunks[i].begin, chunks[i].bytes);
            ++done;
            if (report) {
                report->current = int(done.load());
                report->update();
                stop.store(report->cancelled);
            }
        }
    };
    if (progress) {
        progress->start = progress->current = 0;
        progress->end = int(chunks.size());
    }
    // Helpers only: fewer of them, or none, hand out the same memory.
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads && size_t(t) < chunks.size() && startThread(helpers, [&] { work(nullptr); }); ++t) {
    }
    work(progress);
    for (std::thread& h : helpers)
        h.join();
}

void FacetReducer::Impl::addShape(const QVector<Facet>& facets, ReductionProgress* progress)
{
    // Room for the vertices that collapses may add as well.
    reserveFor(size_t(facets.size()), size_t(facets.size()) / 2);
    addFacets(facets.constData(), facets.size(), progress, 0);
}

void FacetReducer::Impl::addFacets(const Facet* facets, int n, ReductionProgress* progress, int counterBase)
{
    // The corners' hashes are worked out a few facets ahead, and the table
    // entries of those not met lately asked for then.
    const int Ahead = 8;
    uint64_t hashes[Ahead][3];
    RecentVertices recent;
    auto look = [&](int i) {
        uint64_t* h = hashes[i % Ahead];
        for (int k = 0; k < 3; ++k) {
            h[k] = VertexTable::hash(facets[i].corners[k]);
            if (!recent.mayHold(h[k]))
                table.prefetch(h[k]);
        }
    };
    for (int i = 0; i < Ahead && i < n; ++i)
        look(i);
    for (int i = 0; i < n; ++i) {
        if (progress) {
            progress->current = counterBase + i;
            progress->update();
        }
        const Facet& f = facets[i];
        const uint64_t h[3] = {hashes[i % Ahead][0], hashes[i % Ahead][1], hashes[i % Ahead][2]};
        if (i + Ahead < n)
            look(i + Ahead);
        // A corner that is not a number would never meet its neighbours.
        if (!isFinite(f.corners[0]) || !isFinite(f.corners[1]) || !isFinite(f.corners[2]))
            continue;
        int v[3];
        for (int k = 0; k < 3; ++k) {
            v[k] = recent.find(f.corners[k], h[k], positions);
            if (v[k] < 0) {
                v[k] = vertexAt(f.corners[k], h[k]);
                recent.put(h[k], v[k]);
            }
        }
        if (v[0] != v[1] && v[1] != v[2] && v[0] != v[2])
            makeFace(v[0], v[1], v[2]);
    }
}

std::unique_ptr<FacetReducer::Impl::Piece> FacetReducer::Impl::preparePiece(const Facet* facets, int n)
{
    std::unique_ptr<Piece> piece(new Piece);
    Piece& p = *piece;
    p.facets = n;
    p.positions.reserve(size_t(n) / 2 + 16);
    p.hashes.reserve(size_t(n) / 2 + 16);
    p.edgeEnds.reserve(size_t(n) * 3 + 16);
    p.faceCorners.reserve(size_t(n) * 3);
    p.faceEdges.reserve(size_t(n) * 3);
    p.planes.reserve(size_t(n));
    VertexTable table;
    table.reserve(size_t(n) / 2 + 16, p.positions.data());
    std::vector<IndexList<15>> edgesOf;
    edgesOf.reserve(size_t(n) / 2 + 16);
    auto vertex = [&](const Vector3d& at) {
        const uint64_t h = VertexTable::hash(at);
        const int index = int(p.positions.size());
        const int found = table.findOrAdd(at, h, index, p.positions.data());
        if (found != VertexTable::None)
            return found;
        p.positions.push_back(at);
        p.hashes.push_back(h);
        edgesOf.emplace_back();
        return index;
    };
    for (int i = 0; i < n; ++i) {
        const Facet& f = facets[i];
        // As addFacets: a corner that is not a number makes no face.
        if (!isFinite(f.corners[0]) || !isFinite(f.corners[1]) || !isFinite(f.corners[2]))
            continue;
        const int v[3] = {vertex(f.corners[0]), vertex(f.corners[1]), vertex(f.corners[2])};
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2])
            continue;
        for (int k = 0; k < 3; ++k) {
            const int from = v[k], to = v[(k + 1) % 3];
            int found = -1;
            for (int g : edgesOf[size_t(from)]) {
                const int other = p.edgeEnds[size_t(2 * g)] == from ? p.edgeEnds[size_t(2 * g + 1)] : p.edgeEnds[size_t(2 * g)];
                if (other == to) {
                    found = g;
                    break;
                }
            }
            if (found < 0) {
                found = int(p.edgeEnds.size() / 2);
                p.edgeEnds.push_back(from);
                p.edgeEnds.push_back(to);
                edgesOf[size_t(from)].append(found);
                edgesOf[size_t(to)].append(found);
            }
            p.faceCorners.push_back(from);
            p.faceEdges.push_back(found);
        }
        p.planes.push_back(planeThrough(p.positions[size_t(v[0])], p.positions[size_t(v[1])], p.positions[size_t(v[2])]));
    }
    return piece;
}

void FacetReducer::Impl::addPiece(const Piece& piece, ReductionProgress* progress, int counterBase)
{
    // Its vertices: found among those before it, or new, in the order met.
    const size_t vertexCount = piece.positions.size();
    std::vector<int> vertexTo(vertexCount);
    std::vector<bool> metBefore(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v) {
        const Vector3d& at = piece.positions[v];
        const int index = int(positions.size());
        const int found = table.findOrAdd(at, piece.hashes[v], index, positions.data());
        metBefore[v] = found != VertexTable::None;
        if (metBefore[v]) {
            vertexTo[v] = found;
        } else {
            positions.push_back(at);
            vertexTo[v] = index;
        }
    }
    vertexEdges.resize(positions.size());
    quadrics.resize(positions.size());

    // Its edges: only one between two vertices met before may be there
    // already.
    const size_t edgeCount = piece.edgeEnds.size() / 2;
    std::vector<int> edgeTo(edgeCount);
    for (size_t g = 0; g < edgeCount; ++g) {
        const int a = piece.edgeEnds[2 * g], b = piece.edgeEnds[2 * g + 1];
        const int from = vertexTo[size_t(a)], to = vertexTo[size_t(b)];
        int found = -1;
        if (metBefore[size_t(a)] && metBefore[size_t(b)]) {
            for (int h : vertexEdges[size_t(from)]) {
                const Edge& e = edges[size_t(h)];
                if (!e.removed && e.other(from) == to) {
                    found = h;
                    break;
                }
            }
        }
        edgeTo[g] = found < 0 ? newEdge(from, to) : found;
    }

    const size_t faceCount = piece.planes.size();
    for (size_t i = 0; i < faceCount; ++i) {
        if (progress) {
            progress->current = counterBase + int(i * size_t(piece.facets) / std::max<size_t>(faceCount, 1));
            progress->update();
        }
        const int index = int(faces.size());
        faces.emplace_back();
        Face& face = faces.back();
        for (int k = 0; k < 3; ++k) {
            const int corner = vertexTo[size_t(piece.faceCorners[3 * i + size_t(k)])];
            const int g = edgeTo[size_t(piece.faceEdges[3 * i + size_t(k)])];
            Edge& e = edges[size_t(g)];
            appendFace(e, index);
            face.edges[k] = g;
            face.corners[k] = corner;
            face.flipped[k] = e.first != corner;
        }
        face.plane = piece.planes[i];
    }
}

bool FacetReducer::Impl::nextFacet(size_t& i, Facet* facet) const
{
    for (; i < faces.size(); ++i) {
        // The corners of faces a little further on lie scattered.
        if (i + 8 < faces.size())
            for (int corner : faces[i + 8].corners)
                prefetch(&positions[size_t(corner)]);
        const Face& f = faces[i];
        if (f.removed)
            continue;
        const Vector3d& p0 = positions[size_t(f.corners[0])];
        const Vector3d& p1 = positions[size_t(f.corners[1])];
        const Vector3d& p2 = positions[size_t(f.corners[2])];
        const Vector3d n = crossOf(p0, p1, p2);
        const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        if (length == 0.0)
            continue;
        *facet = Facet(p0, p1, p2, Vector3d(n.x / length, n.y / length, n.z / length));
        ++i;
        return true;
    }
    return false;
}

int FacetReducer::Impl::facetCount() const
{
    int count = 0;
    for (const Face& f : faces) {
        if (f.removed)
            continue;
        const Vector3d n = crossOf(positions[size_t(f.corners[0])], positions[size_t(f.corners[1])],
                                   positions[size_t(f.corners[2])]);
        count += std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) != 0.0;
    }
    return count;
}

FacetShape FacetReducer::Impl::toFacetShape() const
{
    FacetShape shape;
    int live = 0;
    for (const Face& f : faces)
        live += f.removed ? 0 : 1;
    shape.reserve(live);
    Facet facet;
    for (size_t i = 0; nextFacet(i, &facet);)
        shape.addFacet(facet);
    return shape;
}

// ------------------------------------------------------------------- costs

void FacetReducer::Impl::vertexQuadric(int v)
{
    Quadric sum;
    for (int g : vertexEdges[size_t(v)]) {
        const Edge& e = edges[size_t(g)];
        if (e.removed)
            continue;
        for (int f : facesOf(e)) {
            // sum += Quadric::ofPlane(plane), element by element in place.
            const Plane& p = faces[size_t(f)].plane;
            double* q = sum.q;
            q[0] += p.a * p.a;
            q[1] += p.a * p.b;
            q[2] += p.a * p.c;
            q[3] += p.a * p.d;
            q[4] += p.b * p.b;
            q[5] += p.b * p.c;
            q[6] += p.b * p.d;
            q[7] += p.c * p.c;
            q[8] += p.c * p.d;
            q[9] += p.d * p.d;
        }
    }
    quadrics[size_t(v)] = sum;
}

bool FacetReducer::Impl::cheap(double cost) const
{
    return cost <= limit && cost != Refused;
}

void FacetReducer::Impl::markStale(int e)
{
    Edge& edge = edges[size_t(e)];
    if (edge.staleSlot < 0) {
        edge.staleSlot = int(staleEdges.size());
        edge.restAtSort = !(sortCost(edge.cost) <= limit);
        staleEdges.emplace_back();
        staleEdges.back().edge = e;
        staleEdges.back().oldCost = edge.cost;
        staleBits[size_t(e) >> 6] |= uint64_t(1) << (e & 63);
    }
}

void FacetReducer::Impl::setCost(int e, double cost)
{
    markStale(e);
    // An edge beyond the limit at the last sort that comes within it must
    // still be met at its place in that order.
    if (cheap(cost)) {
        const double then = sortCost(staleEdges[size_t(edges[size_t(e)].staleSlot)].oldCost);
        if (!(then <= limit))
            restDue.insert({then, e});
    }
    edges[size_t(e)].cost = cost;
}

Vector3d FacetReducer::Impl::fallbackPosition(const Edge& e, const Quadric& q) const
{
    const Vector3d& a = positions[size_t(e.first)];
    const Vector3d& b = positions[size_t(e.second)];
    const Vector3d m = VekMath::midpoint(a, b);
    const double c1 = q.error(a), c2 = q.error(b), cm = q.error(m);
    if (c1 < c2 && c1 < cm)
        return a;
    if (c2 < cm)
        return b;
    return m;
}

Vector3d FacetReducer::Impl::collapsePosition(int index, Quadric* sum) const
{
    const Edge& e = edges[size_t(index)];
    *sum = quadrics[size_t(e.first)];
    *sum += quadrics[size_t(e.second)];
    Vector3d at;
    if (!sum->minimum(&at))
        at = fallbackPosition(e, *sum);
    return at;
}

double FacetReducer::Impl::edgeCost(int index) const
{
    Quadric sum;
    const Vector3d at = collapsePosition(index, &sum);
    return sum.error(at);
}

void FacetReducer::Impl::updateVertexEdgeCosts(int v)
{
    // The neighbours' quadrics lie scattered: ask for all of them first.
    for (int g : vertexEdges[size_t(v)]) {
        const Edge& e = edges[size_t(g)];
        const char* q = reinterpret_cast<const char*>(&quadrics[size_t(e.other(v))]);
        prefetch(q);
        prefetch(q + 64);
    }
    for (int g : vertexEdges[size_t(v)])
        if (!edges[size_t(g)].removed)
            setCost(g, edgeCost(g));
}

bool FacetReducer::Impl::deadIn(int e) const
{
    // A removed edge never gets a new cost; unless it is still cheap enough
    // to be refused (and counted) once more, no walk will stop at it.
    const Edge& edge = edges[size_t(e)];
    return edge.removed && !cheap(edge.cost);
}

void FacetReducer::Impl::initCosts()
{
    staleBits.assign((edges.size() + 63) / 64, 0);
    movedBits.assign(staleBits.size(), 0);
    recent.clear();
    frontStart = 0;
    staleEdges.clear();
    restDue.clear();
    // A vertex's quadric once, from its live edges; one without any is
    // never read. Each quadric, then each cost, depends on nothing written
    // by the others, so the work can be shared out.
    inParallel(vertexEdges.size(), [this](size_t begin, size_t end) {
        for (size_t v = begin; v < end; ++v)
            if (!vertexEdges[v].isEmpty())
                vertexQuadric(int(v));
    });
    inParallel(edges.size(), [this](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            edges[i].staleSlot = -1;
            if (!edges[i].removed)
                edges[i].cost = edgeCost(int(i));
        }
    });
    sorted.clear();
    sorted.reserve(edges.size());
    restCount = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        if (deadIn(int(i)))
            continue;
        const double key = sortCost(edges[i].cost);
        if (key <= limit)
            sorted.emplace_back(key, int(i));
        else
            ++restCount;
    }
    sortByCost(sorted, true);
}

void FacetReducer::Impl::inParallel(size_t count, const std::function<void(size_t, size_t)>& work) const
{
    // Below this much work a thread costs more than it saves.
    const size_t Least = 65536;
    const size_t parts = std::max<size_t>(1, std::min<size_t>(size_t(std::max(threads, 1)), count / Least));
    if (parts == 1) {
        work(0, count);
        return;
    }
    // A part whose thread could not be started is done here.
    std::vector<std::thread> helpers;
    std::vector<size_t> here{0};
    for (size_t p = 1; p < parts; ++p)
        if (!startThread(helpers, [&work, p, count, parts] { work(count * p / parts, count * (p + 1) / parts); }))
            here.push_back(p);
    for (size_t p : here)
        work(count * p / parts, count * (p + 1) / parts);
    for (std::thread& t : helpers)
        t.join();
}

void FacetReducer::Impl::sortByCost(std::vector<SortKey>& keys, bool inEdgeOrder)
{
    // Least significant digit first, eleven bits at a time: the edge
    // number's three digits (unless the keys come in edge order), then the
    // cost's six. Each pass keeps the order of equal digits.
    const size_t n = keys.size();
    if (n < 256) {
        std::sort(keys.begin(), keys.end(), keyLess);
        return;
    }
    const int Bits = 11, Buckets = 1 << Bits, Digits = 9;
    auto digit = [](const SortKey& k, int d) {
        return d < 3 ? (uint32_t(k.edge) >> (Bits * d)) & (Buckets - 1)
                     : uint32_t(orderKey(k.cost) >> (Bits * (d - 3))) & (Buckets - 1);
    };
    radixCounts.assign(size_t(Digits) * Buckets, 0);
    const int first = inEdgeOrder ? 3 : 0;
    for (const SortKey& k : keys)
        for (int d = first; d < Digits; ++d)
            ++radixCounts[size_t(d) * Buckets + digit(k, d)];
    // The passes go back and forth between keys and the spare; each
    // vector keeps its own memory, so that the spare serves the merges too.
    radixSpare.resize(n);
    SortKey* from = keys.data();
    SortKey* to = radixSpare.data();
    for (int d = first; d < Digits; ++d) {
        uint32_t* count = radixCounts.data() + size_t(d) * Buckets;
        if (count[digit(from[0], d)] == n)
            continue;  // every key has the same digit here
        uint32_t sum = 0;
        for (int b = 0; b < Buckets; ++b) {
            const uint32_t c = count[b];
            count[b] = sum;
            sum += c;
        }
        for (const SortKey* k = from; k != from + n; ++k)
            to[count[digit(*k, d)]++] = *k;
        std::swap(from, to);
    }
    if (from != keys.data())
        std::copy(from, from + n, keys.data());
}

void FacetReducer::Impl::resort()
{
    // The stale edges at their new costs, those within the limit sorted.
    // Taken by their bits, in edge order, which the sort then need not
    // restore among equal costs.
    // The edges are asked for a few ahead: they lie far apart.
    fresh.resize(staleEdges.size());
    size_t count = 0;
    for (size_t w = 0; w < staleBits.size(); ++w)
        for (uint64_t bits = staleBits[w]; bits; bits &= bits - 1)
            fresh[count++].edge = int(w * 64) + __builtin_ctzll(bits);
    size_t kept = 0;
    for (size_t j = 0; j < count; ++j) {
        if (j + 16 < count)
            prefetch(&edges[size_t(fresh[j + 16].edge)]);
        const int e = fresh[j].edge;
        Edge& edge = edges[size_t(e)];
        edge.staleSlot = -1;
        if (edge.restAtSort)
            --restCount;
        if (deadIn(e))
            continue;
        const double key = sortCost(edge.cost);
        if (key <= limit)
            fresh[kept++] = SortKey(key, e);
        else
            ++restCount;
    }
    fresh.resize(kept);
    staleEdges.clear();
    restDue.clear();
    sortByCost(fresh, true);

    // Merged with the recent entries whose cost did not change, still in
    // order, in place from the back: a second array as long would be
    // memory held by every worker. Removed edges are stale too, so no clean
    // entry needs a look at its edge.
    size_t clean = 0;
    for (const SortKey& k : recent)
        if (!(staleBits[size_t(k.edge) >> 6] >> (k.edge & 63) & 1))
            recent[clean++] = k;
    recent.resize(clean + fresh.size());
    for (size_t a = clean, b = fresh.size(), out = recent.size(); b > 0;) {
        if (a > 0 && keyLess(fresh[b - 1], recent[a - 1]))
            recent[--out] = recent[--a];
        else
            recent[--out] = fresh[--b];
    }
    for (size_t w = 0; w < staleBits.size(); ++w) {
        movedBits[w] |= staleBits[w];
        staleBits[w] = 0;
    }
    while (frontStart < sorted.size() && moved(sorted[frontStart].edge))
        ++frontStart;

    // Once the recent entries are many, a walk would spend more on passing
    // over the moved entries of the larger array than one copy of it costs.
    if (recent.size() * 4 > sorted.size() - frontStart) {
        auto notMoved = [&](const SortKey& k) { return !moved(k.edge); };
        frontStart = 0;
        mergeInto(sorted, notMoved, recent);
        recent.clear();
        std::fill(movedBits.begin(), movedBits.end(), 0);
    }
}

template <typename Keep>
void FacetReducer::Impl::mergeInto(std::vector<SortKey>& into, const Keep& keep, const std::vector<SortKey>& more)
{
    std::vector<SortKey>& merged = radixSpare;
    merged.resize(into.size() + more.size());
    const SortKey* a = into.data();
    const SortKey* const aEnd = a + into.size();
    const SortKey* b = more.data();
    const SortKey* const bEnd = b + more.size();
    SortKey* out = merged.data();
    while (a != aEnd && b != bEnd) {
        if (!keep(*a))
            ++a;
        else if (keyLess(*b, *a))
            *out++ = *b++;
        else
            *out++ = *a++;
    }
    for (; a != aEnd; ++a)
        if (keep(*a))
            *out++ = *a;
    out = std::copy(b, bEnd, out);
    merged.resize(size_t(out - merged.data()));
    into.swap(merged);
}

bool FacetReducer::Impl::Walk::make()
{
    while (big < r.sorted.size() && r.moved(r.sorted[big].edge))
        ++big;
    const bool haveBig = big < r.sorted.size(), haveRecent = recent < r.recent.size();
    if (!haveBig && !haveRecent)
        return false;
    if (haveBig && (!haveRecent || keyLess(r.sorted[big], r.recent[recent])))
        window[made++ % Window] = r.sorted[big++];
    else
        window[made++ % Window] = r.recent[recent++];
    return true;
}

bool FacetReducer::Impl::firstEntry(SortKey* key) const
{
    Walk walk(*this);
    if (!walk.has(0))
        return false;
    *key = walk.at(0);
    return true;
}

bool FacetReducer::Impl::lastOfSnapshot(const SortKey& key) const
{
    // Rarely asked: once at most for each walk that ends by reaching the
    // target beyond the front. The entries of the last sort are the stale
    // edges at their cost then and the clean ones that were not dead.
    for (const StaleEntry& s : staleEdges)
        if (keyLess(key, {sortCost(s.oldCost), s.edge}))
            return false;
    for (size_t i = 0; i < edges.size(); ++i)
        if (edges[i].staleSlot < 0 && !deadIn(int(i)) && keyLess(key, {sortCost(edges[i].cost), int(i)}))
            return false;
    return true;
}

// ---------------------------------------------------------------- collapse

bool FacetReducer::Impl::canCollapse(int index, Vector3d* position) const
{
    // The tests only look; the cheap ones go first.
    const Edge& e = edges[size_t(index)];
    if (e.removed || e.faceCount != 2)
        return false;
    for (int f : facesOf(e)) {
        if (faces[size_t(f)].removed)
            continue;
        for (int g : faces[size_t(f)].edges)
            if (edges[size_t(g)].faceCount != 2)
                return false;
    }
    // The quadrics of a live edge's ends have not changed since its cost
    // was worked out, so neither has the position that cost was taken at.
    Quadric sum;
    const Vector3d optimal = collapsePosition(index, &sum);
    *position = optimal;
    const int at = table.find(optimal, positions.data());
    if (at != VertexTable::None && at != e.first && at != e.second)
        return false;

    // Link condition: the two ends share no neighbour beyond the corners of
    // the edge's own faces. Neighbourhoods are small: plain lists serve.
    Neighbourhood neighbours;
    for (int g : vertexEdges[size_t(e.first)]) {
        const Edge& edge = edges[size_t(g)];
        if (g != index && !edge.removed)
            insert(neighbours, edge.other(e.first));
    }
    for (int f : facesOf(e))
        for (int k = 0; k < 3; ++k)
            neighbours.removeOne(faces[size_t(f)].corners[k]);
    for (int g : vertexEdges[size_t(e.second)]) {
        const Edge& edge = edges[size_t(g)];
        if (g != index && !edge.removed && contains(neighbours, edge.other(e.second)))
            return false;
    }

    // No face around either end may turn over when the end moves.
    const int ends[2][2] = {{e.first, e.second}, {e.second, e.first}};
    for (const auto& uw : ends) {
        const int u = uw[0], w = uw[1];
        const Vector3d& from = positions[size_t(u)];
        const bool moves = !samePosition(from, optimal);
        Neighbourhood seen;
        for (int g : vertexEdges[size_t(u)]) {
            const Edge& edge = edges[size_t(g)];
            if (edge.removed)
                continue;
            // A height field keeps its outline where it is.
            if (keepOutline && moves && edge.faceCount != 2)
                return false;
            for (int fi : facesOf(edge)) {
                // Each face lies on two edges of u; one look is enough.
                if (!insert(seen, fi))
                    continue;
                const Face& f = faces[size_t(fi)];
                if (f.corners[0] == w || f.corners[1] == w || f.corners[2] == w)
                    continue;
                // Nor may any of its faces turn away from the sky, or stand
                // on its side, seen from above.
                if (keepFacesUp && !facesUp(f, u, optimal))
                    return false;
                for (int k = 0; k < 3; ++k) {
                    // Edge k joins corners k and k + 1, flipped when it runs
                    // the other way.
                    const int a = f.corners[k], b = f.corners[(k + 1) % 3];
                    if (a == u || b == u)
                        continue;
                    const Vector3d& p = positions[size_t(f.flipped[k] ? b : a)];
                    const Vector3d& q = positions[size_t(f.flipped[k] ? a : b)];
                    // A plane through p and q standing on the face.
                    const Plane side = planeThrough(p, q, Vector3d(p.x + f.plane.a, p.y + f.plane.b, p.z + f.plane.c));
                    if (valueAt(side, from) * valueAt(side, optimal) < 0)
                        return false;
                    break;
                }
            }
        }
    }
    return true;
}

bool FacetReducer::Impl::facesUp(const Face& f, int u, const Vector3d& to) const
{
    const Vector3d* p[3];
    for (int k = 0; k < 3; ++k)
        p[k] = f.corners[k] == u ? &to : &positions[size_t(f.corners[k])];
    const double area = (p[1]->x - p[0]->x) * (p[2]->y - p[0]->y) - (p[1]->y - p[0]->y) * (p[2]->x - p[0]->x);
    if (!(area > 0))
        return false;
    // Its corners are written to files in single floats: a face so thin in
    // plan that their rounding could turn it over counts as on its side.
    double reach = 0;
    for (int k = 0; k < 3; ++k)
        reach = std::max({reach, std::fabs(p[k]->x), std::fabs(p[k]->y)});
    // No side is longer than the diagonal of the square within reach, so
    // most faces are plainly wide enough without measuring their sides.
    if (area > 3 * FloatSlack * reach * reach)
        return true;
    double longest = 0;
    for (int k = 0; k < 3; ++k) {
        const Vector3d& a = *p[k];
        const Vector3d& b = *p[(k + 1) % 3];
        longest = std::max(longest, (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
    }
    return area > FloatSlack * reach * std::sqrt(longest);
}

bool FacetReducer::Impl::hasFoldedFace() const
{
    // As the faces will be read back from a file.
    auto rounded = [this](int v) {
        const Vector3d& p = positions[size_t(v)];
        return Vector3d(double(float(p.x)), double(float(p.y)), double(float(p.z)));
    };
    for (const Face& f : faces) {
        if (f.removed)
            continue;
        const Vector3d n = crossOf(rounded(f.corners[0]), rounded(f.corners[1]), rounded(f.corners[2]));
        // Faces that are read out as nothing do not count.
        if (!(n.z > 0) && std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) != 0.0)
            return true;
    }
    return false;
}

void FacetReducer::Impl::refreshCorners(int index)
{
    const Edge& e = edges[size_t(index)];
    for (int fi : facesOf(e)) {
        Face& f = faces[size_t(fi)];
        for (int k = 0; k < 3; ++k)
            if (f.edges[k] == index)
                f.corners[k] = f.flipped[k] ? e.second : e.first;
    }
}

void FacetReducer::Impl::removeEdge(int index)
{
    Edge& e = edges[size_t(index)];
    vertexEdges[size_t(e.first)].removeOne(index);
    vertexEdges[size_t(e.second)].removeOne(index);
    e.removed = true;
    markStale(index);
}

void FacetReducer::Impl::removeFace(int index)
{
    Face& f = faces[size_t(index)];
    for (int g : f.edges)
        removeFaceFrom(edges[size_t(g)], index);
    f.removed = true;
}

int FacetReducer::Impl::collapseFaces(int index)
{
    Edge& e = edges[size_t(index)];
    const int count = facesOf(e).size();
    while (facesOf(e).size() > 0) {
        const int fi = *facesOf(e).begin();
        Face& f = faces[size_t(fi)];
        const int slot = f.edges[0] == index ? 0 : f.edges[1] == index ? 1 : 2;
        static const int xSlot[3] = {2, 0, 0};
        static const int ySlot[3] = {1, 2, 1};
        const int xi = f.edges[xSlot[slot]];
        const int yi = f.edges[ySlot[slot]];
        Edge& x = edges[size_t(xi)];
        Edge& y = edges[size_t(yi)];
        removeFaceFrom(x, fi);
        removeFaceFrom(y, fi);
        const int apex = (x.first == y.first || x.first == y.second) ? x.first : x.second;

        // The faces on y now lie on x, each keeping its corners.
        const bool swap = (x.first == apex) != (y.first == apex);
        while (facesOf(y).size() > 0) {
            const int gi = *facesOf(y).begin();
            removeFaceFrom(y, gi);
            Face& g = faces[size_t(gi)];
            for (int k = 0; k < 3; ++k) {
                if (g.edges[k] == yi) {
                    g.edges[k] = xi;
                    g.flipped[k] = g.flipped[k] != swap;
                    g.corners[k] = g.flipped[k] ? x.second : x.first;
                }
            }
            appendFace(x, gi);
        }
        removeEdge(yi);
        removeFace(fi);
    }
    return count;
}

int FacetReducer::Impl::collapseVertices(int index, const Vector3d& optimal)
{
    const int ends[2] = {edges[size_t(index)].first, edges[size_t(index)].second};
    const uint64_t hash = VertexTable::hash(optimal);
    int n = table.find(optimal, hash, positions.data());
    if (n == VertexTable::None) {
        // The first end becomes the new vertex, keeping its records and
        // edges; only its old position stays behind, to be found in the
        // table like any vertex left by a collapse.
        const Vector3d old = positions[size_t(ends[0])];
        const int left = int(positions.size());
        positions.push_back(old);
        table.relabel(old, left, positions.data());
        positions[size_t(ends[0])] = optimal;
        table.findOrAdd(optimal, hash, ends[0], positions.data());
        n = ends[0];
    }
    for (int u : ends) {
        if (u == n)
            continue;
        IndexList<15>& list = vertexEdges[size_t(u)];
        for (int g : list) {
            Edge& edge = edges[size_t(g)];
            if (g == index || edge.removed)
                continue;
            if (edge.first == u)
                edge.first = n;
            else
                edge.second = n;
            refreshCorners(g);
            vertexEdges[size_t(n)].append(g);
        }
        list.reset();
    }
    removeEdge(index);
    Quadric sum = quadrics[size_t(ends[0])];
    sum += quadrics[size_t(ends[1])];
    quadrics[size_t(n)] = sum;
    return n;
}

void FacetReducer::Impl::prefetchAhead(size_t i, Lookahead& look, Walk& walk) const
{
    // The tests of an edge wander over its neighbourhood, scattered in
    // memory. It is asked for in stages, each reading what the one before
    // asked for: the edge records far ahead; then, for the edges that will
    // be tested, their faces and ends; then the edges around the ends; last
    // the faces and neighbours around them. Most entries are edges already
    // removed, so the later stages count tested edges, not entries.
    for (; look.scanned < i + 40 && walk.has(look.scanned); ++look.scanned)
        prefetch(&edges[size_t(walk.at(look.scanned).edge)]);
    for (; look.screened < look.scanned && look.screened < i + 24; ++look.screened) {
        const Edge& e = edges[size_t(walk.at(look.screened).edge)];
        if (e.removed || !cheap(e.cost))
            continue;
        look.ring[look.pushed++ % Lookahead::Size] = look.screened;
        for (int f : facesOf(e))
            prefetch(&faces[size_t(f)]);
        for (int end : {e.first, e.second}) {
            prefetch(&vertexEdges[size_t(end)]);
            prefetch(&positions[size_t(end)]);
            prefetch(&quadrics[size_t(end)]);
            prefetch(reinterpret_cast<const char*>(&quadrics[size_t(end)]) + 64);
        }
    }
    while (look.popped < look.pushed && look.ring[look.popped % Lookahead::Size] < i)
        ++look.popped;
    look.positioned = std::max(look.positioned, look.popped);
    for (; look.positioned < look.pushed && look.positioned < look.popped + 4; ++look.positioned) {
        const int index = walk.at(look.ring[look.positioned % Lookahead::Size]).edge;
        const Edge& e = edges[size_t(index)];
        Quadric sum;
        table.prefetch(VertexTable::hash(collapsePosition(index, &sum)));
        // Where the first end's position is kept when it moves.
        table.prefetch(VertexTable::hash(positions[size_t(e.first)]));
        for (int end : {e.first, e.second})
            for (int g : vertexEdges[size_t(end)])
                prefetch(&edges[size_t(g)]);
        // The collapse takes an edge off each far corner of its faces.
        for (int f : facesOf(e))
            for (int corner : faces[size_t(f)].corners)
                prefetch(&vertexEdges[size_t(corner)]);
    }
    look.surrounded = std::max(look.surrounded, look.popped);
    for (; look.surrounded < look.pushed && look.surrounded < look.popped + 2; ++look.surrounded) {
        const Edge& e = edges[size_t(walk.at(look.ring[look.surrounded % Lookahead::Size]).edge)];
        for (int end : {e.first, e.second})
            for (int g : vertexEdges[size_t(end)]) {
                const Edge& edge = edges[size_t(g)];
                for (int f : facesOf(edge))
                    prefetch(&faces[size_t(f)]);
                const int other = edge.other(end);
                prefetch(&positions[size_t(other)]);
                prefetch(&quadrics[size_t(other)]);
                prefetch(reinterpret_cast<const char*>(&quadrics[size_t(other)]) + 64);
            }
    }
}

void FacetReducer::Impl::reduce(unsigned int targetFaces, double maxCost, ReductionProgress* progress)
{
    long long faceTotal = (long long)faces.size();
    const long long target = targetFaces;
    // Costs, quadrics and their order are all worked out afresh by the next
    // call: with no cost allowed there is nothing to do.
    if (maxCost <= 0)
        return;
    // Each collapse makes at most one vertex and takes two faces.
    reserveFor(0, size_t(faceTotal) / 2);
    limit = maxCost;
    initCosts();
    const long long batch = faceTotal / 20;

    long long count = 0;
    auto visit = [&](int index) {
        Vector3d position;
        if (canCollapse(index, &position)) {
            faceTotal -= collapseFaces(index);
            const int n = collapseVertices(index, position);
            ++count;
            updateVertexEdgeCosts(n);
        } else {
            ++count;
            setCost(index, Refused);
        }
    };
    for (;;) {
        bool finished = false;
        SortKey head;
        if (firstEntry(&head) || restCount > 0) {
            if (target >= faceTotal) {
                finished = true;
            } else {
                bool walkRest = true;
                Lookahead look;
                Walk walk(*this);
                for (size_t i = 0; walk.has(i); ++i) {
                    prefetchAhead(i, look, walk);
                    const int index = walk.at(i).edge;
                    if (cheap(edges[size_t(index)].cost)) {
                        visit(index);
                        if (count >= batch) {
                            resort();
                            count = 0;
                            walkRest = false;
                            break;
                        }
                    }
                    // The last entry of the last sort's order.
                    if (restCount == 0 && !walk.has(i + 1)) {
                        walkRest = false;
                        break;
                    }
                    if (faceTotal <= target) {
                        finished = true;
                        walkRest = false;
                        break;
                    }
                }
                // Beyond the front only entries whose cost came within the
                // limit since the sort can stop the walk.
                SortKey at{0.0, -1};
                for (bool started = false; walkRest;) {
                    const auto next = started ? restDue.upper_bound(at) : restDue.begin();
                    if (next == restDue.end())
                        break;
                    at = *next;
                    started = true;
                    if (!cheap(edges[size_t(at.edge)].cost))
                        continue;
                    visit(at.edge);
                    if (count >= batch) {
                        resort();
                        count = 0;
                        break;
                    }
                    if (faceTotal <= target) {
                        finished = !lastOfSnapshot(at);
                        break;
                    }
                }
            }
        }

        // With nothing within the limit at the last sort nothing has
        // changed since, and the first entry is still beyond it.
        const double first = firstEntry(&head) ? edges[size_t(head.edge)].cost : Refused;
        if (cheap(first)) {
            if (progress) {
                if (progress->cancelled)
                    return;
                progress->current = int(faceTotal);
                progress->update();
            }
            if (finished)
                return;
        } else {
            if (!progress || progress->cancelled)
                return;
            progress->current = int(faceTotal);
            progress->update();
            return;
        }
    }
}

// ------------------------------------------------------------ the surface

FacetReducer::FacetReducer() : d(new Impl) {}

FacetReducer::~FacetReducer() = default;

void FacetReducer::clear()
{
    d->clear();
}

void FacetReducer::addShape(const QVector<Facet>& facets, ReductionProgress* progress)
{
    d->addShape(facets, progress);
}

void FacetReducer::reduce(unsigned int targetFaces, double maxCost, ReductionProgress* progress)
{
    d->reduce(targetFaces, maxCost, progress);
}

FacetShape FacetReducer::toFacetShape() const
{
    return d->toFacetShape();
}

int FacetReducer::faceCount() const
{
    return d->faceCount();
}
