#include "mesh/facetreducer.h"

#include "app/veksettings.h"
#include "geometry/vekmath.h"
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

// Costs that are not numbers sort last, where nothing reaches them.
double sortCost(double cost)
{
    return std::isnan(cost) ? std::numeric_limits<double>::infinity() : cost;
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

FacetReducer::Quadric& FacetReducer::Quadric::operator+=(const Quadric& o)
{
    for (int i = 0; i < 10; ++i)
        q[i] += o.q[i];
    return *this;
}

double FacetReducer::Quadric::error(const Vector3d& v) const
{
    const double x = v.x, y = v.y, z = v.z;
    return x * (q[0] * x + q[1] * y + q[2] * z + q[3]) + y * (q[1] * x + q[4] * y + q[5] * z + q[6])
           + z * (q[2] * x + q[5] * y + q[7] * z + q[8]) + (q[3] * x + q[6] * y + q[8] * z + q[9]);
}

bool FacetReducer::Quadric::minimum(Vector3d* at) const
{
    const double Q[3][4] = {{q[0], q[1], q[2], q[3]}, {q[1], q[4], q[5], q[6]}, {q[2], q[5], q[7], q[8]}};
    // With the last row (0, 0, 0, 1) the determinant is that of the upper
    // 3 x 3 block, and the last column of the inverse is the cofactors of
    // the last row over it.
    auto det3 = [&](int c0, int c1, int c2) {
        return Q[0][c0] * (Q[1][c1] * Q[2][c2] - Q[1][c2] * Q[2][c1])
               - Q[0][c1] * (Q[1][c0] * Q[2][c2] - Q[1][c2] * Q[2][c0])
               + Q[0][c2] * (Q[1][c0] * Q[2][c1] - Q[1][c1] * Q[2][c0]);
    };
    const double det = det3(0, 1, 2);
    if (!(std::fabs(det) > 1e-6))
        return false;
    *at = Vector3d(-det3(1, 2, 3) / det, det3(0, 2, 3) / det, -det3(0, 1, 3) / det);
    return true;
}

// ------------------------------------------------------------ mesh records

void FacetReducer::clear()
{
    std::vector<Vector3d>().swap(positions);
    std::vector<IndexList<7>>().swap(vertexEdges);
    std::vector<Quadric>().swap(quadrics);
    table.clear();
    std::vector<Edge>().swap(edges);
    std::vector<Face>().swap(faces);
    std::vector<SortKey>().swap(sorted);
    std::vector<uint8_t>().swap(stale);
    std::vector<int>().swap(staleEdges);
    std::vector<uint32_t>().swap(vertexMark);
    std::vector<uint32_t>().swap(faceMark);
    stamp = 0;
}

int FacetReducer::vertexAt(const Vector3d& p)
{
    const int found = table.find(p, positions.data());
    if (found != VertexTable::None)
        return found;
    const int index = int(positions.size());
    positions.push_back(p);
    vertexEdges.emplace_back();
    quadrics.emplace_back();
    vertexMark.push_back(0);
    table.add(p, index, positions.data());
    return index;
}

int FacetReducer::corner(const Face& f, int k) const
{
    const Edge& e = edges[size_t(f.edges[k])];
    return f.flipped[k] ? e.second : e.first;
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
        if (found < 0) {
            found = int(edges.size());
            edges.emplace_back();
            edges.back().first = from[k];
            edges.back().second = to[k];
            vertexEdges[size_t(from[k])].append(found);
            vertexEdges[size_t(to[k])].append(found);
        }
        edges[size_t(found)].faces.append(index);
        face.edges[k] = found;
        face.flipped[k] = flipped;
    }
    face.plane = Plane(positions[size_t(a)], positions[size_t(b)], positions[size_t(c)]);
    faces.push_back(face);
    faceMark.push_back(0);
}

void FacetReducer::addShape(const QVector<Facet>& facets, ReductionProgress* progress)
{
    const size_t n = size_t(facets.size());
    positions.reserve(positions.size() + n / 2 + 16);
    table.reserve(positions.size() + n / 2 + 16, positions.data());
    edges.reserve(edges.size() + n * 3 / 2 + 16);
    faces.reserve(faces.size() + n);
    for (int i = 0; i < facets.size(); ++i) {
        if (progress) {
            progress->current = i;
            progress->update();
        }
        const Facet& f = facets[i];
        // A corner that is not a number would never meet its neighbours.
        if (!isFinite(f.corners[0]) || !isFinite(f.corners[1]) || !isFinite(f.corners[2]))
            continue;
        const int a = vertexAt(f.corners[0]);
        const int b = vertexAt(f.corners[1]);
        const int c = vertexAt(f.corners[2]);
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
        const Vector3d& p0 = positions[size_t(corner(f, 0))];
        const Vector3d& p1 = positions[size_t(corner(f, 1))];
        const Vector3d& p2 = positions[size_t(corner(f, 2))];
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
        const Edge& e = edges[size_t(g)];
        if (e.removed)
            continue;
        for (int f : e.faces)
            sum += Quadric::ofPlane(faces[size_t(f)].plane);
    }
    quadrics[size_t(v)] = sum;
}

void FacetReducer::setCost(int e, double cost)
{
    edges[size_t(e)].cost = cost;
    if (!stale[size_t(e)]) {
        stale[size_t(e)] = 1;
        staleEdges.push_back(e);
    }
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
    for (int g : vertexEdges[size_t(v)])
        if (!edges[size_t(g)].removed)
            edgeCost(g);
}

bool FacetReducer::deadIn(const Edge& e, double maxCost) const
{
    // A removed edge never gets a new cost; unless it is still cheap enough
    // to be refused (and counted) once more, no walk will stop at it.
    return e.removed && !(e.cost <= maxCost && e.cost != Refused);
}

void FacetReducer::initCosts(double maxCost)
{
    stale.assign(edges.size(), 0);
    staleEdges.clear();
    // Each vertex's quadric once: its faces do not change meanwhile.
    ++stamp;
    for (size_t i = 0; i < edges.size(); ++i) {
        const Edge& e = edges[i];
        if (e.removed)
            continue;
        for (int v : {e.first, e.second}) {
            if (vertexMark[size_t(v)] != stamp) {
                vertexMark[size_t(v)] = stamp;
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
        if (!deadIn(edges[i], maxCost))
            sorted.push_back({sortCost(edges[i].cost), int(i)});
    std::sort(sorted.begin(), sorted.end(),
              [](const SortKey& a, const SortKey& b) { return a.cost < b.cost || (a.cost == b.cost && a.edge < b.edge); });
}

void FacetReducer::resort(double maxCost)
{
    auto less = [](const SortKey& a, const SortKey& b) {
        return a.cost < b.cost || (a.cost == b.cost && a.edge < b.edge);
    };
    // Entries whose cost did not change are still in order.
    size_t kept = 0;
    for (const SortKey& k : sorted)
        if (!stale[size_t(k.edge)] && !deadIn(edges[size_t(k.edge)], maxCost))
            sorted[kept++] = k;
    sorted.resize(kept);

    std::vector<SortKey> fresh;
    fresh.reserve(staleEdges.size());
    for (int e : staleEdges) {
        stale[size_t(e)] = 0;
        if (!deadIn(edges[size_t(e)], maxCost))
            fresh.push_back({sortCost(edges[size_t(e)].cost), e});
    }
    staleEdges.clear();
    std::sort(fresh.begin(), fresh.end(), less);

    std::vector<SortKey> merged(sorted.size() + fresh.size());
    std::merge(sorted.begin(), sorted.end(), fresh.begin(), fresh.end(), merged.begin(), less);
    sorted.swap(merged);
}

// ---------------------------------------------------------------- collapse

bool FacetReducer::canCollapse(int index)
{
    const Edge& e = edges[size_t(index)];
    if (e.removed)
        return false;
    const int at = table.find(e.optimal, positions.data());
    if (at != VertexTable::None && at != e.first && at != e.second)
        return false;
    if (e.faces.size() != 2)
        return false;
    for (int f : e.faces) {
        if (faces[size_t(f)].removed)
            continue;
        for (int g : faces[size_t(f)].edges)
            if (edges[size_t(g)].faces.size() != 2)
                return false;
    }

    if (++stamp == 0) {
        std::fill(vertexMark.begin(), vertexMark.end(), 0);
        std::fill(faceMark.begin(), faceMark.end(), 0);
        stamp = 1;
    }
    // Link condition: the two ends share no neighbour beyond the corners of
    // the edge's own faces.
    for (int g : vertexEdges[size_t(e.first)])
        if (g != index && !edges[size_t(g)].removed)
            vertexMark[size_t(edges[size_t(g)].other(e.first))] = stamp;
    for (int f : e.faces)
        for (int k = 0; k < 3; ++k)
            vertexMark[size_t(corner(faces[size_t(f)], k))] = 0;
    for (int g : vertexEdges[size_t(e.second)])
        if (g != index && !edges[size_t(g)].removed && vertexMark[size_t(edges[size_t(g)].other(e.second))] == stamp)
            return false;

    // No face around either end may turn over when the end moves.
    const int ends[2][2] = {{e.first, e.second}, {e.second, e.first}};
    for (const auto& uw : ends) {
        const int u = uw[0], w = uw[1];
        const Vector3d& from = positions[size_t(u)];
        if (++stamp == 0) {
            std::fill(vertexMark.begin(), vertexMark.end(), 0);
            std::fill(faceMark.begin(), faceMark.end(), 0);
            stamp = 1;
        }
        for (int g : vertexEdges[size_t(u)]) {
            if (edges[size_t(g)].removed)
                continue;
            for (int fi : edges[size_t(g)].faces) {
                // Each face lies on two edges of u; one look is enough.
                if (faceMark[size_t(fi)] == stamp)
                    continue;
                faceMark[size_t(fi)] = stamp;
                const Face& f = faces[size_t(fi)];
                if (corner(f, 0) == w || corner(f, 1) == w || corner(f, 2) == w)
                    continue;
                for (int k = 0; k < 3; ++k) {
                    const Edge& opposite = edges[size_t(f.edges[k])];
                    if (opposite.first == u || opposite.second == u)
                        continue;
                    const Vector3d& p = positions[size_t(opposite.first)];
                    const Vector3d& q = positions[size_t(opposite.second)];
                    const Plane side(p, q, p + f.plane.normal());
                    if (side.value(from) * side.value(e.optimal) < 0)
                        return false;
                    break;
                }
            }
        }
    }
    return true;
}

void FacetReducer::removeEdge(int index)
{
    Edge& e = edges[size_t(index)];
    vertexEdges[size_t(e.first)].removeOne(index);
    vertexEdges[size_t(e.second)].removeOne(index);
    e.removed = true;
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
            if (g == index || edge.removed)
                continue;
            if (edge.first == u)
                edge.first = n;
            else
                edge.second = n;
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

void FacetReducer::reduce(unsigned int targetFaces, double maxCost, ReductionProgress* progress)
{
    long long faceTotal = (long long)faces.size();
    const long long target = targetFaces;
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
                    const int index = sorted[i].edge;
                    const double cost = edges[size_t(index)].cost;
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

        const double first = sorted.empty() ? Refused : edges[size_t(sorted.front().edge)].cost;
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

        QVector<Facet> shape;
        progress.phase = ReductionProgress::Triangulating;
        progress.strip = int(s);
        progress.start = firstRow;
        progress.end = endRow;
        for (int j = firstRow; j < endRow; ++j) {
            progress.current = j;
            progress.update();
            for (int i = 0; i + 1 < width; ++i) {
                const Vector3d p00 = point(i, j), p10 = point(i + 1, j);
                const Vector3d p01 = point(i, j + 1), p11 = point(i + 1, j + 1);
                // The reducer reads corners only; normals are left out.
                if (!(p00.z == 0 && p10.z == 0 && p11.z == 0))
                    shape.append(Facet(p00, p10, p11, Vector3d()));
                if (!(p11.z == 0 && p01.z == 0 && p00.z == 0))
                    shape.append(Facet(p11, p01, p00, Vector3d()));
            }
        }

        progress.phase = ReductionProgress::Building;
        progress.start = 0;
        progress.end = shape.size();
        addShape(shape, &progress);
        shape = QVector<Facet>();

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
