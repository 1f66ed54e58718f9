#pragma once

#include "geometry/matrix3d.h"
#include "geometry/vector3d.h"
#include "mesh/facet.h"

#include <QVector>

#include <climits>

// The program's triangle mesh: separate facets (no shared corners), the
// bounds of all corners and the product of the matrices applied to it.
class FacetShape
{
public:
    // A Qt 5 container holds at most INT_MAX bytes; a shape refuses facets
    // beyond what its vector can hold instead of failing to allocate.
    static constexpr int MaxFacets = int((INT_MAX - 4096) / sizeof(Facet));

    FacetShape() = default;
    virtual ~FacetShape();

    // False (and the shape unchanged) when the shape is full.
    bool addFacet(const Facet& f)
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
    // Makes room for count facets in all; false when that is more than a
    // shape can hold.
    bool reserve(int count);

    // Each corner becomes m*p and each normal is recomputed from the new
    // corners; appliedTransform becomes m * appliedTransform.
    void transform(const VekMath::Matrix3d& m);
    void translate(double dx, double dy, double dz);
    // Moves the centre of the bounds to the origin.
    void center();

    const VekMath::Vector3d& boundsMin() const { return m_boundsMin; }
    const VekMath::Vector3d& boundsMax() const { return m_boundsMax; }
    const QVector<Facet>& facets() const { return m_facets; }
    int facetCount() const { return m_facets.size(); }
    const VekMath::Matrix3d& appliedTransform() const { return m_appliedTransform; }

private:
    // Bounds grow only where a corner lies strictly beyond them.
    void includeInBounds(const Facet& f)
    {
        const VekMath::Vector3d& a = f.corners[0];
        const VekMath::Vector3d& b = f.corners[1];
        const VekMath::Vector3d& c = f.corners[2];
        grow(m_boundsMin.x, m_boundsMax.x, a.x, b.x, c.x);
        grow(m_boundsMin.y, m_boundsMax.y, a.y, b.y, c.y);
        grow(m_boundsMin.z, m_boundsMax.z, a.z, b.z, c.z);
    }
    static void grow(double& lo, double& hi, double a, double b, double c)
    {
        const double min = a < b ? (a < c ? a : c) : (b < c ? b : c);
        const double max = a > b ? (a > c ? a : c) : (b > c ? b : c);
        if (min < lo)
            lo = min;
        if (max > hi)
            hi = max;
    }

    VekMath::Vector3d m_boundsMin;
    VekMath::Vector3d m_boundsMax;
    QVector<Facet> m_facets;
    VekMath::Matrix3d m_appliedTransform;
};
