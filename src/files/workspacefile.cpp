#include "files/workspacefile.h"

#include "files/regularsavefile.h"
#include "relief/relief.h"

#include <QDataStream>
#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

bool allFinite(const float* values, size_t count)
{
    return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

// The reader refuses a Z scale or height that is not a finite number; a
// workspace holding one would never open again.
bool readable(const Relief& relief)
{
    return std::isfinite(relief.zScale()) && allFinite(relief.heights(), relief.cellCount())
        && allFinite(relief.referenceHeights(), relief.cellCount());
}

} // namespace

FileResult WorkspaceFile::write(QIODevice& device, const Relief& relief)
{
    if (!readable(relief))
        return FileResult::SaveFailed;
    QDataStream out(&device);
    out << kMagic << kVersion;
    if (out.status() != QDataStream::Ok || !relief.save(out))
        return FileResult::SaveFailed;
    return FileResult::Ok;
}

FileResult WorkspaceFile::save(const QString& path, const Relief& relief)
{
    RegularSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::SaveFailed;
    if (!write(file, relief).ok()) {
        file.cancelWriting();
        return FileResult::SaveFailed;
    }
    return file.commit() ? FileResult::Ok : FileResult::SaveFailed;
}

FileResult WorkspaceFile::read(QIODevice& device, std::unique_ptr<Relief>& relief)
{
    QDataStream in(&device);
    qint32 magic = 0;
    qint32 version = 0;
    in >> magic >> version;
    if (in.status() != QDataStream::Ok || magic != kMagic || version >= 2)
        return FileResult::InvalidFile;
    std::unique_ptr<Relief> loaded(Relief::load(in));
    if (!loaded)
        return FileResult::LoadFailed;
    relief = std::move(loaded);
    return FileResult::Ok;
}

FileResult WorkspaceFile::load(const QString& path, std::unique_ptr<Relief>& relief)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileResult::OpenFailed;
    return read(file, relief);
}
