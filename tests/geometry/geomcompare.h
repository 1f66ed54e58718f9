#pragma once

#include "geometry/quaternion.h"
#include "geometry/vector2d.h"
#include "geometry/vector3d.h"

#include <QStringList>

#include <cmath>
#include <initializer_list>

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

inline QString str(std::initializer_list<double> values)
{
    QStringList parts;
    for (double v : values)
        parts << QString::number(v, 'g', 17);
    return QLatin1Char('(') + parts.join(QLatin1String(", ")) + QLatin1Char(')');
}

inline QString str(const VekMath::Vector2d& v) { return str({v.x, v.y}); }
inline QString str(const VekMath::Vector3d& v) { return str({v.x, v.y, v.z}); }
inline QString str(const VekMath::Quaternion& q) { return str({q.w, q.x, q.y, q.z}); }

#define QVERIFY_NEAR(actual, expected) \
    QVERIFY2(near((actual), (expected)), qPrintable(str(actual) + " expected " + str(expected)))
