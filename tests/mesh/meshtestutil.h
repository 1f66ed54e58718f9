#pragma once

#include "mesh/facetshape.h"

#include <QMetaType>
#include <QVector>

Q_DECLARE_METATYPE(VekMath::Vector3d)

// A shape of the facets given three corners at a time, normals (0, 0, 0).
inline FacetShape shapeOf(const QVector<VekMath::Vector3d>& corners)
{
    FacetShape shape;
    for (int i = 0; i + 2 < corners.size(); i += 3)
        shape.addFacet(Facet(corners[i], corners[i + 1], corners[i + 2], VekMath::Vector3d()));
    return shape;
}

// Every facet's three corners in order.
inline QVector<VekMath::Vector3d> cornersOf(const FacetShape& shape)
{
    QVector<VekMath::Vector3d> corners;
    for (const Facet& f : shape.facets())
        corners << f.corners[0] << f.corners[1] << f.corners[2];
    return corners;
}
