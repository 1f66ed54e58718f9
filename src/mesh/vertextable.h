#pragma once

#include "geometry/vector3d.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Finds the index of a position among those added so far, by exact equality
// (0.0 and -0.0 are the same position). A hash table over indices into the
// caller's position array; the caller keeps the array in step with the
// table. Each slot keeps part of its position's hash beside the index, so
// that a search for an absent position seldom reads the positions at all.
class VertexTable
{
public:
    static const int None = -1;

    static uint64_t hash(const VekMath::Vector3d& p);

    // The index of the entry at p (whose hash is h), or None.
    int find(const VekMath::Vector3d& p, uint64_t h, const VekMath::Vector3d* positions) const;
    int find(const VekMath::Vector3d& p, const VekMath::Vector3d* positions) const
    {
        return find(p, hash(p), positions);
    }
    // The index of the entry at p; when there is none, records p under
    // index (the caller then stores p there) and returns None.
    int findOrAdd(const VekMath::Vector3d& p, uint64_t h, int index, const VekMath::Vector3d* positions);
    // Gives the entry at p the index to instead.
    void relabel(const VekMath::Vector3d& p, int to, const VekMath::Vector3d* positions);
    // Asks for the memory a search for hash h will read first.
    void prefetch(uint64_t h) const;
    void clear();
    void reserve(size_t count, const VekMath::Vector3d* positions);

private:
    struct Slot
    {
        int32_t index;
        uint32_t tag;
    };

    static uint32_t tagOf(uint64_t h) { return uint32_t(h >> 32); }
    // Filled to seven tenths at most: a strip's table then takes half the
    // memory it would at one half, and the tags keep the longer probes to
    // a cache line or two.
    static bool roomFor(size_t entries, size_t cellCount) { return entries * 10 <= cellCount * 7; }
    void rehash(size_t cellCount, const VekMath::Vector3d* positions);

    std::vector<Slot> cells;  // index None where empty; a power of two long
    size_t count = 0;
};
