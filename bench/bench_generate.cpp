// Regeneration, bas-relief and the relief files on a 1536 x 1536 relief
// (12 inches a side), the size the import page works on, and the import
// page's sliders: what a user waits for once a slider's pause timer fires.
#include "files/ptrfile.h"
#include "files/workspacefile.h"
#include "relief/basutil.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"
#include "ui/centralpanel.h"
#include "views/sculptwin.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kSide = 1536;

// A rasterised-mesh-like field: an empty margin around a deep dome with
// ridges and a raised plateau with sharp edges.
std::vector<float> meshLikeHeights(int w, int h)
{
    std::vector<float> v(size_t(w) * h, 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = (x - w / 2.0) / w, dy = (y - h / 2.0) / h;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r > 0.45)
                continue;
            double z = 400.0 * std::cos(r * 3.2) + 12.0 * std::sin(x * 0.05) * std::cos(y * 0.037);
            if (dx > 0.05 && dy < -0.1)
                z += 150.0;
            v[size_t(y) * w + x] = float(z);
        }
    return v;
}

std::unique_ptr<Relief> importedRelief()
{
    const std::vector<float> image = meshLikeHeights(kSide, kSide);
    ReliefSource source(kSide, kSide);
    for (float v : image)
        source.append(v);
    return std::make_unique<Relief>(source);
}

void BM_BasRelief(benchmark::State& state)
{
    Relief relief(kSide, kSide);
    const std::vector<float> heights = meshLikeHeights(kSide, kSide);
    std::copy(heights.begin(), heights.end(), relief.heights());
    for (auto _ : state) {
        BasUtil bas(relief);
        // The central panel's starting values.
        benchmark::DoNotOptimize(bas.makeRelief(4, 16, 100000, nullptr));
    }
}
BENCHMARK(BM_BasRelief)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Regenerate(benchmark::State& state)
{
    const auto relief = importedRelief();
    relief->source()->trimSteps = 10;
    relief->source()->smoothSteps = 10;
    for (auto _ : state)
        relief->rebuild(false);
}
BENCHMARK(BM_Regenerate)->Unit(benchmark::kMillisecond);

void BM_SmoothPass(benchmark::State& state)
{
    const auto relief = importedRelief();
    for (auto _ : state)
        relief->smoothPasses(1.0, false);
}
BENCHMARK(BM_SmoothPass)->Unit(benchmark::kMillisecond);

void BM_ErodePass(benchmark::State& state)
{
    const auto relief = importedRelief();
    for (auto _ : state)
        relief->erodePasses(1);
}
BENCHMARK(BM_ErodePass)->Unit(benchmark::kMillisecond);

void BM_WorkspaceWrite(benchmark::State& state)
{
    const auto relief = importedRelief();
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.scp");
    for (auto _ : state)
        if (!WorkspaceFile::save(path, *relief).ok())
            state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_WorkspaceWrite)->Unit(benchmark::kMillisecond);

void BM_WorkspaceRead(benchmark::State& state)
{
    const auto relief = importedRelief();
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.scp");
    WorkspaceFile::save(path, *relief);
    for (auto _ : state) {
        std::unique_ptr<Relief> loaded;
        if (!WorkspaceFile::load(path, loaded).ok())
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_WorkspaceRead)->Unit(benchmark::kMillisecond);

void BM_PtrWrite(benchmark::State& state)
{
    const auto relief = importedRelief();
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.ptr");
    const QString key = state.range(0) ? QStringLiteral("1234567890123") : QString();
    for (auto _ : state)
        if (!PtrFile::save(path, *relief, PtrFile::handOverRange(*relief), key).ok())
            state.SkipWithError("save failed");
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_PtrWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PtrRead(benchmark::State& state)
{
    const auto relief = importedRelief();
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.ptr");
    const QString key = state.range(0) ? QStringLiteral("1234567890123") : QString();
    PtrFile::save(path, *relief, PtrFile::handOverRange(*relief), key);
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        PtrFile::Header header;
        std::vector<float> samples;
        if (!PtrFile::read(file, key, header, samples).ok())
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_PtrRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The import page's rebuilding sliders, each with the slot its timer runs.
struct ImportSlider {
    const char* name;
    int low;
    int high;
    void (CentralPanel::*timeout)();
};

const ImportSlider importSliders[] = {
    {"smoothing", 49, 50, &CentralPanel::smoothStepsTimeout},
    {"raiseLower", 99, 100, &CentralPanel::raiseLowerStepsTimeout},
    {"trim", 19, 20, &CentralPanel::trimStepsTimeout},
    {"tiltVertical", 99, 100, &CentralPanel::tiltTimeout},
};

// One slider step on the Import page of a 1536 x 1536 import, timed from
// the moment its pause timer fires to the regenerated relief; every slider
// stands at the top of its range, the slowest rebuild.
void BM_PanelSliderRebuild(benchmark::State& state)
{
    const ImportSlider& which = importSliders[state.range(0)];
    const auto relief = importedRelief();
    CentralPanel panel;
    panel.sculptWin()->setRelief(relief.get(), false);
    panel.showImportTab();
    for (const ImportSlider& other : importSliders) {
        panel.findChild<QSlider*>(QLatin1String(other.name))->setValue(other.low);
        (panel.*other.timeout)();
    }
    QSlider* slider = panel.findChild<QSlider*>(QLatin1String(which.name));
    bool up = true;
    for (auto _ : state) {
        state.PauseTiming();
        slider->setValue(up ? which.high : which.low);
        up = !up;
        state.ResumeTiming();
        (panel.*which.timeout)();
    }
    state.SetLabel(which.name);
}
BENCHMARK(BM_PanelSliderRebuild)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The panel is never shown: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
