#pragma once

class FacetShape;
class HeightGrid;

// Turns a mesh in cell units into heights: grid point (x, y) stands for
// (boundsMin.x + x, boundsMin.y + y) and gets the highest upward-facing
// surface above it, measured from boundsMin.z; uncovered points stay 0. An
// empty shape, or one whose grid would not fit a relief, gives a 0 x 0 grid.
void rasterizeFacetShape(HeightGrid& grid, const FacetShape& shape);
