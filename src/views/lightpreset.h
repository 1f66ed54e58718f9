#pragma once

#include "geometry/quaternion.h"
#include "geometry/vector3d.h"

// The eight light presets of the lit views: 0 (and any value outside 1-7)
// lights from the lower right, 1-7 from further round.
class LightPreset
{
public:
    // The rotation of a preset (not normalised).
    static VekMath::Quaternion rotation(int index);
    // (lx, ly, 1): the light direction of a preset, as the lit program
    // takes it.
    static VekMath::Vector3d direction(int index);
};
