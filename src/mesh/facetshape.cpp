#include "mesh/facetshape.h"

#include "geometry/plane.h"

#include <algorithm>

using VekMath::Vector3d;

FacetShape::~FacetShape() = default;

void FacetShape::includeInBounds(const Facet& f)
{
    const Vector3d& a = f.corners[0];
    const Vector3d& b = f.corners[1];
    const Vector3d& c = f.corners[2];
    const double lo[3] = {std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::min({a.z, b.z, c.z})};
    const double hi[3] = {std::max({a.x, b.x, c.x}), std::max({a.y, b.y, c.y}), std::max({a.z, b.z, c.z})};
    if (lo[0] < m_boundsMin.x) m_boundsMin.x = lo[0];
    if (lo[1] < m_boundsMin.y) m_boundsMin.y = lo[1];
    if (lo[2] < m_boundsMin.z) m_boundsMin.z = lo[2];
    if (hi[0] > m_boundsMax.x) m_boundsMax.x = hi[0];
    if (hi[1] > m_boundsMax.y) m_boundsMax.y = hi[1];
    if (hi[2] > m_boundsMax.z) m_boundsMax.z = hi[2];
}

bool FacetShape::addFacet(const Facet& f)
{
    if (m_facets.size() >= MaxFacets)
        return false;
    if (m_facets.isEmpty()) {
        m_boundsMin = f.corners[0];
        m_boundsMax = f.corners[0];
    }
    includeInBounds(f);
    m_facets.append(f);
    return true;
}

bool FacetShape::reserve(int count)
{
    if (count < 0 || count > MaxFacets)
        return false;
    if (count > m_facets.capacity())
        m_facets.reserve(count);
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
