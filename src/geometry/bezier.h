#pragma once

#include "geometry/rect2d.h"
#include "geometry/segment.h"

namespace VekMath {

// Cubic with P0 = start, P1 = control 1, P2 = control 2, P3 = end.
class Bezier : public Segment
{
public:
    Bezier() : Bezier(Vector2d(), Vector2d(), Vector2d(), Vector2d()) {}
    Bezier(const Vector2d& start, const Vector2d& control1, const Vector2d& control2, const Vector2d& end);

    Vector2d control1() const { return m_control1; }
    Vector2d control2() const { return m_control2; }
    void setControl1(const Vector2d& p) { m_control1 = p; }
    void setControl2(const Vector2d& p) { m_control2 = p; }

    Ray startTangent() const override;
    Ray endTangent() const override;

    Vector2d pointAt(double t) const;
    // De Casteljau subdivision: this keeps the part from 0 to t, second
    // receives the part from t to 1.
    void split(Bezier& second, double t);
    // Splits where the curve passes within tol of p; false when it does not.
    bool splitNear(const Vector2d& p, Bezier& second, double tol);
    // Tight box of the curve, end points included.
    Rect2d boundingRect() const;

private:
    Vector2d m_control1;
    Vector2d m_control2;
};

} // namespace VekMath
