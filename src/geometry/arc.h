#pragma once

#include "geometry/segment.h"

namespace VekMath {

class PolyBezier;

// Circular arc about centre from start to end; the radius is the distance
// of start from the centre and the end is taken to lie on the same circle.
// Angles about the centre are measured y-down: atan2(-y, x), in [0, 2*pi).
// Without the orientation flag the arc runs towards decreasing angles, with
// it towards increasing angles; tangents, sweep and the cubic chain all
// follow this one direction.
class Arc : public Segment
{
public:
    Arc() : Arc(Vector2d(), Vector2d(), Vector2d(), false) {}
    Arc(const Vector2d& start, const Vector2d& end, const Vector2d& centre, bool orientation);

    Vector2d centre() const { return m_centre; }
    bool orientation() const { return m_orientation; }
    void setCentre(const Vector2d& c) { m_centre = c; }
    void setOrientation(bool orientation) { m_orientation = orientation; }

    Ray startTangent() const override;
    Ray endTangent() const override;

    double radius() const;
    double startAngle() const;
    double endAngle() const;
    // Angle travelled from start to end, in [0, 2*pi).
    double sweep() const;
    // Whether the y-down angle about the centre lies on the arc.
    bool containsAngle(double angle) const;
    // The arc as a chain of cubics of at most pi/16 each; an arc of zero
    // sweep gives an empty chain.
    PolyBezier toCubics() const;

private:
    Vector2d m_centre;
    bool m_orientation = false;
};

} // namespace VekMath
