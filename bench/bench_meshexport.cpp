// The export reduction of a 1536 x 1536 relief at the finest quality
// tolerance: time, and the process's peak memory.
#include "mesh/facetreducer.h"
#include "relief/relief.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>

namespace {

const int Size = 1536;

// Domes and ripples over most of the grid, zero around them, in cells.
void carve(Relief& relief)
{
    float* h = relief.heights();
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            const double u = (x - Size / 2.0) / (Size / 2.0), v = (y - Size / 2.0) / (Size / 2.0);
            const double r = std::sqrt(u * u + v * v);
            double z = 0;
            if (r < 0.9)
                z = 40 * std::cos(r * 1.7) + 6 * std::sin(x * 0.05) * std::sin(y * 0.04);
            if (std::fabs(u - 0.4) < 0.2 && std::fabs(v + 0.3) < 0.15)
                z += 20;
            h[y * Size + x] = float(std::max(0.0, z));
        }
    }
}

double peakMegabytes()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_ExportReduction1536(benchmark::State& state)
{
    // The temporary strips go to a home folder of the benchmark's own.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    Relief relief(Size, Size);
    carve(relief);
    const double before = peakMegabytes();
    int facets = 0;
    for (auto _ : state) {
        bool ok = false;
        const FacetShape shape = FacetReducer().reduceRelief(relief, nullptr, 0.001, 0, &ok);
        if (!ok)
            state.SkipWithError("the export failed");
        facets = shape.facetCount();
    }
    state.counters["facets_out"] = facets;
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["peak_MB_before"] = before;
}

} // namespace

BENCHMARK(BM_ExportReduction1536)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

BENCHMARK_MAIN();
