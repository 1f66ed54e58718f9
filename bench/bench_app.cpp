// What a user waits for in the main window: start-up to the first painted
// frame, a large picture opened until its import is drawn, and an export
// as the window runs it beside the facet reduction alone. Needs an X
// display with OpenGL: run under xvfb-run.
#include "app/glprobe.h"
#include "app/mainwindow.h"
#include "base/veksettings.h"
#include "files/reliefexport.h"
#include "mesh/facetreducer.h"
#include "mesh/facetshape.h"
#include "mesh/stlfilewriter.h"
#include "relief/relief.h"
#include "views/progressdialogmonitor.h"
#include "views/sculptwin.h"

#include <QApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

QTemporaryDir* workDir = nullptr;

// Waits for the view's next frame to reach the screen, at most ten seconds.
bool waitForFrame(SculptWin* view)
{
    QEventLoop loop;
    QObject::connect(view, &QOpenGLWidget::frameSwapped, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    view->update();
    loop.exec();
    return clock.elapsed() < 10000;
}

// Rolling hills with fine grain, so that neither the picture's compression
// nor the relief's meshing meets a flat field.
QString writeHills(int size)
{
    const QString path = workDir->filePath(QStringLiteral("hills%1.png").arg(size));
    if (QFile::exists(path))
        return path;
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const double u = double(x) / size;
            const double v = double(y) / size;
            const double h = 0.5 + 0.25 * std::sin(u * 19.0) * std::cos(v * 13.0) + 0.2 * std::sin((u + v) * 41.0)
                             + 0.04 * std::sin(x * 0.9) * std::sin(y * 1.3);
            const int g = std::max(1, std::min(255, int(h * 255)));
            line[x] = qRgb(g, g, g);
        }
    }
    image.save(path);
    return path;
}

std::unique_ptr<MainWindow> shownWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->resize(1200, 800);
    window->show();
    return window;
}

void BM_StartUpToFirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        auto window = shownWindow();
        if (!waitForFrame(window->sculptWin()))
            state.SkipWithError("no frame");
        state.SetIterationTime(clock.nsecsElapsed() * 1e-9);
        window.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenPictureToShownImport(benchmark::State& state)
{
    const QString png = writeHills(int(state.range(0)));
    auto window = shownWindow();
    waitForFrame(window->sculptWin());
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        window->load(png, false);
        if (!waitForFrame(window->sculptWin()))
            state.SkipWithError("no frame");
        state.SetIterationTime(clock.nsecsElapsed() * 1e-9);
    }
    state.counters["cells"] = double(window->currentModel()->cellCount());
}
BENCHMARK(BM_OpenPictureToShownImport)->Arg(1024)->Arg(4096)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A relief made from a picture import, as a user's would be.
std::unique_ptr<Relief> importedRelief(int size)
{
    auto window = shownWindow();
    window->load(writeHills(size), false);
    const Relief* model = window->currentModel();
    auto relief = std::make_unique<Relief>(model->width(), model->height());
    std::copy(model->heights(), model->heights() + model->cellCount(), relief->heights());
    relief->setHeightMax(model->heightMax());
    return relief;
}

constexpr double kMediumTolerance = 0.001;

void BM_ExportAsTheWindowRunsIt(benchmark::State& state)
{
    const auto relief = importedRelief(int(state.range(0)));
    const QString path = workDir->filePath(QStringLiteral("export.stl"));
    for (auto _ : state) {
        ProgressDialogMonitor progress;
        if (ReliefExport::write(path, ReliefExport::Stl, *relief, kMediumTolerance, &progress) != ReliefExport::Written)
            state.SkipWithError("export failed");
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_ExportAsTheWindowRunsIt)->Arg(512)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReduceReliefAlone(benchmark::State& state)
{
    const auto relief = importedRelief(int(state.range(0)));
    for (auto _ : state) {
        bool ok = true;
        const FacetShape shape = FacetReducer().reduceRelief(*relief, nullptr, kMediumTolerance, 0, &ok);
        benchmark::DoNotOptimize(shape.facetCount());
    }
}
BENCHMARK(BM_ReduceReliefAlone)->Arg(512)->Unit(benchmark::kMillisecond)->Iterations(5);

// The reduction and the write in one loop, through a plain file: the sum the
// window's export is held to, measured under the same conditions.
void BM_ReduceThenWrite(benchmark::State& state)
{
    const auto relief = importedRelief(int(state.range(0)));
    const QString path = workDir->filePath(QStringLiteral("reduced.stl"));
    for (auto _ : state) {
        bool ok = true;
        const FacetShape shape = FacetReducer().reduceRelief(*relief, nullptr, kMediumTolerance, 0, &ok);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QDataStream out(&file);
        benchmark::DoNotOptimize(writeFacetShapeStl(out, shape, ReliefExport::stlHeader(path)));
    }
}
BENCHMARK(BM_ReduceThenWrite)->Arg(512)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WriteReducedMesh(benchmark::State& state)
{
    const auto relief = importedRelief(int(state.range(0)));
    bool ok = true;
    const FacetShape shape = FacetReducer().reduceRelief(*relief, nullptr, kMediumTolerance, 0, &ok);
    const QString path = workDir->filePath(QStringLiteral("written.stl"));
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QDataStream out(&file);
        benchmark::DoNotOptimize(writeFacetShapeStl(out, shape, ReliefExport::stlHeader(path)));
    }
}
BENCHMARK(BM_WriteReducedMesh)->Arg(512)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    // Settings, logs and the reducer's strip files go to a folder of their own.
    QTemporaryDir home;
    workDir = &home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    GLProbe::setDefaultFormat();
    QApplication app(argc, argv);
    VekSettings().setValue(QStringLiteral("/startwizard/startup"), false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
