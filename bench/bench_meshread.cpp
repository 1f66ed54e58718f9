// Reading speed of the STL and OBJ readers, each beside a general mesh
// import library reading the same file in the same run.
#include "mesh/facetshape.h"
#include "mesh/objfilereader.h"
#include "mesh/stlfilereader.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#ifdef HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

const int GridCells = 1000;  // 2 million facets

// A wavy height field in inches, as the program exports one.
float heightAt(int x, int y)
{
    return float(0.3 * std::sin(x * 0.05) * std::cos(y * 0.07) + 0.001 * ((x * 7 + y * 13) % 17));
}

struct Files
{
    QTemporaryDir dir;
    QString binaryStl, asciiStl, obj;
    int binaryFacets = 0, asciiFacets = 0, objFacets = 0;

    Files()
    {
        binaryStl = dir.filePath("binary.stl");
        asciiStl = dir.filePath("ascii.stl");
        obj = dir.filePath("mesh.obj");
        writeStl(binaryStl, GridCells, true, &binaryFacets);
        writeStl(asciiStl, 450, false, &asciiFacets);
        writeObj(obj, 1000, &objFacets);
    }

    template <class F>
    static void forEachTriangle(int n, F f)
    {
        auto p = [](int x, int y) { return std::array<float, 3>{x / 128.0f, y / 128.0f, heightAt(x, y)}; };
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                f(p(i, j), p(i + 1, j), p(i + 1, j + 1));
                f(p(i + 1, j + 1), p(i, j + 1), p(i, j));
            }
    }

    static void put(std::string& s, float v)
    {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6);
        s.append(buf, size_t(r.ptr - buf));
    }

    static void writeStl(const QString& path, int n, bool binary, int* facets)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        std::string text;
        if (binary) {
            text.append(80, '\0');
            const uint32_t count = uint32_t(2 * n * n);
            text.append(reinterpret_cast<const char*>(&count), 4);
        } else {
            text = "solid bench\n";
        }
        forEachTriangle(n, [&](auto a, auto b, auto c) {
            const float normal[3] = {0, 0, 1};
            if (binary) {
                text.append(reinterpret_cast<const char*>(normal), 12);
                for (const auto& v : {a, b, c})
                    text.append(reinterpret_cast<const char*>(v.data()), 12);
                text.append(2, '\0');
            } else {
                text += "  facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n    outer loop\n";
                for (const auto& v : {a, b, c}) {
                    text += "      vertex ";
                    put(text, v[0]);
                    text += ' ';
                    put(text, v[1]);
                    text += ' ';
                    put(text, v[2]);
                    text += '\n';
                }
                text += "    endloop\n  endfacet\n";
            }
            ++*facets;
            if (text.size() > (1 << 24)) {
                file.write(text.data(), qint64(text.size()));
                text.clear();
            }
        });
        if (!binary)
            text += "endsolid bench\n";
        file.write(text.data(), qint64(text.size()));
    }

    static void writeObj(const QString& path, int n, int* facets)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        std::string text = "# bench\n";
        for (int y = 0; y <= n; ++y)
            for (int x = 0; x <= n; ++x) {
                text += "v ";
                put(text, x / 128.0f);
                text += ' ';
                put(text, y / 128.0f);
                text += ' ';
                put(text, heightAt(x, y));
                text += '\n';
            }
        auto id = [n](int x, int y) { return std::to_string(y * (n + 1) + x + 1); };
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                text += "f " + id(i, j) + ' ' + id(i + 1, j) + ' ' + id(i + 1, j + 1) + '\n';
                text += "f " + id(i + 1, j + 1) + ' ' + id(i, j + 1) + ' ' + id(i, j) + '\n';
                *facets += 2;
            }
        file.write(text.data(), qint64(text.size()));
    }
};

const Files& files()
{
    static Files f;
    return f;
}

std::unique_ptr<FacetShape> readStlFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QDataStream in(&file);
    StlFileReader reader(&in);
    return std::unique_ptr<FacetShape>(readStl(reader));
}

std::unique_ptr<FacetShape> readObjFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QTextStream in(&file);
    ObjFileReader reader(&in);
    return std::unique_ptr<FacetShape>(reader.read());
}

// The library's best of three reads of the same file, in milliseconds, and
// the facets it found.
double libraryMilliseconds(const QString& path, long long* faces)
{
    double best = 0;
#ifdef HAVE_ASSIMP
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path.toStdString(), 0);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        *faces = 0;
        for (unsigned m = 0; scene && m < scene->mNumMeshes; ++m)
            *faces += scene->mMeshes[m]->mNumFaces;
        best = i == 0 ? ms : std::min(best, ms);
    }
#else
    Q_UNUSED(path);
    *faces = 0;
#endif
    return best;
}

template <class Read>
void readBench(benchmark::State& state, const QString& path, int facets, Read read)
{
    double ours = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::unique_ptr<FacetShape> shape = read(path);
        ours += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (!shape || shape->facetCount() != facets) {
            state.SkipWithError("the file was not read");
            return;
        }
        benchmark::DoNotOptimize(shape->boundsMax());
    }
    const double bytes = double(QFileInfo(path).size());
    state.SetBytesProcessed(int64_t(bytes) * state.iterations());
    state.counters["facets/s"] = benchmark::Counter(double(facets) * double(state.iterations()), benchmark::Counter::kIsRate);
    long long libraryFaces = 0;
    const double library = libraryMilliseconds(path, &libraryFaces);
    state.counters["library_ms"] = library;
    // How many times faster than the library (above 1: faster).
    state.counters["speedup"] = library / (ours / double(state.iterations()));
    state.counters["library_faces"] = double(libraryFaces);
    state.counters["MB"] = bytes / 1e6;
}

void BM_ReadBinaryStl(benchmark::State& state)
{
    readBench(state, files().binaryStl, files().binaryFacets, readStlFile);
}

void BM_ReadAsciiStl(benchmark::State& state)
{
    readBench(state, files().asciiStl, files().asciiFacets, readStlFile);
}

void BM_ReadObj(benchmark::State& state)
{
    readBench(state, files().obj, files().objFacets, readObjFile);
}

// The slowest OBJ text of 2 MB the reader takes: one face at the corner
// limit of the shape the splitting is slowest on, long runs side by side
// joined at alternate ends, then as many of the largest faces not counted
// against the file's splitting as fit.
QByteArray slowestObj()
{
    std::string text;
    auto runs = [&text](int corners, int y0) {
        auto v = [&text](int x, int y) { text += "v " + std::to_string(x) + ' ' + std::to_string(y) + " 0\n"; };
        v(-1, y0 - 1);
        const int count = (corners - 2) / 2;
        for (int i = 0; i < count; ++i) {
            v(i % 2 ? 1000 : 0, y0 + i);
            v(i % 2 ? 0 : 1000, y0 + i);
        }
        v(-1, y0 + count);
    };
    auto face = [](int first, int corners) {
        std::string f = "f";
        for (int i = first; i < first + corners; ++i)
            f += ' ' + std::to_string(i);
        return f + '\n';
    };
    runs(ObjFileReader::MaxFaceCorners, 0);
    runs(ObjFileReader::FreeCorners, -100);
    text += face(1, ObjFileReader::MaxFaceCorners);
    const std::string small = face(ObjFileReader::MaxFaceCorners + 1, ObjFileReader::FreeCorners);
    while (text.size() + small.size() <= 2000000)
        text += small;
    return QByteArray::fromStdString(text);
}

void BM_ReadObjSlowestSplitting(benchmark::State& state)
{
    const QByteArray text = slowestObj();
    for (auto _ : state) {
        QTextStream in(text, QIODevice::ReadOnly);
        ObjFileReader reader(&in);
        const std::unique_ptr<FacetShape> shape(reader.read());
        if (!shape) {
            state.SkipWithError("the file was refused");
            return;
        }
        benchmark::DoNotOptimize(shape->boundsMax());
    }
}

} // namespace

BENCHMARK(BM_ReadBinaryStl)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadAsciiStl)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadObj)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadObjSlowestSplitting)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
