// Feeds arbitrary bytes to the height-field reader, unkeyed and keyed, and
// builds the import from whatever it accepts.
#include "files/ptrfile.h"
#include "relief/relief.h"
#include "relief/reliefsource.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
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
    return 0;
}
