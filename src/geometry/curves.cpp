#include "geometry/curves.h"

#include "geometry/bezier.h"
#include "geometry/segment.h"

#include <cmath>
#include <complex>
#include <limits>

namespace VekMath {

bool circleCenter(const Vector2d& p1, const Vector2d& p2, const Vector2d& p3, Vector2d* centre)
{
    const Vector2d a = (p3 - p1) * 2.0;
    const Vector2d b = (p3 - p2) * 2.0;
    const double det = a.x * b.y - a.y * b.x;
    if (det == 0.0) {
        if (centre) {
            const double nan = std::numeric_limits<double>::quiet_NaN();
            *centre = Vector2d(nan, nan);
        }
        return false;
    }
    const double r1 = p3.squaredLength() - p1.squaredLength();
    const double r2 = p3.squaredLength() - p2.squaredLength();
    if (centre)
        *centre = Vector2d((r1 * b.y - a.y * r2) / det, (a.x * r2 - r1 * b.x) / det);
    return true;
}

bool isConnected(const Segment& a, const Segment& b, double tol)
{
    return Vector2d::distance(a.end(), b.start()) <= tol;
}

Vector2d& translatePoint(Vector2d& p, double dx, double dy)
{
    p.x += dx;
    p.y += dy;
    return p;
}

Vector2d& scalePoint(Vector2d& p, double sx, double sy)
{
    p.x *= sx;
    p.y *= sy;
    return p;
}

Vector2d& mirrorPoint(Vector2d& p, double c, bool horizontal)
{
    if (horizontal)
        p.y = 2.0 * c - p.y;
    else
        p.x = 2.0 * c - p.x;
    return p;
}

Vector2d& rotatePoint(Vector2d& p, const Vector2d& centre, double angle)
{
    if (p == centre)
        return p;
    const double r = Vector2d::distance(p, centre);
    const double a = std::atan2(p.y - centre.y, p.x - centre.x) + angle;
    p = centre + Vector2d(std::cos(a), std::sin(a)) * r;
    return p;
}

namespace {

using Complex = std::complex<double>;

// Principal cube root, except that a negative real number takes its real
// cube root.
Complex cubeRoot(const Complex& z)
{
    if (z.imag() == 0.0)
        return Complex(std::cbrt(z.real()), 0.0);
    return std::pow(z, 1.0 / 3.0);
}

void keepRoot(double t, double roots[3], int& count)
{
    if (t > 1e-6 && t < 0.999999)
        roots[count++] = t;
}

} // namespace

bool solveCubic(int axis, double value, const Bezier& curve, double roots[3])
{
    const Vector2d p[4] = {curve.start(), curve.control1(), curve.control2(), curve.end()};
    double v[4];
    for (int i = 0; i < 4; ++i)
        v[i] = axis == 0 ? p[i].x : p[i].y;
    const double a = -v[0] + 3 * v[1] - 3 * v[2] + v[3];
    const double b = 3 * v[0] - 6 * v[1] + 3 * v[2];
    const double c = -3 * v[0] + 3 * v[1];
    const double d = v[0] - value;
    int count = 0;
    if (std::fabs(a) > 1e-6) {
        // Cardano on the depressed cubic y^3 + py + q with t = y - b/(3a).
        const double p3 = (3 * a * c - b * b) / (3 * a * a);
        const double q = (2 * b * b * b - 9 * a * b * c + 27 * a * a * d) / (27 * a * a * a);
        const Complex root = std::sqrt(Complex(q * q / 4 + p3 * p3 * p3 / 27, 0.0));
        Complex u = cubeRoot(-q / 2 + root);
        if (std::abs(u) == 0.0)
            u = cubeRoot(-q / 2 - root);
        const Complex omega(-0.5, std::sqrt(3.0) / 2);
        const Complex omegaBar(-0.5, -std::sqrt(3.0) / 2);
        const Complex units[3] = {Complex(1.0, 0.0), omega, omegaBar};
        for (const Complex& unit : units) {
            const Complex uk = u * unit;
            // With u = 0 the depressed cubic is y^3 = 0.
            const Complex y = std::abs(uk) == 0.0 ? Complex(0.0, 0.0) : uk - p3 / (3.0 * uk);
            if (std::fabs(y.imag()) < 1e-6)
                keepRoot(y.real() - b / (3 * a), roots, count);
        }
    } else if (std::fabs(b) > 1e-6) {
        const double disc = c * c - 4 * b * d;
        if (disc >= 0) {
            keepRoot((-c + std::sqrt(disc)) / (2 * b), roots, count);
            keepRoot((-c - std::sqrt(disc)) / (2 * b), roots, count);
        }
    } else if (std::fabs(c) > 1e-6) {
        keepRoot(-d / c, roots, count);
    }
    return count > 0;
}

double yDownAngle(const Vector2d& centre, const Vector2d& p)
{
    double a = std::atan2(-(p.y - centre.y), p.x - centre.x);
    if (a < 0.0)
        a += 2.0 * M_PI;
    // A tiny negative angle can round up to exactly 2*pi.
    return a >= 2.0 * M_PI ? 0.0 : a;
}

} // namespace VekMath
