// Brush dabs, strokes and presses on large reliefs. Each kernel's rate in
// cells per second for one dab is shown beside a plain loop that reads and
// writes the same footprint rectangle (h[i] += w[i]) in the same run, and
// as a share of that loop's rate.
#include "relief/relief.h"
#include "relief/sculptstroke.h"
#include "relief/sculptundo.h"
#include "relief/tool.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kSide = 1536;

// Gentle waves, never 0, so the zero test skips no cell.
std::unique_ptr<Relief> waves(int side)
{
    auto relief = std::make_unique<Relief>(side, side);
    float* h = relief->heights();
    float* reference = relief->referenceHeights();
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const size_t i = size_t(y) * side + x;
            h[i] = float(20.0 + 8.0 * std::sin(x * 0.05) * std::cos(y * 0.03));
            reference[i] = 25.0f;
        }
    relief->setBaseLevel(12.0);
    return relief;
}

// The tool size that gives a footprint radius of r cells on a square grid.
double sizeForRadius(double r, int side)
{
    return r / (0.1 * std::sqrt(2.0) * side);
}

std::unique_ptr<Tool> toolFor(Tool::Type type, double radius, int side)
{
    auto tool = std::make_unique<Tool>(type);
    tool->size = sizeForRadius(radius, side);
    tool->strength = 0.5;
    tool->hardness = 0.4;
    return tool;
}

const VekMath::Vector2d kCentre(0.3, -0.2);

// The rectangle a dab of radius r at the centre covers, found by erasing.
VekMath::Rect2di dabRect(double radius)
{
    auto relief = waves(kSide);
    auto tool = toolFor(Tool::Erase, radius, kSide);
    relief->beginStroke(tool.get(), kCentre, nullptr, SelectionMode::Normal);
    return relief->strokeRect();
}

// The plain loop over the footprint rectangle of h and w, grids kSide wide
// indexed alike, as a kernel reads the relief's other grids beside the
// heights.
void plainLoop(float* h, const float* w, const VekMath::Rect2di& area)
{
    for (int y = area.y1; y < area.y2; ++y) {
        const size_t row = size_t(y) * kSide;
        for (int x = area.x1; x < area.x2; ++x)
            h[row + x] += w[row + x];
    }
}

// The shortest time of calls runs of f over several turns, in seconds.
template <class F>
double bestTime(int calls, F f)
{
    double best = 1e300;
    for (int turn = 0; turn < 7; ++turn) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            f();
            benchmark::ClobberMemory();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// One dab at the centre, repeated; args: tool type, radius. Beside the
// rate, the plain loop's rate over the same rectangle and the kernel's
// share of it, both timed here in alternate turns so that a busy machine
// slows both alike.
void BM_Dab(benchmark::State& state)
{
    const auto type = Tool::Type(state.range(0));
    const VekMath::Rect2di area = dabRect(double(state.range(1)));
    auto relief = waves(kSide);
    auto tool = toolFor(type, double(state.range(1)), kSide);
    relief->beginStroke(tool.get(), kCentre, nullptr, SelectionMode::Normal);
    for (auto _ : state) {
        relief->applyTool(kCentre);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * area.area());

    auto plain = waves(kSide);
    const std::vector<float> w(size_t(kSide) * kSide, 0.001f);
    const int calls = std::max(4, int(2000000 / area.area()));
    double kernelTime = 1e300;
    double plainTime = 1e300;
    for (int round = 0; round < 3; ++round) {
        kernelTime = std::min(kernelTime, bestTime(calls, [&] { relief->applyTool(kCentre); }));
        plainTime = std::min(plainTime, bestTime(calls, [&] { plainLoop(plain->heights(), w.data(), area); }));
    }
    state.counters["plain_per_second"] = double(calls) * area.area() / plainTime;
    state.counters["share"] = plainTime / kernelTime;
    relief->endStroke(kCentre, false);
}

// The plain loop over the same footprint rectangle; args: radius.
void BM_PlainLoop(benchmark::State& state)
{
    const VekMath::Rect2di area = dabRect(double(state.range(0)));
    auto relief = waves(kSide);
    const std::vector<float> w(size_t(kSide) * kSide, 0.001f);
    for (auto _ : state) {
        plainLoop(relief->heights(), w.data(), area);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * area.area());
}

void dabArgs(benchmark::internal::Benchmark* b)
{
    for (int radius : {22, 217})
        for (Tool::Type type : {Tool::Smooth, Tool::Smudge, Tool::Deposit, Tool::Remove, Tool::Erase,
                                Tool::Undo, Tool::Brush})
            b->Args({type, radius});
    b->ArgNames({"type", "r"});
}

// A stroke of 200 dabs one cell apart: press (snapshot, footprint), moves
// and release with its undo record.
void BM_Stroke200(benchmark::State& state)
{
    auto relief = waves(kSide);
    auto tool = toolFor(Tool::Deposit, double(state.range(0)), kSide);
    SculptUndo undo;
    for (auto _ : state) {
        relief->beginStroke(tool.get(), VekMath::Vector2d(-100, 0), &undo, SelectionMode::Normal);
        for (int i = 1; i <= 199; ++i)
            relief->strokeTo(VekMath::Vector2d(-100 + i, 0.25 * i), false);
        relief->endStroke(VekMath::Vector2d(99, 49.75), false);
        undo.clear();
    }
}

// The press of the largest brush (size 1) on a 3072 x 3072 relief:
// footprint mask, distance map and stroke snapshot; with Deposit also the
// footprint weights and the first dab (radius 434).
void BM_PressLargestBrush(benchmark::State& state)
{
    auto relief = waves(3072);
    Tool tool(Tool::Type(state.range(0)));
    tool.size = 1.0;
    tool.strength = 0.5;
    for (auto _ : state) {
        relief->beginStroke(&tool, VekMath::Vector2d(0, 0), nullptr, SelectionMode::Normal);
        relief->endStroke(VekMath::Vector2d(0, 0), false);
    }
}

} // namespace

BENCHMARK(BM_PlainLoop)->Arg(22)->Arg(217)->ArgName("r");
BENCHMARK(BM_Dab)->Apply(dabArgs);
BENCHMARK(BM_Stroke200)->Arg(22)->ArgName("r")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PressLargestBrush)->Arg(Tool::NoTool)->Arg(Tool::Deposit)->ArgName("type")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
