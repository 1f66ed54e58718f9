#pragma once

#include "geometry/plane.h"
#include "geometry/quaternion.h"
#include "geometry/vector3d.h"

// Quaternion arcball: turns the model under a mouse drag. A drag runs
// beginDrag -> drag ... -> endDrag; the rotation and its OpenGL matrix are
// recomputed lazily when asked for.
class Trackball
{
public:
    Trackball();
    ~Trackball();

    void setRadius(double r);
    // current = base = q.
    void setRotation(const VekMath::Quaternion& q);
    void beginDrag(int x, int y, int w, int h);
    void drag(int x, int y, int w, int h);
    void endDrag();

    VekMath::Quaternion rotation();
    // 4x4 rotation matrix, column-major as glMultMatrixd takes it.
    const double* matrix();
    const double* inverseMatrix();

    // (2x/w - 1, 2y/h - 1, 0): widget pixels, y downwards.
    static VekMath::Vector3d toUnitPoint(int x, int y, int w, int h);

private:
    void update();
    // Pure quaternion (0, x', y', z') of a unit point on the ball; points
    // outside it are pulled onto its rim.
    VekMath::Quaternion onSphere(const VekMath::Vector3d& p) const;

    double radius = 1.0;
    VekMath::Quaternion current;
    VekMath::Quaternion base;
    VekMath::Vector3d dragStart;
    VekMath::Vector3d dragEnd;
    double cachedMatrix[16];
    double cachedInverse[16];
    bool dragging = false;
    bool dirty = false;
    bool inverseDirty = false;
};

// The six fixed orientations a double click on the view cube selects:
// 0 top (+z), 1 +y, 2 -x, 3 bottom (-z), 4 -y, 5 +x; any other is the identity.
VekMath::Quaternion viewOrientation(int index);

// Frame of the cube face that viewOrientation(index) turns towards the
// viewer, for the rotation q and the translation t applied after it.
void orientationViewMatrix(double out[16], int index, const VekMath::Quaternion& q,
                           const double t[3]);

// The plane of the face whose frame m is (x axis, y axis, origin).
VekMath::Plane viewCubeFacePlane(const double m[16]);
