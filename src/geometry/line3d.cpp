#include "geometry/line3d.h"

#include "geometry/plane.h"

namespace VekMath {

Vector3d Line3d::closestPoint(const Vector3d& p) const
{
    const Vector3d w(start, p);
    const Vector3d u = direction.normalized();
    const double t = w.dot(u);
    if (t <= 0.0)
        return start;
    if (t * t >= direction.squaredLength())
        return end();
    return start + u * t;
}

namespace {

// Keeps the candidate segment from p to q when it is strictly shorter than best.
void keepShorter(Line3d& best, double& bestLength, const Vector3d& p, const Vector3d& q)
{
    const double len = Vector3d::squaredDistance(p, q);
    if (len < bestLength) {
        best = Line3d(p, Vector3d(p, q));
        bestLength = len;
    }
}

// The end of segment s nearer to p; the far end wins a tie.
Vector3d nearerEnd(const Line3d& s, const Vector3d& p)
{
    const Vector3d e = s.end();
    return Vector3d::squaredDistance(s.start, p) < Vector3d::squaredDistance(e, p) ? s.start : e;
}

} // namespace

Line3d Line3d::shortestConnection(const Line3d& a, const Line3d& b)
{
    const Vector3d n = Vector3d::cross(a.direction, b.direction);
    const Vector3d aEnd = a.end();
    const Vector3d bEnd = b.end();
    if (n.length() != 0.0) {
        const Plane planeA(a.start, aEnd, aEnd + n);
        const Plane planeB(b.start, bEnd, bEnd + n);
        Vector3d qa, qb;
        const bool hasA = planeB.intersect(a, &qa);
        const bool hasB = planeA.intersect(b, &qb);
        if (hasA && hasB)
            return Line3d(qa, Vector3d(qa, qb));
        if (hasA) {
            const Vector3d q = nearerEnd(b, qa);
            return Line3d(qa, Vector3d(qa, q));
        }
        if (hasB) {
            const Vector3d q = nearerEnd(a, qb);
            return Line3d(q, Vector3d(q, qb));
        }
        Line3d best(a.start, Vector3d(a.start, b.start));
        double bestLength = best.direction.squaredLength();
        keepShorter(best, bestLength, a.start, bEnd);
        keepShorter(best, bestLength, aEnd, bEnd);
        keepShorter(best, bestLength, aEnd, b.start);
        return best;
    }
    // Parallel segments: each end point joined to its nearest point on the
    // other segment, starting at the end point.
    Line3d best(b.start, Vector3d(b.start, a.closestPoint(b.start)));
    double bestLength = best.direction.squaredLength();
    keepShorter(best, bestLength, bEnd, a.closestPoint(bEnd));
    keepShorter(best, bestLength, a.start, b.closestPoint(a.start));
    keepShorter(best, bestLength, aEnd, b.closestPoint(aEnd));
    return best;
}

} // namespace VekMath
