#ifndef REFERENCEREDUCER_H
#define REFERENCEREDUCER_H

#include "geometry/plane.h"
#include "geometry/vekmath.h"
#include "mesh/facetreducer.h"

#include <QList>

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <tuple>

// The edge-collapse reduction done the slow, literal way: linked records,
// an ordered vertex table and the whole edge list sorted again after every
// batch. The fast reducer must give exactly its faces. Ties in cost are
// broken by the order in which edges were made, as the fast reducer does.
class ReferenceReducer
{
public:
    using Vector3d = VekMath::Vector3d;
    using Quadric = FacetReducer::Quadric;
    struct Edge;
    struct Face;
    struct Vertex
    {
        Vector3d position;
        QList<Edge*> edges;
        Quadric quadric;
    };
    struct Edge
    {
        Vertex* first;
        Vertex* second;
        int id;
        Vector3d optimal;
        double cost = 0;
        QList<Face*> faces;
        bool removed = false;
        Vertex* other(Vertex* v) const { return v == first ? second : first; }
    };
    struct Face
    {
        Edge* edges[3];
        bool flipped[3];
        VekMath::Plane plane;
        bool removed = false;
    };

    ~ReferenceReducer()
    {
        qDeleteAll(edgeList);
        qDeleteAll(faceList);
        for (auto& entry : table)
            delete entry.second;
    }

    void addShape(const QVector<Facet>& facets)
    {
        for (const Facet& f : facets) {
            Vertex* a = insert(f.corners[0]);
            Vertex* b = insert(f.corners[1]);
            Vertex* c = insert(f.corners[2]);
            if (a != b && b != c && a != c)
                faceList.append(makeFace(a, b, c));
        }
    }

    void reduce(unsigned int targetFaces, double maxCost)
    {
        const double largest = std::numeric_limits<double>::max();
        long long faces = faceList.size();
        const long long target = targetFaces;
        initCosts();
        const long long batch = faces / 20;
        QList<Edge*> snapshot = edgeList;
        if (maxCost <= 0)
            return;
        long long count = 0;
        for (;;) {
            bool finished = false;
            if (!snapshot.isEmpty() && target >= faces) {
                finished = true;
            } else {
                for (int i = 0; i < snapshot.size(); ++i) {
                    Edge* e = snapshot[i];
                    if (e->cost <= maxCost && e->cost != largest) {
                        if (canCollapse(e)) {
                            faces -= collapseFaces(e);
                            Vertex* n = collapseVertices(e);
                            ++count;
                            for (Edge* g : n->edges)
                                if (!g->removed)
                                    edgeCost(g);
                        } else {
                            ++count;
                            e->cost = largest;
                        }
                        if (count >= batch) {
                            sortEdges();
                            snapshot = edgeList;
                            count = 0;
                            break;
                        }
                    }
                    if (i == snapshot.size() - 1)
                        break;
                    if (faces <= target) {
                        finished = true;
                        break;
                    }
                }
            }
            if (snapshot.isEmpty() || !(snapshot.first()->cost <= maxCost && snapshot.first()->cost != largest)
                || finished)
                return;
        }
    }

    FacetShape toFacetShape() const
    {
        FacetShape shape;
        for (Face* f : faceList) {
            if (f->removed)
                continue;
            const Vector3d p0 = corner(f, 0)->position, p1 = corner(f, 1)->position, p2 = corner(f, 2)->position;
            const Vector3d n = Vector3d::cross(p1 - p0, p2 - p0);
            if (n.length() != 0)
                shape.addFacet(Facet(p0, p1, p2, n.normalized()));
        }
        return shape;
    }

private:
    using Key = std::tuple<double, double, double>;

    static Key key(const Vector3d& p) { return Key(p.x, p.y, p.z); }

    Vertex* insert(const Vector3d& p)
    {
        Vertex*& v = table[key(p)];
        if (!v)
            v = new Vertex{p, {}, Quadric()};
        return v;
    }

    static Vertex* corner(const Face* f, int k) { return f->flipped[k] ? f->edges[k]->second : f->edges[k]->first; }

    Face* makeFace(Vertex* a, Vertex* b, Vertex* c)
    {
        Face* face = new Face;
        Vertex* from[3] = {a, b, c};
        Vertex* to[3] = {b, c, a};
        for (int k = 0; k < 3; ++k) {
            Edge* found = nullptr;
            bool flipped = false;
            for (Edge* e : from[k]->edges) {
                if (!e->removed && e->other(from[k]) == to[k]) {
                    found = e;
                    flipped = e->first == to[k];
                    break;
                }
            }
            if (!found) {
                found = new Edge{from[k], to[k], int(edgeList.size()), Vector3d(), 0, {}, false};
                edgeList.append(found);
                from[k]->edges.append(found);
                to[k]->edges.append(found);
            }
            found->faces.append(face);
            face->edges[k] = found;
            face->flipped[k] = flipped;
        }
        face->plane = VekMath::Plane(a->position, b->position, c->position);
        return face;
    }

    void vertexQuadric(Vertex* v)
    {
        v->quadric = Quadric();
        for (Edge* e : v->edges)
            if (!e->removed)
                for (Face* f : e->faces)
                    v->quadric += Quadric::ofPlane(f->plane);
    }

    void edgeCost(Edge* e)
    {
        Quadric q = e->first->quadric;
        q += e->second->quadric;
        if (!q.minimum(&e->optimal)) {
            const Vector3d a = e->first->position, b = e->second->position, m = VekMath::midpoint(a, b);
            const double c1 = q.error(a), c2 = q.error(b), cm = q.error(m);
            e->optimal = c1 < c2 && c1 < cm ? a : c2 < cm ? b : m;
        }
        e->cost = q.error(e->optimal);
    }

    void sortEdges()
    {
        std::sort(edgeList.begin(), edgeList.end(),
                  [](const Edge* a, const Edge* b) { return a->cost < b->cost || (a->cost == b->cost && a->id < b->id); });
    }

    void initCosts()
    {
        for (Edge* e : edgeList) {
            if (e->removed)
                continue;
            vertexQuadric(e->first);
            vertexQuadric(e->second);
            edgeCost(e);
        }
        sortEdges();
    }

    bool canCollapse(Edge* e)
    {
        if (e->removed)
            return false;
        const auto at = table.find(key(e->optimal));
        if (at != table.end() && at->second != e->first && at->second != e->second)
            return false;
        if (e->faces.size() != 2)
            return false;
        for (Face* f : e->faces)
            if (!f->removed)
                for (Edge* g : f->edges)
                    if (g->faces.size() != 2)
                        return false;
        std::set<Vertex*> marked;
        for (Edge* g : e->first->edges)
            if (g != e && !g->removed)
                marked.insert(g->other(e->first));
        for (Face* f : e->faces)
            for (int k = 0; k < 3; ++k)
                marked.erase(corner(f, k));
        for (Edge* g : e->second->edges)
            if (g != e && !g->removed && marked.count(g->other(e->second)))
                return false;
        for (Vertex* u : {e->first, e->second}) {
            Vertex* w = e->other(u);
            for (Edge* g : u->edges) {
                if (g->removed)
                    continue;
                for (Face* f : g->faces) {
                    if (corner(f, 0) == w || corner(f, 1) == w || corner(f, 2) == w)
                        continue;
                    for (Edge* o : f->edges) {
                        if (o->first == u || o->second == u)
                            continue;
                        const Vector3d p = o->first->position;
                        const VekMath::Plane side(p, o->second->position, p + f->plane.normal());
                        if (side.value(u->position) * side.value(e->optimal) < 0)
                            return false;
                        break;
                    }
                }
            }
        }
        return true;
    }

    static void removeEdge(Edge* e)
    {
        e->first->edges.removeOne(e);
        e->second->edges.removeOne(e);
        e->removed = true;
    }

    int collapseFaces(Edge* e)
    {
        const int count = e->faces.size();
        while (!e->faces.isEmpty()) {
            Face* f = e->faces.first();
            const int slot = f->edges[0] == e ? 0 : f->edges[1] == e ? 1 : 2;
            Edge* x = f->edges[slot == 0 ? 2 : 0];
            Edge* y = f->edges[slot == 1 ? 2 : 1];
            x->faces.removeOne(f);
            y->faces.removeOne(f);
            Vertex* apex = (x->first == y->first || x->first == y->second) ? x->first : x->second;
            while (!y->faces.isEmpty()) {
                Face* g = y->faces.takeFirst();
                for (int k = 0; k < 3; ++k) {
                    if (g->edges[k] == y) {
                        g->edges[k] = x;
                        g->flipped[k] = g->flipped[k] ^ (x->first == apex) ^ (y->first == apex);
                    }
                }
                x->faces.append(g);
            }
            removeEdge(y);
            for (Edge* g : f->edges)
                g->faces.removeOne(f);
            f->removed = true;
        }
        return count;
    }

    Vertex* collapseVertices(Edge* e)
    {
        Vertex* n = insert(e->optimal);
        for (Vertex* u : {e->first, e->second}) {
            if (u == n)
                continue;
            while (!u->edges.isEmpty()) {
                Edge* g = u->edges.takeFirst();
                if (g == e || g->removed)
                    continue;
                (g->first == u ? g->first : g->second) = n;
                n->edges.append(g);
            }
        }
        removeEdge(e);
        Quadric sum = e->first->quadric;
        sum += e->second->quadric;
        n->quadric = sum;
        return n;
    }

    std::map<Key, Vertex*> table;
    QList<Edge*> edgeList;
    QList<Face*> faceList;
};

#endif
