#include "views/lightpreset.h"

#include "views/trackball.h"

using VekMath::Quaternion;
using VekMath::Vector3d;

Quaternion LightPreset::rotation(int index)
{
    double x = 0.3, y = -0.3;
    switch (index) {
    case 1: x = 0.5; y = 0.0; break;
    case 2: x = 0.3; y = 0.3; break;
    case 3: x = 0.0; y = 0.5; break;
    case 4: x = 0.0; y = -0.5; break;
    case 5: x = -0.3; y = -0.3; break;
    case 6: x = -0.5; y = 0.0; break;
    case 7: x = -0.3; y = 0.3; break;
    default: break;
    }
    return Quaternion(0.85, x, y, 0.0);
}

Vector3d LightPreset::direction(int index)
{
    Trackball turn;
    turn.setRotation(rotation(index));
    const double* m = turn.matrix();
    const double lx = m[8];
    // The x just worked out enters y, as the lit views have always placed it.
    const double ly = -(lx * m[1] + m[9]);
    return Vector3d(lx, ly, 1.0);
}
