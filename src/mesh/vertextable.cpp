#include "mesh/vertextable.h"

#include "mesh/largepages.h"

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

int VertexTable::find(const Vector3d& p, uint64_t h, const Vector3d* positions) const
{
    if (cells.empty())
        return None;
    const size_t mask = cells.size() - 1;
    const uint32_t tag = tagOf(h);
    for (size_t i = h & mask;; i = (i + 1) & mask) {
        const Slot& s = cells[i];
        if (s.index == None)
            return None;
        if (s.tag == tag && samePosition(positions[s.index], p))
            return s.index;
    }
}

int VertexTable::findOrAdd(const Vector3d& p, uint64_t h, int index, const Vector3d* positions)
{
    if (!roomFor(count + 1, cells.size()))
        rehash(cells.empty() ? 1024 : cells.size() * 2, positions);
    const size_t mask = cells.size() - 1;
    const uint32_t tag = tagOf(h);
    size_t i = h & mask;
    for (; cells[i].index != None; i = (i + 1) & mask)
        if (cells[i].tag == tag && samePosition(positions[cells[i].index], p))
            return cells[i].index;
    cells[i] = {index, tag};
    ++count;
    return None;
}

void VertexTable::relabel(const Vector3d& p, int to, const Vector3d* positions)
{
    if (cells.empty())
        return;
    const uint64_t h = hash(p);
    const size_t mask = cells.size() - 1;
    const uint32_t tag = tagOf(h);
    for (size_t i = h & mask; cells[i].index != None; i = (i + 1) & mask)
        if (cells[i].tag == tag && samePosition(positions[cells[i].index], p)) {
            cells[i].index = to;
            return;
        }
}

void VertexTable::prefetch(uint64_t h) const
{
#if defined(__GNUC__)
    if (!cells.empty())
        __builtin_prefetch(&cells[h & (cells.size() - 1)]);
#else
    (void)h;
#endif
}

void VertexTable::reserve(size_t wanted, const Vector3d* positions)
{
    size_t size = cells.empty() ? 1024 : cells.size();
    while (!roomFor(wanted, size))
        size *= 2;
    if (size > cells.size())
        rehash(size, positions);
}

void VertexTable::rehash(size_t cellCount, const Vector3d* positions)
{
    std::vector<Slot> old;
    old.swap(cells);
    // Large pages help only when asked for before the memory is first used.
    cells.reserve(cellCount);
    adviseLargePages(cells.data(), cellCount * sizeof(Slot));
    cells.assign(cellCount, Slot{None, 0});
    const size_t mask = cells.size() - 1;
    for (const Slot& s : old) {
        if (s.index == None)
            continue;
        const uint64_t h = hash(positions[s.index]);
        size_t i = h & mask;
        while (cells[i].index != None)
            i = (i + 1) & mask;
        cells[i] = {s.index, tagOf(h)};
    }
}

void VertexTable::clear()
{
    std::fill(cells.begin(), cells.end(), Slot{None, 0});
    count = 0;
}
