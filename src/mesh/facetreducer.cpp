#include "mesh/facetreducer.h"

#include "app/veksettings.h"
#include "geometry/vekmath.h"
#include "mesh/largepages.h"
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
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using VekMath::Plane;
using VekMath::Vector3d;

namespace {

// The cost of an edge refused by the collapse tests.
const double Refused = std::numeric_limits<double>::max();

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
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

// Asks for memory that will be read soon; a hint only.
inline void prefetch(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    Q_UNUSED(p);
#endif
}

// The values at x1 and x2 of VekMath::Plane(p, q, p + the face's normal),
// a plane through p and q standing on the face; the arithmetic of that
// constructor and of Plane::value, written out for the flip test's loop.
inline void sideValues(const Vector3d& p, const Vector3d& q, const Plane& face, const Vector3d& x1,
                       const Vector3d& x2, double* v1, double* v2)
{
    const double rx = p.x + face.a, ry = p.y + face.b, rz = p.z + face.c;
    const double ux = q.x - p.x, uy = q.y - p.y, uz = q.z - p.z;
    const double wx = rx - p.x, wy = ry - p.y, wz = rz - p.z;
    double a = uy * wz - uz * wy, b = uz * wx - ux * wz, c = ux * wy - uy * wx;
    const double length = std::sqrt(a * a + b * b + c * c);
    if (length != 0.0) {
        a /= length;
        b /= length;
        c /= length;
    }
    const double d = -(a * p.x + b * p.y + c * p.z);
    *v1 = a * x1.x + b * x1.y + c * x1.z + d;
    *v2 = a * x2.x + b * x2.y + c * x2.z + d;
}

// Doubles as unsigned integers of the same order.
uint64_t orderKey(double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
}

} // namespace

// ---------------------------------------------------------------- quadrics

FacetReducer::Quadric FacetReducer::Quadric::ofPlane(const Plane& p)
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

void FacetReducer::clear()
{
    // The arrays keep their room: a reducer filled strip after strip does
    // not ask the system for its memory again each time.
    positions.clear();
    vertexEdges.clear();
    quadrics.clear();
    table.clear();
    edges.clear();
    edgeCosts.clear();
    edgeRemoved.clear();
    faces.clear();
    sorted.clear();
    fresh.clear();
    merged.clear();
    stale.clear();
    staleEdges.clear();
}

int FacetReducer::vertexAt(const Vector3d& p)
{
    const int index = int(positions.size());
    const int found = table.findOrAdd(p, index, positions.data());
    if (found != VertexTable::None)
        return found;
    positions.push_back(p);
    vertexEdges.emplace_back();
    quadrics.emplace_back();
    return index;
}

void FacetReducer::makeFace(int a, int b, int c)
{
    const int index = int(faces.size());
    Face face;
    const int from[3] = {a, b, c};
    const int to[3] = {b, c, a};
    for (int k = 0; k < 3; ++k) {
        int found = -1;
        bool flipped = false;
        for (int g : vertexEdges[size_t(from[k])]) {
            if (edgeRemoved[size_t(g)])
                continue;
            const Edge& e = edges[size_t(g)];
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
        if (found < 0) {
            found = int(edges.size());
            edges.emplace_back();
            edges.back().first = from[k];
            edges.back().second = to[k];
            edgeCosts.push_back(0.0);
            edgeRemoved.push_back(0);
            vertexEdges[size_t(from[k])].append(found);
            vertexEdges[size_t(to[k])].append(found);
        }
        edges[size_t(found)].faces.append(index);
        face.edges[k] = found;
        face.corners[k] = from[k];
        face.flipped[k] = flipped;
    }
    face.plane = Plane(positions[size_t(a)], positions[size_t(b)], positions[size_t(c)]);
    faces.push_back(face);
}

void FacetReducer::reserveFor(size_t facetCount, size_t collapses)
{
    // A mesh of n facets has about n / 2 vertices and 3n / 2 edges, a few
    // more along its border.
    auto grow = [](auto& v, size_t more) {
        const size_t wanted = v.size() + more + 16;
        if (wanted > v.capacity()) {
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
    grow(edgeCosts, edgeCount);
    grow(edgeRemoved, edgeCount);
    grow(faces, facetCount);
    table.reserve(positions.size() + vertexCount + 16, positions.data());
}

void FacetReducer::addShape(const QVector<Facet>& facets, ReductionProgress* progress)
{
    const size_t n = size_t(facets.size());
    // Room for the vertices that collapses may add as well.
    reserveFor(n, n / 2);
    // Neighbouring facets share corners: the last facet's corners are
    // looked at before the table.
    Vector3d recent[3];
    int recentIndex[3] = {-1, -1, -1};
    auto vertexNear = [&](const Vector3d& p) {
        for (int k = 0; k < 3; ++k)
            if (recentIndex[k] >= 0 && recent[k].x == p.x && recent[k].y == p.y && recent[k].z == p.z)
                return recentIndex[k];
        return vertexAt(p);
    };
    for (int i = 0; i < facets.size(); ++i) {
        if (progress) {
            progress->current = i;
            progress->update();
        }
        const Facet& f = facets[i];
        // A corner that is not a number would never meet its neighbours.
        if (!isFinite(f.corners[0]) || !isFinite(f.corners[1]) || !isFinite(f.corners[2]))
            continue;
        const int a = vertexNear(f.corners[0]);
        const int b = vertexNear(f.corners[1]);
        const int c = vertexNear(f.corners[2]);
        for (int k = 0; k < 3; ++k)
            recent[k] = f.corners[k];
        recentIndex[0] = a;
        recentIndex[1] = b;
        recentIndex[2] = c;
        if (a != b && b != c && a != c)
            makeFace(a, b, c);
    }
}

FacetShape FacetReducer::toFacetShape() const
{
    FacetShape shape;
    for (const Face& f : faces) {
        if (f.removed)
            continue;
        const Vector3d& p0 = positions[size_t(f.corners[0])];
        const Vector3d& p1 = positions[size_t(f.corners[1])];
        const Vector3d& p2 = positions[size_t(f.corners[2])];
        const Vector3d n = Vector3d::cross(p1 - p0, p2 - p0);
        if (n.length() == 0.0)
            continue;
        shape.addFacet(Facet(p0, p1, p2, n.normalized()));
    }
    return shape;
}

// ------------------------------------------------------------------- costs

void FacetReducer::vertexQuadric(int v)
{
    Quadric sum;
    for (int g : vertexEdges[size_t(v)]) {
        if (edgeRemoved[size_t(g)])
            continue;
        for (int f : edges[size_t(g)].faces)
            sum += Quadric::ofPlane(faces[size_t(f)].plane);
    }
    quadrics[size_t(v)] = sum;
}

void FacetReducer::markStale(int e)
{
    if (!stale[size_t(e)]) {
        stale[size_t(e)] = 1;
        staleEdges.push_back(e);
    }
}

void FacetReducer::setCost(int e, double cost)
{
    edgeCosts[size_t(e)] = cost;
    markStale(e);
}

Vector3d FacetReducer::fallbackPosition(const Edge& e, const Quadric& q) const
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

void FacetReducer::edgeCost(int index)
{
    Edge& e = edges[size_t(index)];
    Quadric sum = quadrics[size_t(e.first)];
    sum += quadrics[size_t(e.second)];
    if (!sum.minimum(&e.optimal))
        e.optimal = fallbackPosition(e, sum);
    setCost(index, sum.error(e.optimal));
}

void FacetReducer::updateVertexEdgeCosts(int v)
{
    // The neighbours' quadrics lie scattered: ask for all of them first.
    for (int g : vertexEdges[size_t(v)]) {
        const Edge& e = edges[size_t(g)];
        prefetch(&quadrics[size_t(e.other(v))]);
        prefetch(reinterpret_cast<const char*>(&quadrics[size_t(e.other(v))]) + 64);
    }
    for (int g : vertexEdges[size_t(v)])
        if (!edgeRemoved[size_t(g)])
            edgeCost(g);
}

bool FacetReducer::deadIn(int e, double maxCost) const
{
    // A removed edge never gets a new cost; unless it is still cheap enough
    // to be refused (and counted) once more, no walk will stop at it.
    const double cost = edgeCosts[size_t(e)];
    return edgeRemoved[size_t(e)] && !(cost <= maxCost && cost != Refused);
}

void FacetReducer::initCosts(double maxCost)
{
    stale.assign(edges.size(), 0);
    staleEdges.clear();
    // Each vertex's quadric once: its faces do not change meanwhile.
    std::vector<uint8_t> done(positions.size(), 0);
    for (size_t i = 0; i < edges.size(); ++i) {
        if (edgeRemoved[i])
            continue;
        const Edge& e = edges[i];
        for (int v : {e.first, e.second}) {
            if (!done[size_t(v)]) {
                done[size_t(v)] = 1;
                vertexQuadric(v);
            }
        }
        edgeCost(int(i));
    }
    for (int e : staleEdges)
        stale[size_t(e)] = 0;
    staleEdges.clear();

    sorted.clear();
    sorted.reserve(edges.size());
    for (size_t i = 0; i < edges.size(); ++i)
        if (!deadIn(int(i), maxCost))
            sorted.push_back({sortCost(edgeCosts[i]), int(i)});
    sortByCost(sorted, true);
}

void FacetReducer::sortByCost(std::vector<SortKey>& keys, bool inEdgeOrder)
{
    // Least significant digit first, eleven bits at a time: the edge
    // number's three digits (unless the keys come in edge order), then the
    // cost's six. Each pass keeps the order of equal digits.
    const size_t n = keys.size();
    if (n < 256) {
        std::sort(keys.begin(), keys.end(), [](const SortKey& a, const SortKey& b) {
            return a.cost < b.cost || (a.cost == b.cost && a.edge < b.edge);
        });
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
    radixSpare.resize(n);
    for (int d = first; d < Digits; ++d) {
        uint32_t* count = radixCounts.data() + size_t(d) * Buckets;
        if (count[digit(keys[0], d)] == n)
            continue;  // every key has the same digit here
        uint32_t sum = 0;
        for (int b = 0; b < Buckets; ++b) {
            const uint32_t c = count[b];
            count[b] = sum;
            sum += c;
        }
        for (const SortKey& k : keys)
            radixSpare[count[digit(k, d)]++] = k;
        keys.swap(radixSpare);
    }
}

void FacetReducer::resort(double maxCost)
{
    // Entries whose cost did not change are still in order. Removed edges
    // are stale too, so no clean entry needs a look at its edge.
    size_t kept = 0;
    for (const SortKey& k : sorted)
        if (!stale[size_t(k.edge)])
            sorted[kept++] = k;
    sorted.resize(kept);

    fresh.clear();
    for (int e : staleEdges) {
        stale[size_t(e)] = 0;
        if (!deadIn(e, maxCost))
            fresh.push_back({sortCost(edgeCosts[size_t(e)]), e});
    }
    staleEdges.clear();
    sortByCost(fresh, false);

    merged.resize(sorted.size() + fresh.size());
    std::merge(sorted.begin(), sorted.end(), fresh.begin(), fresh.end(), merged.begin(),
               [](const SortKey& a, const SortKey& b) { return a.cost < b.cost || (a.cost == b.cost && a.edge < b.edge); });
    sorted.swap(merged);
}

// ---------------------------------------------------------------- collapse

bool FacetReducer::canCollapse(int index)
{
    // The tests only look; the cheap ones go first.
    if (edgeRemoved[size_t(index)])
        return false;
    const Edge& e = edges[size_t(index)];
    if (e.faces.size() != 2)
        return false;
    for (int f : e.faces) {
        if (faces[size_t(f)].removed)
            continue;
        for (int g : faces[size_t(f)].edges)
            if (edges[size_t(g)].faces.size() != 2)
                return false;
    }
    const int at = table.find(e.optimal, positions.data());
    if (at != VertexTable::None && at != e.first && at != e.second)
        return false;

    // Everything below looks at the edges around both ends.
    for (int end : {e.first, e.second})
        for (int g : vertexEdges[size_t(end)])
            prefetch(&edges[size_t(g)]);

    // Link condition: the two ends share no neighbour beyond the corners of
    // the edge's own faces. Neighbourhoods are small: plain lists serve.
    Neighbourhood neighbours;
    for (int g : vertexEdges[size_t(e.first)])
        if (g != index && !edgeRemoved[size_t(g)])
            insert(neighbours, edges[size_t(g)].other(e.first));
    for (int f : e.faces)
        for (int k = 0; k < 3; ++k)
            neighbours.removeOne(faces[size_t(f)].corners[k]);
    for (int g : vertexEdges[size_t(e.second)])
        if (g != index && !edgeRemoved[size_t(g)] && contains(neighbours, edges[size_t(g)].other(e.second)))
            return false;

    // No face around either end may turn over when the end moves.
    for (int end : {e.first, e.second})
        for (int g : vertexEdges[size_t(end)])
            for (int f : edges[size_t(g)].faces)
                prefetch(&faces[size_t(f)]);
    const int ends[2][2] = {{e.first, e.second}, {e.second, e.first}};
    for (const auto& uw : ends) {
        const int u = uw[0], w = uw[1];
        const Vector3d& from = positions[size_t(u)];
        Neighbourhood seen;
        for (int g : vertexEdges[size_t(u)]) {
            if (edgeRemoved[size_t(g)])
                continue;
            for (int fi : edges[size_t(g)].faces) {
                // Each face lies on two edges of u; one look is enough.
                if (!insert(seen, fi))
                    continue;
                const Face& f = faces[size_t(fi)];
                if (f.corners[0] == w || f.corners[1] == w || f.corners[2] == w)
                    continue;
                for (int k = 0; k < 3; ++k) {
                    // Edge k joins corners k and k + 1, flipped when it runs
                    // the other way.
                    const int a = f.corners[k], b = f.corners[(k + 1) % 3];
                    if (a == u || b == u)
                        continue;
                    const Vector3d& p = positions[size_t(f.flipped[k] ? b : a)];
                    const Vector3d& q = positions[size_t(f.flipped[k] ? a : b)];
                    double before, after;
                    sideValues(p, q, f.plane, from, e.optimal, &before, &after);
                    if (before * after < 0)
                        return false;
                    break;
                }
            }
        }
    }
    return true;
}

void FacetReducer::refreshCorners(int index)
{
    const Edge& e = edges[size_t(index)];
    for (int fi : e.faces) {
        Face& f = faces[size_t(fi)];
        for (int k = 0; k < 3; ++k)
            if (f.edges[k] == index)
                f.corners[k] = f.flipped[k] ? e.second : e.first;
    }
}

void FacetReducer::removeEdge(int index)
{
    Edge& e = edges[size_t(index)];
    vertexEdges[size_t(e.first)].removeOne(index);
    vertexEdges[size_t(e.second)].removeOne(index);
    edgeRemoved[size_t(index)] = 1;
    markStale(index);
}

void FacetReducer::removeFace(int index)
{
    Face& f = faces[size_t(index)];
    for (int g : f.edges)
        edges[size_t(g)].faces.removeOne(index);
    f.removed = true;
}

int FacetReducer::collapseFaces(int index)
{
    Edge& e = edges[size_t(index)];
    const int count = e.faces.size();
    while (!e.faces.isEmpty()) {
        const int fi = e.faces.first();
        Face& f = faces[size_t(fi)];
        const int slot = f.edges[0] == index ? 0 : f.edges[1] == index ? 1 : 2;
        static const int xSlot[3] = {2, 0, 0};
        static const int ySlot[3] = {1, 2, 1};
        const int xi = f.edges[xSlot[slot]];
        const int yi = f.edges[ySlot[slot]];
        Edge& x = edges[size_t(xi)];
        Edge& y = edges[size_t(yi)];
        x.faces.removeOne(fi);
        y.faces.removeOne(fi);
        const int apex = (x.first == y.first || x.first == y.second) ? x.first : x.second;

        // The faces on y now lie on x, each keeping its corners.
        const bool swap = (x.first == apex) != (y.first == apex);
        while (!y.faces.isEmpty()) {
            const int gi = y.faces.first();
            y.faces.removeOne(gi);
            Face& g = faces[size_t(gi)];
            for (int k = 0; k < 3; ++k) {
                if (g.edges[k] == yi) {
                    g.edges[k] = xi;
                    g.flipped[k] = g.flipped[k] != swap;
                    g.corners[k] = g.flipped[k] ? x.second : x.first;
                }
            }
            x.faces.append(gi);
        }
        removeEdge(yi);
        removeFace(fi);
    }
    return count;
}

int FacetReducer::collapseVertices(int index)
{
    const Vector3d optimal = edges[size_t(index)].optimal;
    const int n = vertexAt(optimal);
    const int ends[2] = {edges[size_t(index)].first, edges[size_t(index)].second};
    for (int u : ends) {
        if (u == n)
            continue;
        IndexList<7>& list = vertexEdges[size_t(u)];
        for (int g : list) {
            Edge& edge = edges[size_t(g)];
            if (g == index || edgeRemoved[size_t(g)])
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

void FacetReducer::prefetchAhead(size_t i, double maxCost) const
{
    // The tests of an edge wander over its neighbourhood, scattered in
    // memory; asking for it a few edges ahead hides much of the wait.
    const size_t far = i + 16, near = i + 6;
    if (far < sorted.size() && sorted[far].cost <= maxCost) {
        const int e = sorted[far].edge;
        prefetch(&edges[size_t(e)]);
    }
    if (near < sorted.size() && sorted[near].cost <= maxCost) {
        const Edge& e = edges[size_t(sorted[near].edge)];
        for (int f : e.faces)
            prefetch(&faces[size_t(f)]);
        prefetch(&vertexEdges[size_t(e.first)]);
        prefetch(&vertexEdges[size_t(e.second)]);
        prefetch(&positions[size_t(e.first)]);
        prefetch(&positions[size_t(e.second)]);
    }
}

void FacetReducer::reduce(unsigned int targetFaces, double maxCost, ReductionProgress* progress)
{
    long long faceTotal = (long long)faces.size();
    const long long target = targetFaces;
    // Each collapse makes at most one vertex and takes two faces.
    reserveFor(0, size_t(faceTotal) / 2);
    initCosts(maxCost);
    const long long batch = faceTotal / 20;
    if (maxCost <= 0)
        return;

    long long count = 0;
    for (;;) {
        bool finished = false;
        if (!sorted.empty()) {
            if (target >= faceTotal) {
                finished = true;
            } else {
                for (size_t i = 0; i < sorted.size(); ++i) {
                    prefetchAhead(i, maxCost);
                    const int index = sorted[i].edge;
                    // An entry whose cost has not changed since the sort holds it.
                    const double cost = stale[size_t(index)] ? edgeCosts[size_t(index)] : sorted[i].cost;
                    if (cost <= maxCost && cost != Refused) {
                        if (canCollapse(index)) {
                            faceTotal -= collapseFaces(index);
                            const int n = collapseVertices(index);
                            ++count;
                            updateVertexEdgeCosts(n);
                        } else {
                            ++count;
                            setCost(index, Refused);
                        }
                        if (count >= batch) {
                            resort(maxCost);
                            count = 0;
                            break;
                        }
                    }
                    if (i + 1 == sorted.size())
                        break;
                    if (faceTotal <= target) {
                        finished = true;
                        break;
                    }
                }
            }
        }

        const double first = sorted.empty() ? Refused : edgeCosts[size_t(sorted.front().edge)];
        if (first <= maxCost && first != Refused) {
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

// ------------------------------------------------------- relief reduction

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

    QDir home(VekSettings::homeDir());
    const QString folderName = "tmp_" + QString::number(QCoreApplication::applicationPid(), 16);
    home.mkdir(folderName);
    const QString folder = home.filePath(folderName);
    auto stripPath = [&](unsigned int s) {
        return QDir::toNativeSeparators(folder) + QDir::separator() + "stltmp" + QString::number(s);
    };

    ReductionProgress progress;
    progress.dialog = dialog;
    if (dialog) {
        dialog->setMaximum(int(strips + 1) * 100);
        dialog->setValue(0);
    }

    // Vertices of the grid points of the two rows of the present cells.
    std::vector<int> rowAbove(size_t(width), -1), rowBelow(size_t(width), -1);
    reserveFor(size_t(2) * rows * unsigned(width), size_t(rows) * unsigned(width));

    const float* heights = relief.heights();
    const double zScale = relief.zScale();
    auto point = [&](int x, int y) {
        return Vector3d(x / 128.0, y / 128.0, double(heights[size_t(y) * size_t(width) + size_t(x)]) * zScale / 128.0);
    };

    bool failed = false;
    for (unsigned int s = 0; s < strips && !failed; ++s) {
        clear();
        if (progress.cancelled)
            break;
        const int firstRow = int(s * rows);
        const int endRow = s + 1 == strips ? height - 1 : firstRow + int(rows);

        // The cells' triangles go straight into the reducer, in the order a
        // shape of them would give; each grid point becomes a vertex when a
        // triangle first uses it.
        progress.phase = ReductionProgress::Triangulating;
        progress.strip = int(s);
        progress.start = firstRow;
        progress.end = endRow;
        std::fill(rowBelow.begin(), rowBelow.end(), -1);
        int added = 0;
        for (int j = firstRow; j < endRow; ++j) {
            progress.current = j;
            progress.update();
            rowAbove.swap(rowBelow);
            std::fill(rowBelow.begin(), rowBelow.end(), -1);
            if (j == firstRow)
                std::fill(rowAbove.begin(), rowAbove.end(), -1);
            auto vertex = [&](int x, int y) {
                int& slot = (y == j ? rowAbove : rowBelow)[size_t(x)];
                if (slot < 0)
                    slot = vertexAt(point(x, y));
                return slot;
            };
            for (int i = 0; i + 1 < width; ++i) {
                const Vector3d p00 = point(i, j), p10 = point(i + 1, j);
                const Vector3d p01 = point(i, j + 1), p11 = point(i + 1, j + 1);
                // A corner that is not a number would never meet its neighbours.
                const bool finite00 = isFinite(p00), finite11 = isFinite(p11);
                if (finite00 && finite11 && isFinite(p10) && !(p00.z == 0 && p10.z == 0 && p11.z == 0)) {
                    const int a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1);
                    makeFace(a, b, c);
                    ++added;
                }
                if (finite00 && finite11 && isFinite(p01) && !(p11.z == 0 && p01.z == 0 && p00.z == 0)) {
                    const int a = vertex(i + 1, j + 1), b = vertex(i, j + 1), c = vertex(i, j);
                    makeFace(a, b, c);
                    ++added;
                }
            }
        }
        progress.phase = ReductionProgress::Building;
        progress.start = 0;
        progress.end = progress.current = added;
        progress.update();

        progress.phase = ReductionProgress::Reducing;
        progress.start = progress.current = faceCount();
        progress.end = int(target / strips);
        reduce(target / strips, maxCost, &progress);

        // A strip that cannot be parked would leave a hole in the mesh.
        QFile file(stripPath(s));
        if (file.open(QIODevice::WriteOnly)) {
            QDataStream out(&file);
            failed = !writeFacetShapeStl(out, toFacetShape(), file.fileName()) || !file.flush();
        } else {
            failed = true;
        }

        progress.phase = ReductionProgress::Triangulating;
        progress.strip = int(s + 1);
        progress.start = 0;
        progress.end = 1;
        progress.current = 0;
        progress.update();
    }
    clear();

    FacetShape result;
    if (!progress.cancelled && !failed) {
        for (unsigned int s = 0; s < strips && !failed; ++s) {
            QFile file(stripPath(s));
            std::unique_ptr<FacetShape> part;
            if (file.open(QIODevice::ReadOnly)) {
                QDataStream in(&file);
                StlFileReader reader(&in);
                part.reset(readStl(reader));
            }
            failed = !part;
            for (int i = 0; part && i < part->facetCount() && !failed; ++i)
                failed = !result.addFacet(part->facets()[i]);
        }
    }
    for (unsigned int s = 0; s < strips; ++s)
        QFile::remove(stripPath(s));
    home.rmdir(folderName);

    if (failed && ok)
        *ok = false;
    if (progress.cancelled || failed)
        return FacetShape();

    progress.phase = ReductionProgress::Building;
    progress.start = 0;
    progress.end = result.facetCount();
    addShape(result.facets(), &progress);
    result = FacetShape();

    progress.phase = ReductionProgress::Reducing;
    progress.start = progress.current = faceCount();
    progress.end = int(target);
    reduce(target, maxCost, &progress);
    if (progress.cancelled) {
        clear();
        return FacetShape();
    }
    result = toFacetShape();

    progress.phase = ReductionProgress::Triangulating;
    progress.strip = int(strips + 1);
    progress.start = 0;
    progress.end = 1;
    progress.update();

    clear();
    result.center();
    return result;
}
