#pragma once

#include "geometry/vector2d.h"

class QRect;

namespace VekMath {

class Rect2di;

// Rectangle of doubles with corners (x1, y1) and (x2, y2), kept in the order
// given; containment and overlap treat all four edges as inside.
class Rect2d
{
public:
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;

    Rect2d() = default;
    Rect2d(double x, double y, double w, double h);
    Rect2d(const Vector2d& a, const Vector2d& b);
    // (0, 0, size.x, size.y).
    explicit Rect2d(const Vector2d& size);
    // r grown by m on every side.
    Rect2d(const Rect2d& r, double m);
    explicit Rect2d(const Rect2di& r);
    explicit Rect2d(const QRect& r);
    Rect2d(const Rect2d& o) = default;
    Rect2d& operator=(const Rect2d& o) = default;
    virtual ~Rect2d() {}

    void setRect(double x1, double y1, double x2, double y2);

    double width() const { return x2 - x1; }
    double height() const { return y2 - y1; }
    double area() const;
    Vector2d topLeft() const { return Vector2d(x1, y1); }
    Vector2d bottomRight() const { return Vector2d(x2, y2); }
    Vector2d topRight() const { return Vector2d(x2, y1); }
    Vector2d bottomLeft() const { return Vector2d(x1, y2); }
    Vector2d center() const;
    QRect toQRect() const;

    // Overlap; (0, 0, 0, 0) when apart, touching edges count as overlap.
    Rect2d intersected(const Rect2d& o) const;
    Rect2d& operator&=(const Rect2d& o);
    Rect2d united(const Rect2d& o) const;
    Rect2d united(const Vector2d& p) const;
    Rect2d& operator|=(const Rect2d& o);
    Rect2d& operator|=(const Vector2d& p);

    Rect2d& operator*=(double s);
    // Division by exactly 0 is a fatal error.
    Rect2d& operator/=(double s);
    bool operator==(const Rect2d& o) const;
    bool operator!=(const Rect2d& o) const;

    bool contains(const Vector2d& p) const;
    bool contains(const Rect2d& o) const;
    // Strict tests against the bounds widened by tol.
    bool contains(const Vector2d& p, double tol) const;
    bool contains(const Rect2d& o, double tol) const;
    bool intersects(const Rect2d& o) const;

    void translate(double dx, double dy);
    void translate(const Vector2d& v);
    Rect2d& operator+=(const Vector2d& v);
    Rect2d translated(const Vector2d& v) const;
    Rect2d operator+(const Vector2d& v) const;
    Rect2d centeredAt(const Vector2d& p) const;
    Rect2d grown(double m) const;
};

} // namespace VekMath
