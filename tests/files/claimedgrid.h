#pragma once

// Files of a given grid size that take next to no room on disk: the grids
// of the workspace and the height field are holes, the picture is black
// but for one dot.

#include "files/ptrfile.h"
#include "files/workspacefile.h"

#include <QDataStream>
#include <QFile>
#include <QImage>

inline bool writeHeaderAndHoles(const QString& path, const QByteArray& header, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header) == header.size() && file.resize(size);
}

inline bool writeClaimedWorkspace(const QString& path, qint32 width, qint32 height)
{
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly)
        << WorkspaceFile::kMagic << WorkspaceFile::kVersion << width << height << 1.0 << 0.0 << 0.0;
    return writeHeaderAndHoles(path, header, header.size() + 16 * qint64(width) * height);
}

inline bool writeClaimedHeightField(const QString& path, qint32 width, qint32 height)
{
    QByteArray header;
    QDataStream(&header, QIODevice::WriteOnly) << PtrFile::kVersion << width << height << qint32(100);
    return writeHeaderAndHoles(path, header, header.size() + 4 * qint64(width) * height);
}

inline bool writeDotPicture(const QString& path, int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    image.fill(0);
    image.setPixel(width / 2, height / 2, 1);
    return image.save(path);
}
