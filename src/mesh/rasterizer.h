#pragma once

class FacetShape;
class HeightGrid;
class ProgressMonitor;

// Turns a mesh in cell units into heights: grid point (x, y) stands for
// (boundsMin.x + x, boundsMin.y + y) and gets the highest upward-facing
// surface above it, measured from boundsMin.z; uncovered points stay 0. An
// empty shape, or one whose grid would not fit a relief, gives a 0 x 0 grid;
// a grid that fits a relief but not the memory left throws std::bad_alloc.
// The rows are shared out among the cores. Work that lasts more than a
// moment shows its progress on the monitor, when there is one, and lets
// events through; a cancel there stops it, leaves a 0 x 0 grid and returns
// false.
bool rasterizeFacetShape(HeightGrid& grid, const FacetShape& shape, ProgressMonitor* progress = nullptr);
