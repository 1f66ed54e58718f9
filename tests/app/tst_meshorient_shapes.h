#pragma once

// Meshes and height read-outs shared by the mesh orientation tests.

#include "mesh/facetshape.h"
#include "relief/reliefsource.h"

#include <QStringList>

#include <cmath>
#include <memory>

// A closed box with outward facets, each counter-clockwise seen from outside.
inline void addBox(FacetShape& s, const VekMath::Vector3d& lo, const VekMath::Vector3d& hi)
{
    const auto corner = [&](int i) {
        return VekMath::Vector3d(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
    };
    static const int faces[6][4] = {
        {4, 5, 7, 6}, {0, 2, 3, 1}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5},
    };
    for (const auto& f : faces) {
        s.addFacet(Facet(corner(f[0]), corner(f[1]), corner(f[2]), VekMath::Vector3d()));
        s.addFacet(Facet(corner(f[0]), corner(f[2]), corner(f[3]), VekMath::Vector3d()));
    }
}

// A 4 x 3 x 1 slab with a 2 x 1 x 2 tower on its low-x, low-y corner, in
// inches of 1/128 (one relief cell per unit once accepted), so every turn is
// told apart by the heights it leaves.
inline std::unique_ptr<FacetShape> toweredSlab()
{
    const double c = 1.0 / 128.0;
    auto s = std::make_unique<FacetShape>();
    addBox(*s, VekMath::Vector3d(0, 0, 0), VekMath::Vector3d(4 * c, 3 * c, 1 * c));
    addBox(*s, VekMath::Vector3d(0, 0, 1 * c), VekMath::Vector3d(2 * c, 1 * c, 3 * c));
    return s;
}

// Heights of a relief source as rows of digits, top row first.
inline QStringList heightRows(const ReliefSource& src)
{
    QStringList rows;
    for (uint32_t y = 0; y < src.height; ++y) {
        QString row;
        for (uint32_t x = 0; x < src.width; ++x)
            row += QString::number(std::lround(src.rawSample(x, y)));
        rows << row;
    }
    return rows;
}
