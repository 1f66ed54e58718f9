#pragma once

#include "geometry/vector2d.h"

#include <QPoint>
#include <QRect>

#include <cstdint>

namespace VekMath {

class Rect2d;

// Rectangle of grid cells x1 <= x < x2, y1 <= y < y2: the right and bottom
// edges are exclusive. Empty when x1 >= x2 or y1 >= y2; test with isEmpty().
class Rect2di
{
public:
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;

    Rect2di() = default;
    Rect2di(int x, int y, int w, int h);
    Rect2di(const QPoint& a, const QPoint& b);
    // (0, 0, size.x, size.y).
    explicit Rect2di(const QPoint& size);
    // r grown by m on every side (negative m shrinks).
    Rect2di(const Rect2di& r, int m);
    // The cells covering r.
    explicit Rect2di(const Rect2d& r);
    Rect2di(const Rect2d& r, int m);
    explicit Rect2di(const QRect& r);
    Rect2di(const Rect2di& o) = default;
    Rect2di& operator=(const Rect2di& o) = default;
    virtual ~Rect2di() {}

    void setRect(int x1, int y1, int x2, int y2);

    // The one emptiness test: x1 >= x2 or y1 >= y2.
    bool isEmpty() const { return x1 >= x2 || y1 >= y2; }
    // Sides wider than an int can hold are pinned to its ends.
    int width() const { return side(x1, x2); }
    int height() const { return side(y1, y2); }
    // Number of cells; 0 for an empty rectangle.
    int area() const;
    QPoint topLeft() const { return QPoint(x1, y1); }
    QPoint bottomRight() const { return QPoint(x2, y2); }
    QPoint topRight() const { return QPoint(x2, y1); }
    QPoint bottomLeft() const { return QPoint(x1, y2); }
    QPoint size() const { return QPoint(width(), height()); }
    Vector2d halfSize() const;
    Vector2d center() const;
    // QRect with corners (x1, y1) and (x2 - 1, y2 - 1).
    QRect toQRect() const;

    // Overlap; empty when the two only touch, (0, 0, 0, 0) when apart.
    Rect2di intersected(const Rect2di& o) const;
    Rect2di& operator&=(const Rect2di& o);
    // Union; an empty rectangle becomes a copy of o.
    Rect2di& operator|=(const Rect2di& o);
    // Grows to take in the cell at p.
    Rect2di& operator|=(const QPoint& p);
    Rect2di united(const Rect2di& o) const;
    Rect2di united(const QPoint& p) const;

    Rect2di& operator*=(int s);
    // Truncating division; division by 0 is a fatal error.
    Rect2di& operator/=(int s);
    bool operator==(const Rect2di& o) const;
    bool operator!=(const Rect2di& o) const;

    // Both edges count as inside.
    bool contains(const QPoint& p) const;
    bool contains(const Rect2di& o) const;
    bool intersects(const Rect2di& o) const;

    void translate(int dx, int dy);
    Rect2di& operator+=(const QPoint& p);
    // Corners moved in doubles and truncated toward zero.
    Rect2di& operator+=(const Vector2d& v);
    Rect2di translated(int dx, int dy) const;
    Rect2di operator+(const QPoint& p) const;
    Rect2di centeredAt(const Vector2d& p) const;
    Rect2di grown(int m) const;

private:
    static int side(int32_t low, int32_t high)
    {
        const int64_t d = int64_t(high) - low;
        return d > INT32_MAX ? INT32_MAX : d < INT32_MIN ? INT32_MIN : int(d);
    }
};

} // namespace VekMath
