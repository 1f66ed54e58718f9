// Feeds arbitrary bytes to the height-field reader, unkeyed and keyed, and
// builds the import from whatever it accepts; then the whole import path of
// the program: the file loaded from disk, tilted, trimmed and smoothed, so
// that normalising, erosion and smoothing meet hostile heights.
#include "files/ptrfile.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

void readFromMemory(const QByteArray& bytes)
{
    for (const char* key : {"", "12345678901234567890"}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        PtrFile::Header header;
        std::vector<float> samples;
        if (!PtrFile::read(buffer, QString::fromLatin1(key), header, samples).ok())
            continue;
        ReliefSource source(uint32_t(header.width), uint32_t(header.height), samples.data());
        source.heightScale = header.range;
        Relief relief(source);
        relief.rebuild(false);
    }
}

// One file per process, rewritten for every input.
QString scratchPath()
{
    static const QString path = QDir::temp().filePath(QStringLiteral("fuzz_ptr_%1.ptr").arg(qint64(getpid())));
    return path;
}

void importFromFile(const QByteArray& bytes)
{
    {
        QFile file(scratchPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            return;
    }
    std::unique_ptr<ReliefSource> source;
    const bool loaded = PtrFile::load(scratchPath(), QString(), source).ok();
    QFile::remove(scratchPath());
    if (!loaded)
        return;
    // The import controls, each away from its neutral setting.
    source->preview = true;
    source->flipY = true;
    source->invertZ = true;
    source->importKeepTransparency = bytes.size() % 2 == 0;
    source->tiltHorizontal = 37;
    source->tiltVertical = -23;
    source->raiseLowerSteps = 3;
    source->trimSteps = 2;
    source->smoothSteps = 2.5;
    Relief relief(*source);
    relief.rebuild(false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    readFromMemory(bytes);
    importFromFile(bytes);
    return 0;
}
