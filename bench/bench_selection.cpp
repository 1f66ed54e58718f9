// Selection operations and crop on a 3072 x 3072 relief (24 inches a side),
// where every one of them walks the whole grid at least once.
#include "relief/relief.h"
#include "relief/reliefselection.h"
#include "relief/sculptundo.h"
#include "relief/selectionshape.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kSide = 3072;

// Terraces of equal heights, so the magic flood has a large region to walk.
std::unique_ptr<Relief> terraced()
{
    auto relief = std::make_unique<Relief>(kSide, kSide);
    float* h = relief->heights();
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double dx = x - kSide / 2.0, dy = y - kSide / 2.0;
            h[size_t(y) * kSide + x] = float(std::floor(std::sqrt(dx * dx + dy * dy) / 400.0));
        }
    relief->setHeightMin(0);
    relief->setHeightMax(6);
    return relief;
}

void BM_Rectangle(benchmark::State& state)
{
    Relief relief(kSide, kSide);
    const VekMath::Rect2d r(VekMath::Vector2d(300, 200), VekMath::Vector2d(2800, 2900));
    for (auto _ : state)
        ReliefSelection::selectRectangle(relief, r, SelectionMode::Additive);
}
BENCHMARK(BM_Rectangle)->Unit(benchmark::kMillisecond);

void BM_Ellipse(benchmark::State& state)
{
    Relief relief(kSide, kSide);
    const VekMath::Rect2d r(VekMath::Vector2d(100, 150), VekMath::Vector2d(3000, 2950));
    for (auto _ : state)
        ReliefSelection::selectEllipse(relief, r, SelectionMode::Additive);
}
BENCHMARK(BM_Ellipse)->Unit(benchmark::kMillisecond);

void BM_Polygon(benchmark::State& state)
{
    Relief relief(kSide, kSide);
    QList<QPointF> star;
    for (int k = 0; k <= 10; ++k) {
        const double t = k * 3.14159265358979 / 5, r = (k % 2) ? 600 : 1500;
        star.append(QPointF(kSide / 2.0 + r * std::cos(t), kSide / 2.0 + r * std::sin(t)));
    }
    for (auto _ : state)
        ReliefSelection::selectPolygon(relief, star, SelectionMode::Additive);
}
BENCHMARK(BM_Polygon)->Unit(benchmark::kMillisecond);

void BM_MagicConnected(benchmark::State& state)
{
    auto relief = terraced();
    for (auto _ : state)
        ReliefSelection::magicSelect(*relief, VekMath::Vector2d(0, 0), 0.0, true, SelectionMode::Additive);
}
BENCHMARK(BM_MagicConnected)->Unit(benchmark::kMillisecond);

void BM_MagicAnywhere(benchmark::State& state)
{
    auto relief = terraced();
    for (auto _ : state)
        ReliefSelection::magicSelect(*relief, VekMath::Vector2d(0, 0), 0.2, false, SelectionMode::Additive);
}
BENCHMARK(BM_MagicAnywhere)->Unit(benchmark::kMillisecond);

void BM_CropWithUndo(benchmark::State& state)
{
    auto relief = terraced();
    auto shape = makeOwned(new SelectionShape(SelectionShape::ClosedPolygon));
    shape->addRect(VekMath::Rect2d(VekMath::Vector2d(-1000, -900), VekMath::Vector2d(1200, 1100)));
    relief->selectionShapes().push_back(std::move(shape));
    SculptUndo undo;
    for (auto _ : state) {
        ReliefSelection::crop(*relief, &undo);
        undo.undo();
    }
}
BENCHMARK(BM_CropWithUndo)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
