#include "mesh/facetshape.h"

#include "geometry/plane.h"
#include "mesh/largepages.h"

using VekMath::Vector3d;

FacetShape::~FacetShape() = default;

bool FacetShape::reserve(int count)
{
    if (count < 0 || count > MaxFacets)
        return false;
    if (count > m_facets.capacity()) {
        m_facets.reserve(count);
        adviseLargePages(m_facets.data(), size_t(count) * sizeof(Facet));
    }
    return true;
}

void FacetShape::transform(const VekMath::Matrix3d& m)
{
    bool first = true;
    for (Facet& f : m_facets) {
        for (Vector3d& p : f.corners)
            p = m * p;
        f.normal = VekMath::Plane(f.corners[0], f.corners[1], f.corners[2]).normal();
        if (first) {
            m_boundsMin = f.corners[0];
            m_boundsMax = f.corners[0];
            first = false;
        }
        includeInBounds(f);
    }
    VekMath::Matrix3d product = m;
    product *= m_appliedTransform;
    m_appliedTransform = product;
}

void FacetShape::translate(double dx, double dy, double dz)
{
    const Vector3d offset(dx, dy, dz);
    for (Facet& f : m_facets)
        for (Vector3d& p : f.corners)
            p += offset;
    m_boundsMin += offset;
    m_boundsMax += offset;
}

void FacetShape::center()
{
    const Vector3d c((m_boundsMin.x + m_boundsMax.x) / 2, (m_boundsMin.y + m_boundsMax.y) / 2,
                     (m_boundsMin.z + m_boundsMax.z) / 2);
    const Vector3d offset = -c;
    for (Facet& f : m_facets)
        for (Vector3d& p : f.corners)
            p += offset;
    m_boundsMin += offset;
    m_boundsMax += offset;
}
