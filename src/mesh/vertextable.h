#ifndef VERTEXTABLE_H
#define VERTEXTABLE_H

#include "geometry/vector3d.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Finds the index of a position among those added so far, by exact equality
// (0.0 and -0.0 are the same position). A hash table over indices into the
// caller's position array; the caller keeps the array in step with add().
class VertexTable
{
public:
    static const int None = -1;

    // The index of the entry at p, or None.
    int find(const VekMath::Vector3d& p, const VekMath::Vector3d* positions) const;
    // Records that positions[index] is p; p must not be present yet.
    void add(const VekMath::Vector3d& p, int index, const VekMath::Vector3d* positions);
    // The index of the entry at p; when there is none, records p under
    // index (the caller then stores p there) and returns None.
    int findOrAdd(const VekMath::Vector3d& p, int index, const VekMath::Vector3d* positions);
    void clear();
    void reserve(size_t count, const VekMath::Vector3d* positions);

private:
    static uint64_t hash(const VekMath::Vector3d& p);
    void rehash(size_t slotCount, const VekMath::Vector3d* positions);

    std::vector<int> buckets;  // indices, None where empty; a power of two long
    size_t count = 0;
};

#endif
