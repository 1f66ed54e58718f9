#include "geometry/intersection.h"

#include "geometry/arc.h"
#include "geometry/bezier.h"
#include "geometry/curves.h"
#include "geometry/fatline.h"
#include "geometry/line.h"
#include "geometry/polybezier.h"
#include "geometry/vekmath.h"

#include <algorithm>
#include <cmath>

namespace VekMath {

namespace {

const double TwoPi = 2.0 * M_PI;

double wrapAngle(double a)
{
    a = std::fmod(a, TwoPi);
    if (a < 0.0)
        a += TwoPi;
    return a >= TwoPi ? 0.0 : a;
}

bool setOut(Vector2d* out, const Vector2d& p)
{
    if (out)
        *out = p;
    return true;
}

Bezier asCubic(const Line& line)
{
    return Bezier(line.start(), line.start(), line.end(), line.end());
}

// Size of a cubic for the clipping: the diagonal of its control points' box,
// which bounds the curve even when its ends meet.
double extent(const Bezier& c)
{
    const Vector2d p[4] = {c.start(), c.control1(), c.control2(), c.end()};
    double x1 = p[0].x, x2 = p[0].x, y1 = p[0].y, y2 = p[0].y;
    for (const Vector2d& q : p) {
        x1 = std::min(x1, q.x);
        x2 = std::max(x2, q.x);
        y1 = std::min(y1, q.y);
        y2 = std::max(y2, q.y);
    }
    return std::hypot(x2 - x1, y2 - y1);
}

Vector2d chordMidpoint(const Bezier& c)
{
    return (c.start() + c.end()) * 0.5;
}

// Keeps the part of c between the parameters t0 and t1.
void clipTo(Bezier& c, double t0, double t1)
{
    if (t1 <= t0) {
        const Vector2d p = c.pointAt(t0);
        c = Bezier(p, p, p, p);
        return;
    }
    if (t0 > 0.0) {
        Bezier second;
        c.split(second, t0);
        c = second;
        t1 = (t1 - t0) / (1.0 - t0);
    }
    if (t1 < 1.0) {
        Bezier rest;
        c.split(rest, t1);
    }
}

// Clips b against the fat line of a; false when b cannot meet a.
bool clipAgainst(const Bezier& a, Bezier& b)
{
    double t0 = 0.0;
    double t1 = 1.0;
    if (!FatLine(a).clipInterval(b, &t0, &t1))
        return false;
    clipTo(b, t0, t1);
    return true;
}

const int MaxPasses = 100;
const int MaxSplits = 40;

// Bezier clipping. The tolerances 0.5 and 1 are in the coordinates' unit.
bool clipCubics(Bezier a, Bezier b, Vector2d* out, int splits)
{
    double lenA = extent(a);
    double lenB = extent(b);
    for (int pass = 0; pass < MaxPasses; ++pass) {
        if (lenB > 0.5 && !clipAgainst(a, b))
            return false;
        const double newB = extent(b);
        if (lenA > 0.5 && !clipAgainst(b, a))
            return false;
        const double newA = extent(a);
        if (newA <= 1.0 && newB <= 1.0 && Vector2d::distance(chordMidpoint(a), chordMidpoint(b)) < 1.0)
            return setOut(out, midpoint(chordMidpoint(a), chordMidpoint(b)));
        if (newA > 0.8 * lenA && newB > 0.8 * lenB) {
            // Clipping stalls where the pieces meet more than once (or not
            // at all near each other): halve the larger and search each half.
            if ((newA <= 0.5 && newB <= 0.5) || splits >= MaxSplits)
                return false;
            Bezier& larger = newA >= newB ? a : b;
            Bezier second;
            larger.split(second, 0.5);
            if (&larger == &a)
                return clipCubics(a, b, out, splits + 1) || clipCubics(second, b, out, splits + 1);
            return clipCubics(a, b, out, splits + 1) || clipCubics(a, second, out, splits + 1);
        }
        lenA = newA;
        lenB = newB;
    }
    return false;
}

// Tries the chain's pieces from first to last and records the one met.
template <typename Piece>
bool meetChain(const Piece& piece, const PolyBezier& chain, Vector2d* out)
{
    for (int i = 0; i < chain.count(); ++i) {
        if (intersect(piece, chain.piece(i), out)) {
            chain.setHitIndex(i);
            return true;
        }
    }
    return false;
}

} // namespace

bool rayIntersection(const Ray& a, const Ray& b, double* x, double* y)
{
    const Vector2d& p = a.point;
    const Vector2d& u = a.direction;
    const Vector2d& v = b.direction;
    const Vector2d w = b.point - p;
    const double den = u.x * v.y - u.y * v.x;
    if (den == 0.0)
        return false;
    const double t = (v.y * w.x - v.x * w.y) / den;
    const double s = (w.x * u.y - w.y * u.x) / den;
    if (t < 0.0 || s < 0.0)
        return false;
    if (x)
        *x = p.x + t * u.x;
    if (y)
        *y = p.y + t * u.y;
    return true;
}

bool angleInSweep(double start, double end, double angle, bool reversed)
{
    start = wrapAngle(start);
    end = wrapAngle(end);
    angle = wrapAngle(angle);
    double sweep = reversed ? end - start : start - end;
    if (sweep < 0.0)
        sweep += TwoPi;
    double offset = reversed ? angle - start : start - angle;
    if (offset < 0.0)
        offset += TwoPi;
    // Angles computed from points on the ends land a rounding error off.
    const double eps = 1e-9;
    if (offset > TwoPi - eps)
        offset = 0.0;
    return offset <= sweep + eps;
}

bool intersect(const Line& a, const Line& b, Vector2d* out)
{
    const Vector2d da = a.end() - a.start();
    const Vector2d db = b.end() - b.start();
    const Vector2d w = b.start() - a.start();
    const double den = da.x * db.y - da.y * db.x;
    if (den == 0.0)
        return false;
    const double t = (db.y * w.x - db.x * w.y) / den;
    const double s = (w.x * da.y - da.x * w.y) / den;
    if (t < 0.0 || t > 1.0 || s < 0.0 || s > 1.0)
        return false;
    return setOut(out, a.start() + da * t);
}

bool intersect(const Line& a, const Arc& b, Vector2d* out)
{
    const Vector2d f = a.start() - b.centre();
    const Vector2d d = a.end() - a.start();
    const double r2 = Vector2d::squaredDistance(b.start(), b.centre());
    const double bb = d.dot(f);
    const double aa = d.squaredLength();
    if (aa == 0.0)
        return false;
    const double disc = bb * bb - aa * (f.squaredLength() - r2);
    if (disc < 0.0)
        return false;
    const double root = std::sqrt(disc);
    for (double t : {(root - bb) / aa, (-bb - root) / aa}) {
        if (t < 0.0 || t > 1.0)
            continue;
        const Vector2d p = a.start() + d * t;
        if (b.containsAngle(yDownAngle(b.centre(), p)))
            return setOut(out, p);
    }
    return false;
}

bool intersect(const Arc& a, const Line& b, Vector2d* out)
{
    return intersect(b, a, out);
}

bool intersect(const Line& a, const Bezier& b, Vector2d* out)
{
    return intersect(asCubic(a), b, out);
}

bool intersect(const Bezier& a, const Line& b, Vector2d* out)
{
    return intersect(b, a, out);
}

bool intersect(const Line& a, const PolyBezier& b, Vector2d* out)
{
    const Bezier cubic = asCubic(a);
    return intersect(cubic, b, out);
}

bool intersect(const PolyBezier& a, const Line& b, Vector2d* out)
{
    return intersect(b, a, out);
}

bool intersect(const Arc& a, const Arc& b, Vector2d* out)
{
    const double ra = a.radius();
    const double rb = b.radius();
    const Vector2d d = b.centre() - a.centre();
    const double dist = d.length();
    // Concentric circles either miss or coincide; neither gives a crossing.
    if (dist == 0.0 || ra + rb < dist || dist < std::fabs(ra - rb))
        return false;
    const double k = (ra * ra - rb * rb + dist * dist) / (2.0 * dist);
    const double h = std::sqrt(std::max(0.0, ra * ra - k * k));
    const Vector2d p = a.centre() + d * (k / dist);
    const Vector2d candidates[2] = {Vector2d(p.x + d.y * h / dist, p.y - d.x * h / dist),
                                    Vector2d(p.x - d.y * h / dist, p.y + d.x * h / dist)};
    for (const Vector2d& q : candidates) {
        if (a.containsAngle(yDownAngle(a.centre(), q)) && b.containsAngle(yDownAngle(b.centre(), q)))
            return setOut(out, q);
    }
    return false;
}

bool intersect(const Arc& a, const Bezier& b, Vector2d* out)
{
    const PolyBezier chain = a.toCubics();
    return intersect(b, chain, out);
}

bool intersect(const Bezier& a, const Arc& b, Vector2d* out)
{
    return intersect(b, a, out);
}

bool intersect(const Arc& a, const PolyBezier& b, Vector2d* out)
{
    return meetChain(a, b, out);
}

bool intersect(const PolyBezier& a, const Arc& b, Vector2d* out)
{
    return intersect(b, a, out);
}

bool intersect(const Bezier& a, const Bezier& b, Vector2d* out)
{
    return clipCubics(a, b, out, 0);
}

bool intersect(const Bezier& a, const PolyBezier& b, Vector2d* out)
{
    return meetChain(a, b, out);
}

bool intersect(const PolyBezier& a, const Bezier& b, Vector2d* out)
{
    return intersect(b, a, out);
}

bool intersect(const PolyBezier& a, const PolyBezier& b, Vector2d* out)
{
    for (int i = a.count() - 1; i >= 0; --i) {
        for (int j = 0; j < b.count(); ++j) {
            if (intersect(a.piece(i), b.piece(j), out)) {
                a.setHitIndex(i);
                b.setHitIndex(j);
                return true;
            }
        }
    }
    return false;
}

bool intersect(const Segment& a, const Segment& b, Vector2d* out)
{
    const int ta = a.type();
    const int tb = b.type();
    if (ta < Segment::LineType || ta > Segment::PolyBezierType || tb < Segment::LineType
        || tb > Segment::PolyBezierType)
        return false;
    // Put the pieces in the order line, arc, cubic, chain.
    if (ta > tb)
        return intersect(b, a, out);
    switch (ta * 10 + tb) {
    case 11: return intersect(static_cast<const Line&>(a), static_cast<const Line&>(b), out);
    case 12: return intersect(static_cast<const Line&>(a), static_cast<const Arc&>(b), out);
    case 13: return intersect(static_cast<const Line&>(a), static_cast<const Bezier&>(b), out);
    case 14: return intersect(static_cast<const Line&>(a), static_cast<const PolyBezier&>(b), out);
    case 22: return intersect(static_cast<const Arc&>(a), static_cast<const Arc&>(b), out);
    case 23: return intersect(static_cast<const Arc&>(a), static_cast<const Bezier&>(b), out);
    case 24: return intersect(static_cast<const Arc&>(a), static_cast<const PolyBezier&>(b), out);
    case 33: return intersect(static_cast<const Bezier&>(a), static_cast<const Bezier&>(b), out);
    case 34: return intersect(static_cast<const Bezier&>(a), static_cast<const PolyBezier&>(b), out);
    case 44: return intersect(static_cast<const PolyBezier&>(a), static_cast<const PolyBezier&>(b), out);
    default: return false;
    }
}

std::vector<std::unique_ptr<Segment>> joinCorner(const Segment& a, const Segment& b, int kind)
{
    std::vector<std::unique_ptr<Segment>> pieces;
    const Ray ta = a.endTangent();
    const Ray tb = b.startTangent();
    switch (kind) {
    case 0: {
        double x = 0.0;
        double y = 0.0;
        if (rayIntersection(ta, tb, &x, &y)) {
            pieces.push_back(std::make_unique<Line>(a.end(), Vector2d(x, y)));
            pieces.push_back(std::make_unique<Line>(Vector2d(x, y), b.start()));
        }
        break;
    }
    case 1:
        pieces.push_back(std::make_unique<Line>(a.end(), b.start()));
        break;
    case 2: {
        const Vector2d& u = ta.direction;
        const Vector2d& v = tb.direction;
        double x = 0.0;
        double y = 0.0;
        // The centre lies on the normals of both tangents, on the side the
        // corner turns to.
        if (rayIntersection(Ray{a.end(), Vector2d(-u.y, u.x)}, Ray{b.start(), Vector2d(v.y, -v.x)}, &x, &y)
            || rayIntersection(Ray{a.end(), Vector2d(u.y, -u.x)}, Ray{b.start(), Vector2d(-v.y, v.x)}, &x, &y))
            pieces.push_back(std::make_unique<Arc>(a.end(), b.start(), Vector2d(x, y), u.x * v.y - u.y * v.x > 0.0));
        break;
    }
    default:
        break;
    }
    return pieces;
}

} // namespace VekMath
