#include "views/trackball.h"

#include <cmath>

using VekMath::Quaternion;
using VekMath::Vector3d;

namespace {

void setIdentity(double m[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

} // namespace

Trackball::Trackball()
{
    setIdentity(cachedMatrix);
    setIdentity(cachedInverse);
}

Trackball::~Trackball() = default;

void Trackball::setRadius(double r)
{
    radius = r;
}

void Trackball::setRotation(const Quaternion& q)
{
    current = q;
    base = q;
    dirty = true;
}

Vector3d Trackball::toUnitPoint(int x, int y, int w, int h)
{
    return Vector3d(2.0 * x / w - 1.0, 2.0 * y / h - 1.0, 0.0);
}

void Trackball::beginDrag(int x, int y, int w, int h)
{
    dragging = true;
    dragStart = toUnitPoint(x, y, w, h);
    dragEnd = dragStart;
}

void Trackball::drag(int x, int y, int w, int h)
{
    dragEnd = toUnitPoint(x, y, w, h);
    dirty = true;
}

void Trackball::endDrag()
{
    if (dirty)
        update();
    base = current;
    dragging = false;
}

Quaternion Trackball::onSphere(const Vector3d& p) const
{
    const double s = p.x * p.x + p.y * p.y + p.z * p.z;
    double x = p.x / radius;
    double y = p.y / radius;
    double z = 0.0;
    if (s > 1.0) {
        const double root = std::sqrt(s);
        x /= root;
        y /= root;
    } else {
        z = std::sqrt(1.0 - s);
    }
    return Quaternion(0.0, x, y, z);
}

void Trackball::update()
{
    if (dragging) {
        const Quaternion a = onSphere(dragStart);
        const Quaternion b = onSphere(dragEnd);
        const Vector3d va = a.vector();
        const Vector3d vb = b.vector();
        const Vector3d c = Vector3d::cross(va, vb);
        // Screen y points down: this is (a'.b', a' x b') of the points with
        // y negated.
        const Quaternion d(Vector3d::dot(va, vb), -c.x, c.y, -c.z);
        current = d * base;
    }
    const Quaternion conjugate(current.w, -current.x, -current.y, -current.z);
    conjugate.toMatrix(cachedMatrix);
    dirty = false;
    inverseDirty = true;
}

Quaternion Trackball::rotation()
{
    if (dirty)
        update();
    return current;
}

const double* Trackball::matrix()
{
    if (dirty)
        update();
    return cachedMatrix;
}

const double* Trackball::inverseMatrix()
{
    if (dirty)
        update();
    if (inverseDirty) {
        const double* m = cachedMatrix;
        double* r = cachedInverse;
        for (int c = 0; c < 3; ++c)
            for (int row = 0; row < 3; ++row)
                r[c * 4 + row] = m[row * 4 + c];
        for (int row = 0; row < 3; ++row)
            r[12 + row] = -(r[row] * m[12] + r[4 + row] * m[13] + r[8 + row] * m[14]);
        r[3] = r[7] = r[11] = 0.0;
        r[15] = 1.0;
        inverseDirty = false;
    }
    return cachedInverse;
}

Quaternion viewOrientation(int index)
{
    switch (index) {
    case 1: return Quaternion::fromAngleAxisDegrees(90.0, 1.0, 0.0, 0.0);
    case 2: return Quaternion::fromAngleAxisDegrees(90.0, 0.0, 1.0, 0.0);
    case 3: return Quaternion::fromAngleAxisDegrees(180.0, 0.0, 1.0, 0.0);
    case 4: return Quaternion::fromAngleAxisDegrees(-90.0, 1.0, 0.0, 0.0);
    case 5: return Quaternion::fromAngleAxisDegrees(-90.0, 0.0, 1.0, 0.0);
    default: return Quaternion();
    }
}

void orientationViewMatrix(double out[16], int index, const Quaternion& q, const double t[3])
{
    // The row-major rotation read column-major, times a translation by t in
    // single precision: what the model-view stack would hold.
    const Quaternion r = viewOrientation(index) * q;
    double m[16];
    r.toMatrix(m);
    const double tx = float(t[0]), ty = float(t[1]), tz = float(t[2]);
    for (int i = 0; i < 12; ++i)
        out[i] = m[i];
    for (int row = 0; row < 4; ++row)
        out[12 + row] = m[row] * tx + m[4 + row] * ty + m[8 + row] * tz + m[12 + row];
}

VekMath::Plane viewCubeFacePlane(const double m[16])
{
    const Vector3d x(m[0], m[1], m[2]);
    const Vector3d y(m[4], m[5], m[6]);
    const Vector3d t(m[12], m[13], m[14]);
    return VekMath::Plane(t - x + y, t + x + y, t + x - y);
}
