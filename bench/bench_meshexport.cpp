// The export reduction of two 1536 x 1536 reliefs at the finest quality
// tolerance (0.001 in), on one thread and on all cores: time, facets out,
// the peak memory of a process that does nothing else, and how far the
// mesh lies from the relief at every grid point, with facets turned down
// and grid points above zero left uncovered.
//   A: domes and ripples on a zero border;
//   B: octave-noise terrain everywhere above zero;
//   A 4096: relief A at 4096 x 4096 (32 in square), a hundred strips.
// Then relief A's grid written unreduced, as the default quality exports it,
// in either format, to a bar that takes every report.
#include "files/reliefexport.h"
#include "mesh/facetreducer.h"
#include "relief/progressmonitor.h"
#include "relief/relief.h"
#include "reliefcoverage.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

const double Tolerance = 0.001;

int sizeOf(int which)
{
    return which == 2 ? 4096 : 1536;
}

void carveDomes(Relief& relief)
{
    const int Size = relief.width();
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

// Reproducible lattice values in [0, 1).
double lattice(int x, int y, int octave)
{
    uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(octave) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffff) / double(0x1000000);
}

double smoothNoise(double x, double y, int octave)
{
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = lattice(ix, iy, octave), b = lattice(ix + 1, iy, octave);
    const double c = lattice(ix, iy + 1, octave), d = lattice(ix + 1, iy + 1, octave);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

void carveTerrain(Relief& relief)
{
    const int Size = relief.width();
    float* h = relief.heights();
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            double z = 2, amplitude = 48, period = 384;
            for (int octave = 0; octave < 7; ++octave) {
                z += amplitude * smoothNoise(x / period, y / period, octave);
                amplitude *= 0.5;
                period *= 0.5;
            }
            h[y * Size + x] = float(z);
        }
}

const Relief& relief(int which)
{
    static Relief* made[3] = {nullptr, nullptr, nullptr};
    if (!made[which]) {
        made[which] = new Relief(sizeOf(which), sizeOf(which));
        (which == 1 ? carveTerrain : carveDomes)(*made[which]);
    }
    return *made[which];
}

// The high-water mark of resident memory, as the system keeps it.
double peakResidentMegabytes()
{
    double kilobytes = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmHWM: %lf", &kilobytes) == 1)
                break;
        std::fclose(status);
    }
    return kilobytes / 1024.0;
}

struct Figures
{
    double seconds = 0;
    double peakMegabytes = 0;
    int facets = 0;
    int ok = 0;
    ReliefCoverage coverage;
};

// Runs in a child process, so that each figure of peak memory is that of one
// export alone. threads 0: the unreduced grid, for the rasteriser's zero.
Figures measure(int which, int threads)
{
    Figures f;
    int fds[2];
    if (pipe(fds) != 0)
        return f;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        QTemporaryDir home;
        qputenv("HOME", home.path().toLocal8Bit());
        relief(which);
        FacetShape shape;
        const auto t0 = std::chrono::steady_clock::now();
        bool ok = true;
        if (threads == 0) {
            shape = unreducedRelief(relief(which));
        } else {
            FacetReducer reducer;
            reducer.setThreadCount(threads);
            shape = reducer.reduceRelief(relief(which), nullptr, Tolerance, 0, &ok);
        }
        f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        f.peakMegabytes = peakResidentMegabytes();
        f.facets = shape.facetCount();
        f.ok = ok;
        f.coverage = coverageOf(relief(which), shape);
        const ssize_t written = write(fds[1], &f, sizeof f);
        _exit(written == ssize_t(sizeof f) ? 0 : 1);
    }
    close(fds[1]);
    if (child > 0) {
        if (read(fds[0], &f, sizeof f) != ssize_t(sizeof f))
            f = Figures();
        waitpid(child, nullptr, 0);
    }
    close(fds[0]);
    return f;
}

void BM_ExportReduction(benchmark::State& state)
{
    const int which = int(state.range(0));
    const int threads = int(state.range(1)) < 0 ? int(std::thread::hardware_concurrency()) : int(state.range(1));
    // Each relief is made in the child that exports it, so that the peak
    // holds that relief alone beside the export.
    Figures f;
    for (auto _ : state) {
        f = measure(which, threads);
        if (threads != 0 && !f.ok)
            state.SkipWithError("the export failed");
        state.SetIterationTime(f.seconds);
    }
    state.SetLabel(std::string(which == 1 ? "B" : "A") + (which == 2 ? " 4096" : "") + (threads == 0 ? " unreduced" : ""));
    state.counters["threads"] = threads;
    state.counters["facets_out"] = f.facets;
    state.counters["peak_MB"] = f.peakMegabytes;
    state.counters["max_dev_in"] = f.coverage.maxDeviation;
    state.counters["rms_dev_in"] = f.coverage.rmsDeviation;
    state.counters["folded"] = f.coverage.folded;
    state.counters["uncovered"] = f.coverage.uncovered;
    state.counters["outline_lost"] = f.coverage.borderMissing;
}

// Takes the reports and lets nothing through, so that what is timed is the
// writing and its reporting.
class QuietBar : public ProgressMonitor
{
public:
    void setMaximum(int) override {}
    void setValue(int v) override { shown = v; }
    int value() const override { return shown; }
    void setAutoClose(bool) override {}
    void show() override {}
    void processEvents() override {}
    bool wasCanceled() const override { return false; }

private:
    int shown = -1;
};

void BM_WriteGrid(benchmark::State& state)
{
    const bool stl = state.range(0) == 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(stl ? QStringLiteral("grid.stl") : QStringLiteral("grid.obj"));
    const Relief& grid = relief(0);
    for (auto _ : state) {
        QuietBar bar;
        if (ReliefExport::write(path, stl ? ReliefExport::Stl : ReliefExport::Obj, grid, 0.0, &bar)
            != ReliefExport::Written)
            state.SkipWithError("the export failed");
    }
    state.SetLabel(stl ? "A stl" : "A obj");
    state.counters["bytes"] = double(QFileInfo(path).size());
}

} // namespace

// Arguments: relief (0 A, 1 B, 2 A at 4096), threads (0 the unreduced grid,
// -1 all cores; the counts between show what each further strip worker
// costs in memory).
BENCHMARK(BM_ExportReduction)
    ->ArgsProduct({{0, 1}, {0, 1, 2, 4, -1}})
    ->Args({2, 1})
    ->Args({2, -1})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);

// Argument: the format (0 STL, 1 OBJ).
BENCHMARK(BM_WriteGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
