// The facet reducer on a noisy height field of a million facets, beside a
// general simplification library taking the same mesh to a similar facet
// count; and the mesh rasteriser on a million facets.
#include "mesh/facetreducer.h"
#include "mesh/facetshape.h"
#include "mesh/heightgrid.h"
#include "mesh/rasterizer.h"

#include <benchmark/benchmark.h>

#ifdef HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

using VekMath::Vector3d;

namespace {

const int Cells = 707;  // 2 x 707 x 707 = 999,698 facets
const double Tolerance = 0.001;

// Inches: gentle waves plus noise of up to half the tolerance.
double heightAt(int x, int y)
{
    unsigned int h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    const double noise = ((h & 0xffff) / 65535.0 - 0.5) * Tolerance;
    return 0.25 * std::sin(x * 0.02) * std::cos(y * 0.015) + noise;
}

Vector3d point(int x, int y, double scale)
{
    return Vector3d(x * scale, y * scale, heightAt(x, y) * scale * 128);
}

QVector<Facet> noisyField(double scale)
{
    QVector<Facet> facets;
    facets.reserve(2 * Cells * Cells);
    for (int j = 0; j < Cells; ++j)
        for (int i = 0; i < Cells; ++i) {
            const Vector3d p00 = point(i, j, scale), p10 = point(i + 1, j, scale);
            const Vector3d p01 = point(i, j + 1, scale), p11 = point(i + 1, j + 1, scale);
            facets.append(Facet(p00, p10, p11, Vector3d(0, 0, 1)));
            facets.append(Facet(p11, p01, p00, Vector3d(0, 0, 1)));
        }
    return facets;
}

const QVector<Facet>& inches()
{
    static const QVector<Facet> facets = noisyField(1.0 / 128);
    return facets;
}

// The library's time in milliseconds for the same field as an indexed mesh,
// simplified to about the given number of facets; its result count too.
double libraryMilliseconds(int targetFacets, size_t* resultFacets)
{
    *resultFacets = 0;
#ifdef HAVE_MESHOPTIMIZER
    std::vector<float> positions;
    for (int y = 0; y <= Cells; ++y)
        for (int x = 0; x <= Cells; ++x) {
            positions.push_back(float(x / 128.0));
            positions.push_back(float(y / 128.0));
            positions.push_back(float(heightAt(x, y)));
        }
    std::vector<unsigned int> indices;
    auto id = [](int x, int y) { return unsigned(y * (Cells + 1) + x); };
    for (int j = 0; j < Cells; ++j)
        for (int i = 0; i < Cells; ++i)
            for (unsigned v : {id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i + 1, j + 1), id(i, j + 1), id(i, j)})
                indices.push_back(v);
    std::vector<unsigned int> out(indices.size());
    double best = 0;
    for (int run = 0; run < 3; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        const size_t n = meshopt_simplify(out.data(), indices.data(), indices.size(), positions.data(),
                                          positions.size() / 3, 12, size_t(targetFacets) * 3, 1.0f);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        *resultFacets = n / 3;
        best = run == 0 ? ms : std::min(best, ms);
    }
    return best;
#else
    Q_UNUSED(targetFacets);
    return 0;
#endif
}

void BM_ReduceNoisyField(benchmark::State& state)
{
    const QVector<Facet>& facets = inches();
    int result = 0;
    double ours = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        FacetReducer reducer;
        reducer.addShape(facets, nullptr);
        reducer.reduce(1, Tolerance * Tolerance, nullptr);
        result = reducer.toFacetShape().facetCount();
        ours += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(result);
    }
    size_t libraryFacets = 0;
    const double libraryMs = libraryMilliseconds(result, &libraryFacets);
    state.counters["facets_in"] = facets.size();
    state.counters["facets_out"] = result;
    state.counters["library_facets_out"] = double(libraryFacets);
    state.counters["library_ms"] = libraryMs;
    // Our time over the library's (the target is 3 at most).
    state.counters["ratio"] = (ours / double(state.iterations())) / libraryMs;
}

void BM_RasterizeMillionFacets(benchmark::State& state)
{
    // Cell units, spanning a 1536 x 1536 grid.
    FacetShape shape;
    for (const Facet& f : noisyField(1536.0 / Cells))
        shape.addFacet(f);
    for (auto _ : state) {
        HeightGrid grid;
        rasterizeFacetShape(grid, shape);
        benchmark::DoNotOptimize(grid.heights);
        if (grid.width != 1536 || grid.height != 1536)
            state.SkipWithError("unexpected grid size");
    }
    state.counters["facets"] = shape.facetCount();
}

} // namespace

BENCHMARK(BM_ReduceNoisyField)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_RasterizeMillionFacets)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
