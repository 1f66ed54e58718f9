// Feeds arbitrary text to the OBJ reader, polygons through the tessellator.
#include "base/logfile.h"
#include "mesh/facetshape.h"
#include "mesh/objfilereader.h"

#include <QByteArray>
#include <QTextStream>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Almost every input is refused with a warning: millions of runs would
    // fill the disk with the log, so the log takes nothing from the start.
    static const bool logClosed = (LogFile::close(), true);
    (void)logClosed;
    QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    QTextStream in(&bytes, QIODevice::ReadOnly);
    ObjFileReader reader(&in);
    const std::unique_ptr<FacetShape> shape(reader.read());
    if (shape) {
        volatile double sink = shape->boundsMax().x - shape->boundsMin().x;
        (void)sink;
    }
    return 0;
}
