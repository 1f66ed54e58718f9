// The mesh view turning an imported mesh of a million facets, and the
// building of its vertex arrays when a mesh is handed to it. Needs an X
// display with OpenGL: run under xvfb-run.
#include "geometry/quaternion.h"
#include "mesh/facetshape.h"
#include "views/facetwin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSurfaceFormat>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

using VekMath::Vector3d;

namespace {

// 708 x 708 cells of two facets each: just over a million.
constexpr int kCells = 708;

// A wavy terrain, so that the lighting varies from facet to facet.
std::unique_ptr<FacetShape> terrain()
{
    auto shape = std::make_unique<FacetShape>();
    shape->reserve(2 * kCells * kCells);
    auto point = [](int x, int y) {
        return Vector3d(x, y, 20.0 * std::sin(x * 0.05) * std::cos(y * 0.04) + 0.01 * x);
    };
    auto add = [&](const Vector3d& a, const Vector3d& b, const Vector3d& c) {
        Vector3d n = Vector3d::cross(b - a, c - a);
        n *= 1.0 / std::sqrt(Vector3d::dot(n, n));
        shape->addFacet(Facet(a, b, c, n));
    };
    for (int y = 0; y < kCells; ++y)
        for (int x = 0; x < kCells; ++x) {
            add(point(x, y), point(x + 1, y), point(x + 1, y + 1));
            add(point(x, y), point(x + 1, y + 1), point(x, y + 1));
        }
    return shape;
}

// Paints one frame into the view's buffer and waits until it is drawn.
class FrameView : public FacetWin
{
public:
    void frame()
    {
        makeCurrent();
        paintGL();
        glFinish();
        doneCurrent();
    }
};

std::unique_ptr<FacetShape> mesh;
std::unique_ptr<FrameView> view;

FacetShape* bigMesh()
{
    if (!mesh)
        mesh = terrain();
    return mesh.get();
}

FrameView* shownView()
{
    if (!view) {
        view = std::make_unique<FrameView>();
        view->resize(view->sizeHint());
        view->show();
        QElapsedTimer waited;
        waited.start();
        while (!view->isValid() && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return view.get();
}

// One frame while the mesh turns a few degrees each frame. The plain run
// reports the CPU time of the painting thread; the process_time run adds
// the GL driver's own threads, which a software rasteriser keeps busy.
void BM_TurnFrame(benchmark::State& state)
{
    FrameView* view = shownView();
    view->setFacetShape(bigMesh(), true);
    view->frame();
    double angle = 0.0;
    for (auto _ : state) {
        angle += 3.0;
        view->setRotation(VekMath::Quaternion::fromAngleAxisDegrees(angle, 1.0, 0.6, 0.2));
        view->frame();
    }
    state.counters["facets"] = bigMesh()->facetCount();
    view->setFacetShape(nullptr, false);
}
BENCHMARK(BM_TurnFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurnFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Handing the mesh over: its arrays are built once, then uploaded with the
// next frame.
void BM_SetFacetShape(benchmark::State& state)
{
    FrameView* view = shownView();
    for (auto _ : state) {
        view->setFacetShape(bigMesh(), false);
        view->frame();
    }
    view->setFacetShape(nullptr, false);
}
BENCHMARK(BM_SetFacetShape)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    // The mesh view needs the fixed-function pipeline.
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setOption(QSurfaceFormat::DeprecatedFunctions);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The view's GL context must go before the application does.
    view.reset();
    mesh.reset();
    return 0;
}
