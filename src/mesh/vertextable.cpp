#include "mesh/vertextable.h"

#include <algorithm>
#include <cstring>

using VekMath::Vector3d;

namespace {

uint64_t bitsOf(double v)
{
    // -0.0 equals 0.0, so both must hash alike.
    if (v == 0.0)
        v = 0.0;
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

uint64_t mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

bool samePosition(const Vector3d& a, const Vector3d& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

} // namespace

uint64_t VertexTable::hash(const Vector3d& p)
{
    return mix(bitsOf(p.x) * 0x9e3779b97f4a7c15ULL ^ mix(bitsOf(p.y) + 0x632be59bd9b4e019ULL) ^ bitsOf(p.z) * 31);
}

int VertexTable::find(const Vector3d& p, const Vector3d* positions) const
{
    if (buckets.empty())
        return None;
    const size_t mask = buckets.size() - 1;
    for (size_t i = hash(p) & mask;; i = (i + 1) & mask) {
        const int index = buckets[i];
        if (index == None)
            return None;
        if (samePosition(positions[index], p))
            return index;
    }
}

void VertexTable::add(const Vector3d& p, int index, const Vector3d* positions)
{
    if ((count + 1) * 2 > buckets.size())
        rehash(buckets.empty() ? 1024 : buckets.size() * 2, positions);
    const size_t mask = buckets.size() - 1;
    size_t i = hash(p) & mask;
    while (buckets[i] != None)
        i = (i + 1) & mask;
    buckets[i] = index;
    ++count;
}

int VertexTable::findOrAdd(const Vector3d& p, int index, const Vector3d* positions)
{
    if ((count + 1) * 2 > buckets.size())
        rehash(buckets.empty() ? 1024 : buckets.size() * 2, positions);
    const size_t mask = buckets.size() - 1;
    size_t i = hash(p) & mask;
    for (; buckets[i] != None; i = (i + 1) & mask)
        if (samePosition(positions[buckets[i]], p))
            return buckets[i];
    buckets[i] = index;
    ++count;
    return None;
}

void VertexTable::reserve(size_t wanted, const Vector3d* positions)
{
    size_t size = buckets.empty() ? 1024 : buckets.size();
    while (size < wanted * 2)
        size *= 2;
    if (size > buckets.size())
        rehash(size, positions);
}

void VertexTable::rehash(size_t slotCount, const Vector3d* positions)
{
    std::vector<int> old(slotCount, None);
    old.swap(buckets);
    const size_t mask = buckets.size() - 1;
    for (int index : old) {
        if (index == None)
            continue;
        size_t i = hash(positions[index]) & mask;
        while (buckets[i] != None)
            i = (i + 1) & mask;
        buckets[i] = index;
    }
}

void VertexTable::clear()
{
    std::fill(buckets.begin(), buckets.end(), None);
    count = 0;
}
