#include "mesh/facetreducer.h"
#include "mesh/facetreducerimpl.h"

#include "base/veksettings.h"
#include "mesh/reductionprogress.h"
#include "mesh/stlfilereader.h"
#include "mesh/stlfilewriter.h"
#include "relief/progressmonitor.h"
#include "relief/relief.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using VekMath::Vector3d;

namespace {

bool isFinite(const Vector3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

} // namespace

FacetShape FacetReducer::reduceRelief(const Relief& relief, ProgressMonitor* dialog, double tolerance,
                                      unsigned int targetFaces, bool* ok)
{
    if (ok)
        *ok = true;
    if (tolerance < 0)
        tolerance = 0.5 / 128;
    const unsigned int target = targetFaces ? targetFaces : 1;
    const double maxCost = tolerance * tolerance;
    const int width = relief.width();
    const int height = relief.height();
    if (width < 1 || height < 1)
        return FacetShape();

    // Strips of about ten square inches bound the reducer's memory.
    const unsigned int rows = (163840u + unsigned(width) - 1) / unsigned(width);
    const unsigned int strips = (rows + unsigned(height) - 1) / rows;

    QDir home(VekSettings::homeDir());
    const QString folderName = "tmp_" + QString::number(QCoreApplication::applicationPid(), 16);
    home.mkdir(folderName);
    const QString folder = home.filePath(folderName);
    auto stripPath = [&](unsigned int s) {
        return QDir::toNativeSeparators(folder) + QDir::separator() + "stltmp" + QString::number(s);
    };

    ReductionProgress progress;
    progress.dialog = dialog;
    if (dialog) {
        dialog->setMaximum(int(strips + 1) * 100);
        dialog->setValue(0);
    }

    // Vertices of the grid points of the two rows of the present cells.
    std::vector<int> rowAbove(size_t(width), -1), rowBelow(size_t(width), -1);
    d->reserveFor(size_t(2) * rows * unsigned(width), size_t(rows) * unsigned(width));

    const float* heights = relief.heights();
    const double zScale = relief.zScale();
    auto point = [&](int x, int y) {
        return Vector3d(x / 128.0, y / 128.0, double(heights[size_t(y) * size_t(width) + size_t(x)]) * zScale / 128.0);
    };

    bool failed = false;
    for (unsigned int s = 0; s < strips && !failed; ++s) {
        d->clear();
        if (progress.cancelled)
            break;
        const int firstRow = int(s * rows);
        const int endRow = s + 1 == strips ? height - 1 : firstRow + int(rows);

        // The cells' triangles go straight into the reducer, in the order a
        // shape of them would give; each grid point becomes a vertex when a
        // triangle first uses it.
        progress.phase = ReductionProgress::Triangulating;
        progress.strip = int(s);
        progress.start = firstRow;
        progress.end = endRow;
        std::fill(rowBelow.begin(), rowBelow.end(), -1);
        int added = 0;
        for (int j = firstRow; j < endRow; ++j) {
            progress.current = j;
            progress.update();
            rowAbove.swap(rowBelow);
            std::fill(rowBelow.begin(), rowBelow.end(), -1);
            if (j == firstRow)
                std::fill(rowAbove.begin(), rowAbove.end(), -1);
            auto vertex = [&](int x, int y) {
                int& slot = (y == j ? rowAbove : rowBelow)[size_t(x)];
                if (slot < 0)
                    slot = d->vertexAt(point(x, y));
                return slot;
            };
            for (int i = 0; i + 1 < width; ++i) {
                const Vector3d p00 = point(i, j), p10 = point(i + 1, j);
                const Vector3d p01 = point(i, j + 1), p11 = point(i + 1, j + 1);
                // A corner that is not a number would never meet its neighbours.
                const bool finite00 = isFinite(p00), finite11 = isFinite(p11);
                if (finite00 && finite11 && isFinite(p10) && !(p00.z == 0 && p10.z == 0 && p11.z == 0)) {
                    const int a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1);
                    d->makeFace(a, b, c);
                    ++added;
                }
                if (finite00 && finite11 && isFinite(p01) && !(p11.z == 0 && p01.z == 0 && p00.z == 0)) {
                    const int a = vertex(i + 1, j + 1), b = vertex(i, j + 1), c = vertex(i, j);
                    d->makeFace(a, b, c);
                    ++added;
                }
            }
        }
        progress.phase = ReductionProgress::Building;
        progress.start = 0;
        progress.end = progress.current = added;
        progress.update();

        progress.phase = ReductionProgress::Reducing;
        progress.start = progress.current = d->faceCount();
        progress.end = int(target / strips);
        d->reduce(target / strips, maxCost, &progress);

        // A strip that cannot be parked would leave a hole in the mesh.
        QFile file(stripPath(s));
        if (file.open(QIODevice::WriteOnly)) {
            QDataStream out(&file);
            failed = !writeFacetShapeStl(out, d->toFacetShape(), file.fileName()) || !file.flush();
        } else {
            failed = true;
        }

        progress.phase = ReductionProgress::Triangulating;
        progress.strip = int(s + 1);
        progress.start = 0;
        progress.end = 1;
        progress.current = 0;
        progress.update();
    }
    d->clear();

    FacetShape result;
    if (!progress.cancelled && !failed) {
        for (unsigned int s = 0; s < strips && !failed; ++s) {
            QFile file(stripPath(s));
            std::unique_ptr<FacetShape> part;
            if (file.open(QIODevice::ReadOnly)) {
                QDataStream in(&file);
                StlFileReader reader(&in);
                part.reset(readStl(reader));
            }
            failed = !part;
            for (int i = 0; part && i < part->facetCount() && !failed; ++i)
                failed = !result.addFacet(part->facets()[i]);
        }
    }
    for (unsigned int s = 0; s < strips; ++s)
        QFile::remove(stripPath(s));
    home.rmdir(folderName);

    if (failed && ok)
        *ok = false;
    if (progress.cancelled || failed)
        return FacetShape();

    progress.phase = ReductionProgress::Building;
    progress.start = 0;
    progress.end = result.facetCount();
    d->addShape(result.facets(), &progress);
    result = FacetShape();

    progress.phase = ReductionProgress::Reducing;
    progress.start = progress.current = d->faceCount();
    progress.end = int(target);
    d->reduce(target, maxCost, &progress);
    if (progress.cancelled) {
        d->clear();
        return FacetShape();
    }
    result = d->toFacetShape();

    progress.phase = ReductionProgress::Triangulating;
    progress.strip = int(strips + 1);
    progress.start = 0;
    progress.end = 1;
    progress.update();

    d->clear();
    result.center();
    return result;
}
