#pragma once

#include "geometry/vector2d.h"

namespace VekMath {

class Bezier;
class Line;

// The band about a piece's chord that holds the whole piece: signed
// distances from the chord line between dmin and dmax.
class FatLine
{
public:
    explicit FatLine(const Bezier& curve);
    // A straight piece: the chord itself, dmin = dmax = 0.
    explicit FatLine(const Line& line);

    double distance(const Vector2d& q) const { return m_nx * q.x + m_ny * q.y + m_c; }
    double dmin() const { return m_dmin; }
    double dmax() const { return m_dmax; }

    // Parameter interval of q that can lie in the band, from the convex hull
    // of q's distance control points; false when the hull misses the band,
    // so q cannot meet the piece.
    bool clipInterval(const Bezier& q, double* tmin, double* tmax) const;

private:
    void setChord(const Vector2d& p0, const Vector2d& p3, const Vector2d& fallback1, const Vector2d& fallback2);

    double m_nx = 0.0;
    double m_ny = 1.0;
    double m_c = 0.0;
    double m_dmin = 0.0;
    double m_dmax = 0.0;
};

} // namespace VekMath
