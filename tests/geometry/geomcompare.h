#ifndef GEOMCOMPARE_H
#define GEOMCOMPARE_H

#include "geometry/quaternion.h"
#include "geometry/vector2d.h"
#include "geometry/vector3d.h"

#include <QString>

#include <cmath>

// Tolerant comparisons and readable failure text for the geometry tests.
inline bool near(double a, double b, double eps = 1e-9)
{
    return std::fabs(a - b) <= eps;
}

inline bool near(const VekMath::Vector2d& a, const VekMath::Vector2d& b, double eps = 1e-9)
{
    return near(a.x, b.x, eps) && near(a.y, b.y, eps);
}

inline bool near(const VekMath::Vector3d& a, const VekMath::Vector3d& b, double eps = 1e-9)
{
    return near(a.x, b.x, eps) && near(a.y, b.y, eps) && near(a.z, b.z, eps);
}

inline bool near(const VekMath::Quaternion& a, const VekMath::Quaternion& b, double eps = 1e-9)
{
    return near(a.w, b.w, eps) && near(a.x, b.x, eps) && near(a.y, b.y, eps) && near(a.z, b.z, eps);
}

inline QString str(const VekMath::Vector2d& v)
{
    return QString("(%1, %2)").arg(v.x, 0, 'g', 17).arg(v.y, 0, 'g', 17);
}

inline QString str(const VekMath::Vector3d& v)
{
    return QString("(%1, %2, %3)").arg(v.x, 0, 'g', 17).arg(v.y, 0, 'g', 17).arg(v.z, 0, 'g', 17);
}

inline QString str(const VekMath::Quaternion& q)
{
    return QString("(%1, %2, %3, %4)").arg(q.w, 0, 'g', 17).arg(q.x, 0, 'g', 17).arg(q.y, 0, 'g', 17).arg(q.z, 0, 'g', 17);
}

#define QVERIFY_NEAR(actual, expected) \
    QVERIFY2(near((actual), (expected)), qPrintable(str(actual) + " expected " + str(expected)))

#endif
