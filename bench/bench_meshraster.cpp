// The mesh raster as Accept runs it, on a small binary STL whose facets
// overlap across a 40 x 40 inch footprint, beside the plain raster that
// tests every point of each facet's bounding box on one thread.
#include "rasterreference.h"

#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/rasterizer.h"
#include "mesh/stlfilereader.h"
#include "mesh/stlfilewriter.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

using VekMath::Vector3d;

namespace {

const int Facets = 200;

// Facets (0,0,z)-(40,0,z)-(0,40,1+z) inches, z = i / 1000, read back from
// the file they were written to and scaled to cells as Accept does.
std::unique_ptr<FacetShape> overlappingFacets()
{
    FacetShape written;
    for (int i = 0; i < Facets; ++i) {
        const double z = i * 0.001;
        written.addFacet(Facet(Vector3d(0, 0, z), Vector3d(40, 0, z), Vector3d(0, 40, 1 + z), Vector3d()));
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("overlapping.stl")));
    if (!file.open(QIODevice::ReadWrite))
        return nullptr;
    QDataStream out(&file);
    if (!writeFacetShapeStl(out, written, QStringLiteral("overlapping")))
        return nullptr;
    file.seek(0);
    QDataStream in(&file);
    StlFileReader reader(&in);
    std::unique_ptr<FacetShape> shape(readStl(reader));
    if (shape)
        shape->transform(VekMath::Matrix3d(128, 128, 128));
    return shape;
}

bool sameBits(const HeightGrid& a, const HeightGrid& b)
{
    return a.width == b.width && a.height == b.height
           && std::memcmp(a.heights, b.heights, sizeof(float) * size_t(a.width) * size_t(a.height)) == 0;
}

void BM_RasterizeOverlappingFacets(benchmark::State& state)
{
    const std::unique_ptr<FacetShape> shape = overlappingFacets();
    if (!shape || shape->facetCount() != Facets) {
        state.SkipWithError("the file was not read");
        return;
    }
    HeightGrid grid;
    double ours = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        rasterizeFacetShape(grid, *shape);
        ours += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(grid.heights);
    }
    ours /= double(state.iterations());
    const auto t0 = std::chrono::steady_clock::now();
    HeightGrid plain;
    RasterReference::rasterize(plain, *shape);
    const double reference = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!sameBits(grid, plain))
        state.SkipWithError("the heights differ from the plain raster's");
    state.counters["cells"] = double(grid.width) * double(grid.height);
    state.counters["plain_s"] = reference;
    state.counters["ours_s"] = ours;
    // How many times faster than the plain raster.
    state.counters["speedup"] = reference / ours;
}

} // namespace

BENCHMARK(BM_RasterizeOverlappingFacets)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
