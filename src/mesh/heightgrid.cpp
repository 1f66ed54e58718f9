#include "mesh/heightgrid.h"

#include <climits>
#include <cstddef>
#include <new>

HeightGrid::~HeightGrid()
{
    release();
}

void HeightGrid::release()
{
    delete[] heights;
    heights = nullptr;
    width = 0;
    height = 0;
}

bool HeightGrid::allocate(long long w, long long h)
{
    release();
    if (w <= 0 || h <= 0 || w > INT_MAX / h)
        return false;
    heights = new (std::nothrow) float[size_t(w * h)]();
    if (!heights)
        return false;
    width = int(w);
    height = int(h);
    return true;
}
