#include "files/ptrfile.h"

#include "files/regularsavefile.h"
#include "files/scrambler.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QDataStream>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Beyond this a padded source would overflow the relief's int sizes; it
// lies far beyond any carving (8192 inches a side).
constexpr qint64 kMaxSide = qint64(1) << 20;
// Samples converted per block, so large files need no second full copy.
constexpr size_t kBlockSamples = 16384;

struct SampleKey
{
    bool scrambled = false;
    // A key that is not a number turns every sample into 0.
    bool usable = true;
    quint64 seed = 0;
};

SampleKey parseKey(const QString& key)
{
    SampleKey k;
    if (key.isEmpty())
        return k;
    k.scrambled = true;
    k.seed = key.toULongLong(&k.usable, 10);
    return k;
}

qint64 bytesLeft(const QIODevice& device)
{
    if (device.isSequential())
        return device.bytesAvailable();
    return device.size() - device.pos();
}

void heightBounds(const Relief& relief, double& lo, double& hi)
{
    const float* h = relief.heights();
    const size_t n = relief.cellCount();
    lo = hi = n ? double(h[0]) : 0.0;
    for (size_t i = 1; i < n; ++i) {
        const double v = h[i];
        if (v < lo)
            lo = v;
        if (v > hi)
            hi = v;
    }
}

// A relief that is not flat never gets range 0: a reader takes 0 to mean
// that the samples are heights already, which would make a shallow relief
// about a million times too tall. Less than one cell deep is written as 1.
qint32 rangeFor(double depth, bool flat, qint32 flatRange)
{
    if (flat)
        return flatRange;
    if (!(depth >= 1.0))
        return 1;
    if (depth >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(std::trunc(depth));
}

} // namespace

FileResult PtrFile::read(QIODevice& device, const QString& key, Header& header, std::vector<float>& samples)
{
    samples.clear();
    QDataStream in(&device);
    in >> header.version >> header.width >> header.height >> header.range;
    if (in.status() != QDataStream::Ok || header.version > kVersion)
        return FileResult::LoadFailed;

    const bool shortSamples = header.version == 1;
    const qint64 sampleBytes = shortSamples ? 2 : 4;
    const qint64 cells = qint64(header.width) * qint64(header.height);
    if (header.width <= 0 || header.height <= 0 || header.width > kMaxSide || header.height > kMaxSide
        || !ReliefSource::fits(header.width, header.height) || cells > bytesLeft(device) / sampleBytes)
        return FileResult::LoadFailed;

    const SampleKey k = parseKey(key);
    Scrambler scrambler(k.seed);
    samples.resize(size_t(cells));
    std::vector<char> block(kBlockSamples * size_t(sampleBytes));
    for (qint64 done = 0; done < cells;) {
        const qint64 n = std::min<qint64>(qint64(kBlockSamples), cells - done);
        const int bytes = int(n * sampleBytes);
        if (in.readRawData(block.data(), bytes) != bytes) {
            samples.clear();
            return FileResult::LoadFailed;
        }
        float* out = samples.data() + done;
        if (!k.usable) {
            std::fill(out, out + n, 0.0f);
            done += n;
            continue;
        }
        if (k.scrambled)
            scrambler.apply(block.data(), bytes);
        const uchar* p = reinterpret_cast<const uchar*>(block.data());
        if (shortSamples) {
            for (qint64 i = 0; i < n; ++i)
                out[i] = float(qFromBigEndian<quint16>(p + 2 * i));
        } else {
            for (qint64 i = 0; i < n; ++i) {
                const quint32 bits = qFromLittleEndian<quint32>(p + 4 * i);
                float v;
                std::memcpy(&v, &bits, sizeof v);
                if (!std::isfinite(v)) {
                    samples.clear();
                    return FileResult::LoadFailed;
                }
                out[i] = v;
            }
        }
        done += n;
    }
    return FileResult::Ok;
}

FileResult PtrFile::load(const QString& path, const QString& key, std::unique_ptr<ReliefSource>& source)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileResult::OpenFailed;
    Header header;
    std::vector<float> samples;
    const FileResult result = read(file, key, header, samples);
    if (!result.ok())
        return result;
    auto made = std::make_unique<ReliefSource>(uint32_t(header.width), uint32_t(header.height), samples.data());
    made->heightScale = header.range;
    made->dirty = true;
    made->tiltDirty = true;
    source = std::move(made);
    return FileResult::Ok;
}

qint32 PtrFile::exportRange(const Relief& relief)
{
    double lo, hi;
    heightBounds(relief, lo, hi);
    return rangeFor((hi - lo) * relief.zScale(), !(hi > lo), 0);
}

qint32 PtrFile::handOverRange(const Relief& relief)
{
    double lo, hi;
    heightBounds(relief, lo, hi);
    return rangeFor(hi - lo, !(hi > lo), 1);
}

FileResult PtrFile::write(QIODevice& device, const Relief& relief, qint32 range, const QString& key)
{
    // Such a height leaves no span to scale the samples by: written, the
    // relief would come back flat under the largest range.
    const float* heights = relief.heights();
    const size_t cells = relief.cellCount();
    if (!std::all_of(heights, heights + cells, [](float v) { return std::isfinite(v); }))
        return FileResult::SaveFailed;
    QDataStream out(&device);
    out << kVersion << qint32(relief.width()) << qint32(relief.height()) << range;
    if (out.status() != QDataStream::Ok)
        return FileResult::SaveFailed;

    double lo, hi;
    heightBounds(relief, lo, hi);
    const double span = hi == lo ? 1.0 : hi - lo;
    const SampleKey k = parseKey(key);
    Scrambler scrambler(k.seed);
    std::vector<char> block(kBlockSamples * 4);
    for (size_t done = 0; done < cells;) {
        const size_t n = std::min(kBlockSamples, cells - done);
        uchar* p = reinterpret_cast<uchar*>(block.data());
        for (size_t i = 0; i < n; ++i) {
            float s = float((heights[done + i] - lo) * kSampleSpan / span);
            // Below 0.1 is written as 0, and so is anything a reader would
            // refuse.
            if (!k.usable || !(double(s) >= 0.1) || !std::isfinite(s))
                s = 0.0f;
            quint32 bits;
            std::memcpy(&bits, &s, sizeof bits);
            qToLittleEndian(bits, p + 4 * i);
        }
        const int bytes = int(n * 4);
        if (k.scrambled)
            scrambler.apply(block.data(), bytes);
        if (out.writeRawData(block.data(), bytes) != bytes)
            return FileResult::SaveFailed;
        done += n;
    }
    return out.status() == QDataStream::Ok ? FileResult::Ok : FileResult::SaveFailed;
}

FileResult PtrFile::save(const QString& path, const Relief& relief, qint32 range, const QString& key)
{
    RegularSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::OpenFailed;
    const FileResult result = write(file, relief, range, key);
    if (!result.ok()) {
        file.cancelWriting();
        return result;
    }
    return file.commit() ? FileResult::Ok : FileResult::SaveFailed;
}
