#pragma once

// A grid of float heights, row-major (index y * width + x), that the mesh
// rasteriser fills and the relief source copies.
class HeightGrid
{
public:
    HeightGrid() = default;
    ~HeightGrid();
    HeightGrid(const HeightGrid&) = delete;
    HeightGrid& operator=(const HeightGrid&) = delete;

    // Replaces the heights by width x height zeros. A size that is not
    // positive, that does not fit an int index or that cannot be allocated
    // leaves a 0 x 0 grid and returns false.
    bool allocate(long long width, long long height);
    void release();

    float at(int x, int y) const { return heights[y * width + x]; }

    int width = 0;
    int height = 0;
    float* heights = nullptr;
};
