#include "relief/relief.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Cells converted per block, so a large grid needs no second full-size copy.
constexpr size_t kBlockCells = 8192;

bool writeGrid(QDataStream& stream, const float* values, size_t count)
{
    quint64 block[kBlockCells];
    for (size_t done = 0; done < count && stream.status() == QDataStream::Ok;) {
        const size_t n = std::min(kBlockCells, count - done);
        for (size_t i = 0; i < n; ++i) {
            const double d = values[done + i];
            quint64 bits;
            std::memcpy(&bits, &d, sizeof bits);
            block[i] = qToBigEndian(bits);
        }
        const int bytes = int(n * sizeof(quint64));
        if (stream.writeRawData(reinterpret_cast<const char*>(block), bytes) != bytes)
            stream.setStatus(QDataStream::WriteFailed);
        done += n;
    }
    return stream.status() == QDataStream::Ok;
}

bool readGrid(QDataStream& stream, float* values, size_t count)
{
    quint64 block[kBlockCells];
    for (size_t done = 0; done < count && stream.status() == QDataStream::Ok;) {
        const size_t n = std::min(kBlockCells, count - done);
        const int bytes = int(n * sizeof(quint64));
        if (stream.readRawData(reinterpret_cast<char*>(block), bytes) != bytes) {
            stream.setStatus(QDataStream::ReadPastEnd);
            break;
        }
        for (size_t i = 0; i < n; ++i) {
            const quint64 bits = qFromBigEndian(block[i]);
            double d;
            std::memcpy(&d, &bits, sizeof d);
            values[done + i] = float(d);
        }
        // A height that is not a number, or too large for a float, would
        // reach every mesh and export made of the relief.
        if (!std::all_of(values + done, values + done + n, [](float v) { return std::isfinite(v); })) {
            stream.setStatus(QDataStream::ReadCorruptData);
            break;
        }
        done += n;
    }
    return stream.status() == QDataStream::Ok;
}

// Bytes the stream can still deliver; -1 when its device cannot tell.
qint64 bytesLeft(const QDataStream& stream)
{
    const QIODevice* device = stream.device();
    if (!device)
        return -1;
    if (device->isSequential())
        return device->bytesAvailable();
    return device->size() - device->pos();
}

} // namespace

bool Relief::save(QDataStream& stream) const
{
    stream << qint32(m_width) << qint32(m_height) << m_zScale << m_heightMin << m_heightMax;
    if (stream.status() != QDataStream::Ok)
        return false;
    writeGrid(stream, m_heights.data(), cellCount());
    writeGrid(stream, m_referenceHeights.data(), cellCount());
    return stream.status() == QDataStream::Ok;
}

Relief* Relief::load(QDataStream& stream)
{
    qint32 width = 0;
    qint32 height = 0;
    stream >> width >> height;
    if (stream.status() != QDataStream::Ok)
        return nullptr;
    // The grid is allocated only when the stream holds all of it: a damaged
    // size must not exhaust memory. Three doubles, then two per cell.
    const qint64 left = bytesLeft(stream);
    const qint64 cells = qint64(width) * qint64(height);
    if (!Relief::fits(width, height) || left < 24 || cells > (left - 24) / 16) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return nullptr;
    }

    std::unique_ptr<Relief> relief(new Relief(width, height));
    double zScale = 1.0;
    double heightMin = 0.0;
    double heightMax = 0.0;
    stream >> zScale >> heightMin >> heightMax;
    if (stream.status() != QDataStream::Ok)
        return nullptr;
    if (!std::isfinite(zScale)) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return nullptr;
    }
    relief->m_zScale = zScale;
    relief->m_heightMin = heightMin;
    relief->m_heightMax = heightMax;
    if (!readGrid(stream, relief->m_heights.data(), relief->cellCount())
        || !readGrid(stream, relief->m_referenceHeights.data(), relief->cellCount()))
        return nullptr;
    return relief.release();
}
