// CPU side of the sculpt view's meshing: a full remesh of a large relief at
// one vertex per cell, and the refresh after one brush dab.
#include "relief/relief.h"
#include "relief/sculptundo.h"
#include "relief/selectionmode.h"
#include "relief/tool.h"
#include "views/reliefmesh.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

void fillWaves(Relief& relief)
{
    float* h = relief.heights();
    for (int y = 0; y < relief.height(); ++y)
        for (int x = 0; x < relief.width(); ++x)
            h[size_t(y) * relief.width() + x] = float(20.0 * std::sin(x * 0.01) * std::cos(y * 0.013));
}

void BM_FullRemeshNewGrid1536(benchmark::State& state)
{
    Relief relief(1536, 1536);
    fillWaves(relief);
    ReliefMesh mesh(true);
    const VekMath::Rect2d visible(0, 0, 1536, 1536);
    // A view as large as the relief: level-of-detail step 1.
    mesh.remesh(relief, visible, 1600, 1600);
    for (auto _ : state) {
        // A fresh mesh each time, as after a resize: new grid, indices and all.
        ReliefMesh fresh(true);
        fresh.remesh(relief, visible, 1600, 1600);
        benchmark::DoNotOptimize(fresh.positions.data());
    }
    state.counters["vertices"] = mesh.vertexCount();
    state.counters["lodStep"] = mesh.lodStep;
}
BENCHMARK(BM_FullRemeshNewGrid1536)->Unit(benchmark::kMillisecond);

// Zoom, pan or a remesh request: the same grid, arrays kept.
void BM_FullRemesh1536(benchmark::State& state)
{
    Relief relief(1536, 1536);
    fillWaves(relief);
    ReliefMesh mesh(true);
    const VekMath::Rect2d visible(0, 0, 1536, 1536);
    for (auto _ : state) {
        mesh.remesh(relief, visible, 1600, 1600);
        benchmark::DoNotOptimize(mesh.normals.data());
    }
}
BENCHMARK(BM_FullRemesh1536)->Unit(benchmark::kMillisecond);

void BM_RefreshAfterDab(benchmark::State& state)
{
    Relief relief(1536, 1536);
    fillWaves(relief);
    ReliefMesh mesh(true);
    mesh.remesh(relief, VekMath::Rect2d(0, 0, 1536, 1536), 1600, 1600);
    // The cells a round dab of radius 22 changes.
    const VekMath::Rect2di dab(700 - 22, 650 - 22, 45, 45);
    for (auto _ : state) {
        const ReliefMesh::Range range = mesh.refresh(relief, dab);
        benchmark::DoNotOptimize(range);
    }
}
BENCHMARK(BM_RefreshAfterDab)->Unit(benchmark::kMicrosecond);

// One mouse move of a Deposit stroke of size 0.1 (radius about 22 cells):
// the dabs along the move and the refresh of the vertices they changed.
void BM_DepositMouseMove1536(benchmark::State& state)
{
    Relief relief(1536, 1536);
    fillWaves(relief);
    ReliefMesh mesh(true);
    mesh.remesh(relief, VekMath::Rect2d(0, 0, 1536, 1536), 1600, 1600);
    Tool tool(Tool::Deposit);
    tool.size = 0.1;
    tool.strength = 0.2;
    tool.hardness = 0.5;
    tool.keepTransparency = false;
    SculptUndo undo;
    double x = -600.0;
    relief.beginStroke(&tool, VekMath::Vector2d(x, 0.0), &undo, SelectionMode::Normal);
    for (auto _ : state) {
        // A move of 4 pixels at one vertex per cell.
        x += 4.0;
        if (x > 600.0) {
            state.PauseTiming();
            relief.endStroke(VekMath::Vector2d(x, 0.0), false);
            undo.clear();
            x = -600.0;
            relief.beginStroke(&tool, VekMath::Vector2d(x, 0.0), &undo, SelectionMode::Normal);
            state.ResumeTiming();
        }
        relief.strokeTo(VekMath::Vector2d(x, 0.0), false);
        const ReliefMesh::Range range = mesh.refresh(relief, relief.changedRect());
        relief.resetChangedRect();
        benchmark::DoNotOptimize(range);
    }
    relief.endStroke(VekMath::Vector2d(x, 0.0), false);
}
BENCHMARK(BM_DepositMouseMove1536)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
