#include "geometry/rect2d.h"

#include "geometry/rect2di.h"

#include <QRect>
#include <QtGlobal>

#include <algorithm>

namespace VekMath {

Rect2d::Rect2d(double x, double y, double w, double h) : x1(x), y1(y), x2(x + w), y2(y + h) {}

Rect2d::Rect2d(const Vector2d& a, const Vector2d& b) : x1(a.x), y1(a.y), x2(b.x), y2(b.y) {}

Rect2d::Rect2d(const Vector2d& size) : x1(0.0), y1(0.0), x2(size.x), y2(size.y) {}

Rect2d::Rect2d(const Rect2d& r, double m) : x1(r.x1 - m), y1(r.y1 - m), x2(r.x2 + m), y2(r.y2 + m) {}

Rect2d::Rect2d(const Rect2di& r) : x1(r.x1), y1(r.y1), x2(r.x2), y2(r.y2) {}

Rect2d::Rect2d(const QRect& r) : x1(r.left()), y1(r.top()), x2(r.right()), y2(r.bottom()) {}

void Rect2d::setRect(double nx1, double ny1, double nx2, double ny2)
{
    x1 = nx1;
    y1 = ny1;
    x2 = nx2;
    y2 = ny2;
}

double Rect2d::area() const
{
    return (x2 - x1) * (y2 - y1);
}

Vector2d Rect2d::center() const
{
    return Vector2d((x1 + x2) * 0.5, (y1 + y2) * 0.5);
}

QRect Rect2d::toQRect() const
{
    return QRect(qRound(x1), qRound(y1), qRound(x2 - x1), qRound(y2 - y1));
}

Rect2d Rect2d::intersected(const Rect2d& o) const
{
    if (!intersects(o))
        return Rect2d();
    Rect2d r;
    r.setRect(std::max(x1, o.x1), std::max(y1, o.y1), std::min(x2, o.x2), std::min(y2, o.y2));
    return r;
}

Rect2d& Rect2d::operator&=(const Rect2d& o)
{
    *this = intersected(o);
    return *this;
}

Rect2d Rect2d::united(const Rect2d& o) const
{
    Rect2d r(*this);
    return r |= o;
}

Rect2d Rect2d::united(const Vector2d& p) const
{
    Rect2d r(*this);
    return r |= p;
}

Rect2d& Rect2d::operator|=(const Rect2d& o)
{
    setRect(std::min(x1, o.x1), std::min(y1, o.y1), std::max(x2, o.x2), std::max(y2, o.y2));
    return *this;
}

Rect2d& Rect2d::operator|=(const Vector2d& p)
{
    setRect(std::min(x1, p.x), std::min(y1, p.y), std::max(x2, p.x), std::max(y2, p.y));
    return *this;
}

Rect2d& Rect2d::operator*=(double s)
{
    setRect(x1 * s, y1 * s, x2 * s, y2 * s);
    return *this;
}

Rect2d& Rect2d::operator/=(double s)
{
    if (s == 0.0)
        qFatal("Rect2d::operator /=(): division by zero!");
    setRect(x1 / s, y1 / s, x2 / s, y2 / s);
    return *this;
}

bool Rect2d::operator==(const Rect2d& o) const
{
    return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
}

bool Rect2d::operator!=(const Rect2d& o) const
{
    return !(*this == o);
}

bool Rect2d::contains(const Vector2d& p) const
{
    return x1 <= p.x && p.x <= x2 && y1 <= p.y && p.y <= y2;
}

bool Rect2d::contains(const Rect2d& o) const
{
    return o.x1 >= x1 && o.x2 <= x2 && o.y1 >= y1 && o.y2 <= y2;
}

bool Rect2d::contains(const Vector2d& p, double tol) const
{
    return x1 - tol < p.x && p.x < x2 + tol && y1 - tol < p.y && p.y < y2 + tol;
}

bool Rect2d::contains(const Rect2d& o, double tol) const
{
    return contains(o.topLeft(), tol) && contains(o.bottomRight(), tol);
}

bool Rect2d::intersects(const Rect2d& o) const
{
    return x2 >= o.x1 && y2 >= o.y1 && o.x2 >= x1 && o.y2 >= y1;
}

void Rect2d::translate(double dx, double dy)
{
    setRect(x1 + dx, y1 + dy, x2 + dx, y2 + dy);
}

void Rect2d::translate(const Vector2d& v)
{
    translate(v.x, v.y);
}

Rect2d& Rect2d::operator+=(const Vector2d& v)
{
    translate(v);
    return *this;
}

Rect2d Rect2d::translated(const Vector2d& v) const
{
    Rect2d r(*this);
    return r += v;
}

Rect2d Rect2d::operator+(const Vector2d& v) const
{
    return translated(v);
}

Rect2d Rect2d::centeredAt(const Vector2d& p) const
{
    const double w = width();
    const double h = height();
    const double nx1 = p.x - w * 0.5;
    const double ny1 = p.y - h * 0.5;
    Rect2d r;
    r.setRect(nx1, ny1, nx1 + w, ny1 + h);
    return r;
}

Rect2d Rect2d::grown(double m) const
{
    return Rect2d(*this, m);
}

} // namespace VekMath
