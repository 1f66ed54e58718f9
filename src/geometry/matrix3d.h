#pragma once

#include "geometry/vector3d.h"

class QDataStream;

namespace VekMath {

// 3x3 matrix of doubles, stored column by column: element (r, c) is m[3c + r].
class Matrix3d
{
public:
    double m[9];

    // Identity.
    Matrix3d();
    // Diagonal (scale) matrix.
    Matrix3d(double sx, double sy, double sz);
    // Nine values given row by row.
    Matrix3d(double m00, double m01, double m02,
             double m10, double m11, double m12,
             double m20, double m21, double m22);
    Matrix3d(const Matrix3d& o) = default;
    Matrix3d& operator=(const Matrix3d& o) = default;
    ~Matrix3d() {}

    double operator()(int r, int c) const { return m[3 * c + r]; }
    double& operator()(int r, int c) { return m[3 * c + r]; }
    const double* data() const { return m; }

    // Fixed rotations and mirrors by code: 0 and 10 identity, 1-3 -90 degrees
    // about X, Y, Z, 4-6 +90 degrees, 7-9 half-turns, 11-13 mirrors in X, Y, Z;
    // any other code gives the identity.
    void setStandardRotation(int code);
    // this = Ry(ay) * Rz(az) * Rx(ax), radians.
    void setEulerRotation(double ax, double ay, double az);
    void setAxisRotation(double angle, const Vector3d& axis);
    // this = v * v^T.
    void setOuterProduct(const Vector3d& v);

    Matrix3d& operator*=(const Matrix3d& o);
    Matrix3d& operator*=(double s);
    Matrix3d& operator+=(const Matrix3d& o);
    Matrix3d& operator-=(const Matrix3d& o);
    bool operator==(const Matrix3d& o) const;
    bool operator!=(const Matrix3d& o) const { return !(*this == o); }

    double determinant() const;
    // The inverse; the identity when the determinant is exactly 0.
    Matrix3d inverted() const;

    // Magic 0x5472616E, version 1, nine doubles in storage order.
    bool save(QDataStream& out) const;
    bool load(QDataStream& in);

    static const int Magic = 0x5472616E;
    static const int Version = 1;
};

Vector3d operator*(const Matrix3d& m, const Vector3d& v);
Matrix3d operator*(const Matrix3d& a, const Matrix3d& b);

} // namespace VekMath
