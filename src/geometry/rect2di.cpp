#include "geometry/rect2di.h"

#include "geometry/rect2d.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>

namespace VekMath {

namespace {

// Whole double to int without the undefined behaviour of an out-of-range
// cast: values beyond the int range are pinned to its ends, NaN gives 0.
int32_t toInt(double v)
{
    if (std::isnan(v))
        return 0;
    const double lo = std::numeric_limits<int32_t>::min();
    const double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(v), lo, hi));
}

} // namespace

Rect2di::Rect2di(int x, int y, int w, int h) : x1(x), y1(y), x2(x + w), y2(y + h) {}

Rect2di::Rect2di(const QPoint& a, const QPoint& b) : x1(a.x()), y1(a.y()), x2(b.x()), y2(b.y()) {}

Rect2di::Rect2di(const QPoint& size) : x1(0), y1(0), x2(size.x()), y2(size.y()) {}

Rect2di::Rect2di(const Rect2di& r, int m) : x1(r.x1 - m), y1(r.y1 - m), x2(r.x2 + m), y2(r.y2 + m) {}

Rect2di::Rect2di(const Rect2d& r)
    : x1(toInt(std::floor(r.x1))), y1(toInt(std::floor(r.y1))),
      x2(toInt(std::ceil(r.x2))), y2(toInt(std::ceil(r.y2)))
{
}

Rect2di::Rect2di(const Rect2d& r, int m) : Rect2di(Rect2di(r), m) {}

Rect2di::Rect2di(const QRect& r) : x1(r.left()), y1(r.top()), x2(r.right()), y2(r.bottom()) {}

void Rect2di::setRect(int nx1, int ny1, int nx2, int ny2)
{
    x1 = nx1;
    y1 = ny1;
    x2 = nx2;
    y2 = ny2;
}

int Rect2di::area() const
{
    // A rectangle inverted on both axes would give a positive product, so
    // emptiness is tested first; sides and product are taken wide and the
    // count is capped rather than wrapped.
    if (isEmpty())
        return 0;
    const int64_t w = int64_t(x2) - x1;
    const int64_t h = int64_t(y2) - y1;
    const int64_t cap = std::numeric_limits<int>::max();
    return w > cap / h ? int(cap) : int(std::min(w * h, cap));
}

Vector2d Rect2di::halfSize() const
{
    return Vector2d((width() + 1) / 2, (height() + 1) / 2);
}

Vector2d Rect2di::center() const
{
    return Vector2d(x1, y1) + halfSize();
}

QRect Rect2di::toQRect() const
{
    return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
}

Rect2di Rect2di::intersected(const Rect2di& o) const
{
    if (!intersects(o))
        return Rect2di();
    Rect2di r;
    r.setRect(std::max(x1, o.x1), std::max(y1, o.y1), std::min(x2, o.x2), std::min(y2, o.y2));
    return r;
}

Rect2di& Rect2di::operator&=(const Rect2di& o)
{
    *this = intersected(o);
    return *this;
}

Rect2di& Rect2di::operator|=(const Rect2di& o)
{
    if (isEmpty())
        *this = o;
    else
        setRect(std::min(x1, o.x1), std::min(y1, o.y1), std::max(x2, o.x2), std::max(y2, o.y2));
    return *this;
}

Rect2di& Rect2di::operator|=(const QPoint& p)
{
    setRect(std::min(x1, p.x()), std::min(y1, p.y()), std::max(x2, p.x() + 1), std::max(y2, p.y() + 1));
    return *this;
}

Rect2di Rect2di::united(const Rect2di& o) const
{
    Rect2di r(*this);
    return r |= o;
}

Rect2di Rect2di::united(const QPoint& p) const
{
    Rect2di r(*this);
    return r |= p;
}

Rect2di& Rect2di::operator*=(int s)
{
    setRect(x1 * s, y1 * s, x2 * s, y2 * s);
    return *this;
}

Rect2di& Rect2di::operator/=(int s)
{
    if (s == 0)
        qFatal("Rect2di::operator /=(): division by zero!");
    setRect(x1 / s, y1 / s, x2 / s, y2 / s);
    return *this;
}

bool Rect2di::operator==(const Rect2di& o) const
{
    return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
}

bool Rect2di::operator!=(const Rect2di& o) const
{
    return !(*this == o);
}

bool Rect2di::contains(const QPoint& p) const
{
    return x1 <= p.x() && p.x() <= x2 && y1 <= p.y() && p.y() <= y2;
}

bool Rect2di::contains(const Rect2di& o) const
{
    return o.x1 >= x1 && o.x2 <= x2 && o.y1 >= y1 && o.y2 <= y2;
}

bool Rect2di::intersects(const Rect2di& o) const
{
    return o.x1 <= x2 && o.y1 <= y2 && o.x2 >= x1 && o.y2 >= y1;
}

void Rect2di::translate(int dx, int dy)
{
    setRect(x1 + dx, y1 + dy, x2 + dx, y2 + dy);
}

Rect2di& Rect2di::operator+=(const QPoint& p)
{
    translate(p.x(), p.y());
    return *this;
}

Rect2di& Rect2di::operator+=(const Vector2d& v)
{
    setRect(toInt(x1 + v.x), toInt(y1 + v.y), toInt(x2 + v.x), toInt(y2 + v.y));
    return *this;
}

Rect2di Rect2di::translated(int dx, int dy) const
{
    Rect2di r(*this);
    r.translate(dx, dy);
    return r;
}

Rect2di Rect2di::operator+(const QPoint& p) const
{
    return translated(p.x(), p.y());
}

Rect2di Rect2di::centeredAt(const Vector2d& p) const
{
    const int w = width();
    const int h = height();
    const int nx1 = toInt(p.x - w / 2 - (w % 2 != 0 ? 1 : 0));
    const int ny1 = toInt(p.y - h / 2 - (h % 2 != 0 ? 1 : 0));
    Rect2di r;
    r.setRect(nx1, ny1, nx1 + w, ny1 + h);
    return r;
}

Rect2di Rect2di::grown(int m) const
{
    return Rect2di(*this, m);
}

} // namespace VekMath
