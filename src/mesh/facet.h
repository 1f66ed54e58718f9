#pragma once

#include "geometry/vector3d.h"

#include <QtGlobal>

// One triangle of a mesh: three corners and a normal, twelve doubles in that
// order. The normal is whatever the facet's maker put there.
struct Facet
{
    VekMath::Vector3d corners[3];
    VekMath::Vector3d normal;

    Facet() = default;
    Facet(const VekMath::Vector3d& c1, const VekMath::Vector3d& c2, const VekMath::Vector3d& c3,
          const VekMath::Vector3d& n)
        : corners{c1, c2, c3}, normal(n)
    {
    }
};

Q_DECLARE_TYPEINFO(Facet, Q_MOVABLE_TYPE);
